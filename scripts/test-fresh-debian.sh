#!/usr/bin/env bash
# Tries the README's Quick start on a fresh, minimal Debian, as a newcomer
# would, in a throwaway chroot (debootstrap --variant=minbase):
#   1. root installs git, as the README says; a user clones this checkout's
#      HEAD and runs scripts/test-all.sh, which must stop at once and say in
#      one line how to proceed;
#   2. root clones it into its home, as a login shell starts there, and
#      runs scripts/test-all.sh: everything must pass, and nothing may be
#      skipped but what this machine's kernel cannot run (the 32-bit Windows
#      tests where it runs no 32-bit x86 program, as cmake/wine-run.sh
#      --check finds); the time, the packages installed and the size of the
#      download are reported;
#   3. the user runs scripts/test-all.sh again: it must pass, skipping only
#      the tests that need root;
#   4. the user runs scripts/wake.sh, which must wake a receiver on
#      127.0.0.1.
#
#   scripts/test-fresh-debian.sh SUITE         (bookworm, trixie, ...)
#
# Needs root, debootstrap and about 12 GB of disk. The minimal system and the
# packages apt downloads are cached in ~/.cache/tarnwick-wol/debian/SUITE
# (XDG_CACHE_HOME is honoured), so only the first run downloads them.
# The mirror is the machine's own (its apt sources); TARNWICK_WOL_MIRROR
# names another. Logs go to build/fresh-debian/. Every mount is undone and
# the chroot removed on every path.
set -euo pipefail
[ $# = 1 ] || {
  echo "usage: scripts/test-fresh-debian.sh SUITE" >&2
  exit 2
}
suite=$1
top=$(cd "$(dirname "$0")/.." && pwd)
[ "$(id -u)" = 0 ] || {
  echo "test-fresh-debian.sh: making a chroot needs root" >&2
  exit 1
}
command -v debootstrap >/dev/null || {
  echo "test-fresh-debian.sh: needs debootstrap (apt-get install debootstrap)" >&2
  exit 1
}

# The machine's Debian mirror: the first deb822 or one-line source that is
# not a security or other add-on archive.
machine_mirror() {
  local uri
  uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
    awk '/^URIs:/ { print $2 }' | grep -v -e security -e '^$' | head -n 1 || true)
  [ -n "$uri" ] || uri=$(grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
    awk '{ print $2 }' | grep -v security | head -n 1 || true)
  echo "${uri:-http://deb.debian.org/debian}"
}
mirror=${TARNWICK_WOL_MIRROR:-$(machine_mirror)}

cache=${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick-wol/debian/$suite
logs=$top/build/fresh-debian
mkdir -p "$cache/archives" "$logs"
# The chroot shares this machine's network, and the suite needs 127.0.0.1:9
# to itself: one run at a time (and no other suite beside it).
exec {lock}>"${cache%/*}/.run.lock"
flock -n "$lock" || {
  echo "== waiting for another test-fresh-debian.sh to finish"
  flock "$lock"
}
work=$(mktemp -d /var/tmp/tarnwick-wol-fresh-debian.XXXXXX)
root=$work/root
user=newcomer

# shellcheck source=../tests/throwaway_root.sh
source "$top/tests/throwaway_root.sh"
cleanup() {
  local status=$?
  set +e
  remove_tree "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  echo "FAIL ($suite): $*" >&2
  exit 1
}

# The minimal system, made once.
if [ ! -e "$cache/base/.complete" ]; then
  echo "== debootstrap --variant=minbase $suite from $mirror"
  rm -rf "$cache/base"
  debootstrap --variant=minbase "$suite" "$cache/base" "$mirror" >"$logs/$suite-debootstrap.log" 2>&1 ||
    fail "debootstrap failed; see $logs/$suite-debootstrap.log"
  touch "$cache/base/.complete"
fi
cp -a "$cache/base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"

# The chroot's / a mount point of its own, as a real system's is: ip netns
# exec makes it a slave mount, which fails on a plain folder.
mount --bind "$root" "$root"
mount --make-private "$root"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --make-rslave "$root/sys"
mount --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"
mount -t tmpfs tmpfs "$root/run"
mount --bind "$cache/archives" "$root/var/cache/apt/archives"
mkdir -p "$root/mnt/origin"
mount --bind "$top" "$root/mnt/origin"
mount -o remount,bind,ro "$root/mnt/origin"

path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
# Each in the background, waited for: bash runs the INT/TERM trap (and with
# it the cleanup, which ends what runs in the chroot) during a wait, but only
# after a command in the foreground has ended.
as_root() { # LOG SCRIPT
  chroot "$root" env -i HOME=/root USER=root LOGNAME=root PATH="$path" \
    bash -c "$2" >"$logs/$suite-$1.log" 2>&1 {lock}>&- &
  wait $!
}
as_user() { # LOG SCRIPT
  chroot --userspec="$user:$user" "$root" env -i HOME=/home/$user USER=$user LOGNAME=$user \
    PATH="$path" bash -c "cd; $2" >"$logs/$suite-$1.log" 2>&1 {lock}>&- &
  wait $!
}
packages() { chroot "$root" dpkg-query -W -f='${Status}\n' | grep -c 'ok installed'; }
clock() { date +%s; }

echo "== $suite: git, as the README says, and a user"
# This checkout stands in for the project's public repository.
as_root setup "apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y git &&
  git config --system --add safe.directory /mnt/origin &&
  git config --system --add safe.directory /mnt/origin/.git &&
  useradd --create-home --shell /bin/bash $user" || fail "setup failed; see $logs/$suite-setup.log"

echo "== $suite: 1. a user, before anything is installed"
as_user user-first "git clone -q /mnt/origin tarnwick-wol && cd tarnwick-wol && scripts/test-all.sh" &&
  fail "test-all.sh passed for a user with nothing installed"
message=$(grep '^install-deps.sh: ' "$logs/$suite-user-first.log" || true)
[ "$(echo "$message" | grep -c .)" = 1 ] && echo "$message" | grep -q 'as root' ||
  fail "no one-line hint for the user; see $logs/$suite-user-first.log"
echo "   $message" | cut -c 1-160

echo "== $suite: 2. root runs scripts/test-all.sh"
before=$(packages) start=$(clock)
as_root root "cd && git clone -q /mnt/origin tarnwick-wol && cd tarnwick-wol && scripts/test-all.sh" ||
  fail "test-all.sh failed as root; see $logs/$suite-root.log"
seconds=$(($(clock) - start)) after=$(packages)
summary=$(grep '^test-all: ' "$logs/$suite-root.log" | tail -n 1)
# The skips this machine allows: none, or the 32-bit Windows tests with the
# reason wine-run.sh gives where they cannot run here.
x86_reason= status=0
as_root wine32 "cd && tarnwick-wol/cmake/wine-run.sh --check win32" || status=$?
case $status in
0) ;;
77) x86_reason=$(cat "$logs/$suite-wine32.log") ;;
*) fail "cmake/wine-run.sh --check win32: $(cat "$logs/$suite-wine32.log")" ;;
esac
while read -r skip; do
  [ -n "$skip" ] || continue
  [[ -n $x86_reason && $skip == "windows-x86/"*": $x86_reason" ]] ||
    fail "root skipped a test that should run: $skip"
done < <(sed -n '/^Skipped tests:/,/^test-all: /p' "$logs/$suite-root.log" | sed '1d;$d')
[ -z "$x86_reason" ] || echo "   the 32-bit Windows tests that run programs are skipped: $x86_reason"
download=$(sed -n 's/^Need to get \(.*\) of archives\.$/\1/p' "$logs/$suite-root.log" |
  sed 's#.*/##' | tr '\n' ' ')
disk=$(sed -n 's/^After this operation, \(.*\) of additional disk space will be used\.$/\1/p' \
  "$logs/$suite-root.log" | tr '\n' ' ')
echo "   $summary; $((seconds / 60))m$((seconds % 60))s; packages $before -> $after" \
  "(+$((after - before))); download $download; disk $disk"

echo "== $suite: 3. the user runs scripts/test-all.sh"
start=$(clock)
as_user user "cd tarnwick-wol && scripts/test-all.sh" ||
  fail "test-all.sh failed for the user; see $logs/$suite-user.log"
seconds=$(($(clock) - start))
echo "   $(grep '^test-all: ' "$logs/$suite-user.log" | tail -n 1); $((seconds / 60))m$((seconds % 60))s"
sed -n '/^Skipped tests:/,/^test-all: /p' "$logs/$suite-user.log" | sed '$d' | sed 's/^/   /'

echo "== $suite: 4. the user wakes 127.0.0.1 with scripts/wake.sh"
as_user wake "cd tarnwick-wol && python3 -c '
import subprocess, sys
sys.path.insert(0, \"tests\")
from loopback_receiver import Receiver, magic_packet
mac = \"00:11:22:33:44:55\"
with Receiver() as receiver:
    run = subprocess.run([\"scripts/wake.sh\", \"-i\", \"127.0.0.1\", \"-p\", str(receiver.port), mac],
                         timeout=600, check=False)
    got = receiver.take(1)
sys.exit(0 if run.returncode == 0 and got == [magic_packet(mac)] else 1)
'" || fail "wake.sh did not wake 127.0.0.1; see $logs/$suite-wake.log"
echo "   $(tail -n 1 "$logs/$suite-wake.log")"
echo "PASS ($suite)"
