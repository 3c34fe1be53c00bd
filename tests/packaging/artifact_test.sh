#!/usr/bin/env bash
# Checks what a release build installs for users: the library and wol-wake
# carry no symbol table and no debug sections, the library stays small, and
# both are hardened: the .so as Debian builds its libraries (stack
# protector, full RELRO with immediate binding, CET landing pads), the DLL
# and the program with ASLR (high entropy) and NX.
#   artifact_test.sh BUILD_DIR OBJDUMP
set -euo pipefail
build_dir=$1 objdump=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --prefix "$work" >/dev/null

status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}
# at_most FILE BYTES
at_most() {
  local size
  size=$(stat -c %s "$1")
  echo "$(basename "$1"): $size bytes (at most $2)"
  [ "$size" -le "$2" ] || fail "$(basename "$1") is larger than $2 bytes"
}
# no_debug FILE: no debug sections and no symbol table.
no_debug() {
  local sections
  if [[ $1 == *.dll || $1 == *.exe ]]; then
    sections=$("$objdump" -h "$1" | awk '$2 ~ /^\./ {print $2}')
  else
    sections=$(readelf -SW "$1" | sed -n 's/^ *\[ *[0-9]*\] \([^ ]*\).*/\1/p')
  fi
  if grep -E '^\.(debug|zdebug|symtab|stab)' <<<"$sections"; then
    fail "$(basename "$1") has debug or symbol sections"
  fi
}

if [ -f "$work/bin/tarnwick-wol.dll" ]; then
  dll=$work/bin/tarnwick-wol.dll
  at_most "$dll" 24576
  for file in "$dll" "$work/bin/wol-wake.exe"; do
    [ -f "$file" ] || continue
    no_debug "$file"
    header=$("$objdump" -p "$file")
    grep -q 'no symbols' <<<"$("$objdump" -t "$file")" || fail "$(basename "$file") has a symbol table"
    for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
      grep -qw "$flag" <<<"$header" || fail "$(basename "$file") lacks $flag"
    done
  done
else
  so=$(find "$work" -name 'libtarnwick-wol.so.*.*.*' -type f)
  at_most "$so" 16384
  for file in "$so" "$work/bin/wol-wake"; do
    [ -f "$file" ] || continue
    no_debug "$file"
    dynamic=$(readelf -dW "$file")
    grep -q 'BIND_NOW' <<<"$dynamic" || fail "$(basename "$file") is not bound immediately (-z now)"
    # (Read whole before grep -q: with pipefail, a grep that stops at the
    # first match would fail the pipe by the reader's SIGPIPE.)
    grep -q GNU_RELRO <<<"$(readelf -lW "$file")" || fail "$(basename "$file") has no RELRO"
    grep -q __stack_chk_fail <<<"$(readelf -sW --dyn-syms "$file")" ||
      fail "$(basename "$file") has no stack protector"
  done
  if [ "$(uname -m)" = x86_64 ]; then
    start=0x$(readelf -W --dyn-syms "$so" | awk '$8 == "wol_send" {print $2}')
    entry=$("$objdump" -d --no-show-raw-insn --start-address="$start" \
      --stop-address=$((start + 4)) "$so" | tail -n 1)
    grep -q endbr64 <<<"$entry" || fail "wol_send does not begin with a CET landing pad: $entry"
  fi
fi
[ "$status" = 0 ] && echo "ok: stripped, small and hardened"
exit "$status"
