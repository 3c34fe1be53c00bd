#!/usr/bin/env bash
# Checks wol-relay's systemd unit as the build installs it: systemd's own
# check finds nothing to report (with the build's program in ExecStart, as
# this machine has no installed one), and the service runs unprivileged
# with CAP_NET_BIND_SERVICE alone, reads its options from
# /etc/default/wol-relay, reloads by SIGHUP, and is not restarted over a
# command line it cannot use.
#   relay_unit_test.sh UNIT PROGRAM BINDIR
set -euo pipefail
unit=$1 program=$2 bindir=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

has() { # LINE: exactly that line, once
  [ "$(grep -cxF -- "$1" "$unit")" = 1 ] || fail "the unit lacks '$1'"
}
has "ExecStart=$bindir/wol-relay \$WOL_RELAY_OPTIONS"
has "EnvironmentFile=-/etc/default/wol-relay"
has "ExecReload=/bin/kill -HUP \$MAINPID"
has "RestartPreventExitStatus=2"
has "DynamicUser=yes"
has "NoNewPrivileges=yes"
has "AmbientCapabilities=CAP_NET_BIND_SERVICE"
has "CapabilityBoundingSet=CAP_NET_BIND_SERVICE"
has "WantedBy=multi-user.target"
if grep -E '^(User|Group)=' "$unit"; then
  fail "the unit names a user: it runs as a dynamic one"
fi
if [ "$(grep -c '^[^#]*CAP_' "$unit")" != 2 ]; then
  fail "the unit grants more than CAP_NET_BIND_SERVICE: $(grep '^[^#]*CAP_' "$unit")"
fi

if ! command -v systemd-analyze >/dev/null; then
  # shellcheck source=../cannot_run.sh
  source "$(dirname "$0")/../cannot_run.sh"
  [ "$status" = 0 ] || exit 1
  cannot_run "systemd-analyze is not installed (on Debian: systemd), so systemd's own check of the unit cannot run"
else
  sed "s|^ExecStart=[^ ]*|ExecStart=$program|" "$unit" >"$work/wol-relay.service"
  # (The manual page is checked where the package installs it: deb_test.)
  if ! systemd-analyze verify --man=no "$work/wol-relay.service" >"$work/verify" 2>&1 ||
    [ -s "$work/verify" ]; then
    cat "$work/verify"
    fail "systemd-analyze verify reports the unit"
  fi
fi
[ "$status" = 0 ] && echo "ok: the unit checks clean, unprivileged with CAP_NET_BIND_SERVICE alone"
exit "$status"
