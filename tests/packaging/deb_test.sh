#!/usr/bin/env bash
# The Debian packages, made and used as a distribution would: CPack makes
# libtarnwick-wol1, libtarnwick-wol-dev and wol-wake from a build of their
# own (prefix /usr, shared and static library); lintian --pedantic may
# report nothing but what only an archive upload can clear; then, in a
# throwaway Debian root, the runtime package alone runs /usr/bin/wol-wake
# (and the wol-wake package's wol-listen and wol-relay, whose systemd unit
# is where systemd looks),
# the -dev package builds a user's program against the system paths with
# pkg-config and CMake (shared, and static on request), each program wakes
# 127.0.0.1, and purging leaves nothing behind.
#
# The throwaway root is an overlay over a minimal Debian of this machine's
# release (debootstrap --variant=minbase from the mirror in this machine's
# apt sources, with a compiler, pkg-config and CMake), made on first use
# and kept in ${XDG_CACHE_HOME:-~/.cache}/tarnwick-wol/. Nothing is
# installed on this machine and its package database is never touched.
#
#   deb_test.sh SOURCE_DIR C_COMPILER
#
# Needs root (chroot and mounts); elsewhere it skips (77) with its reason.
set -euo pipefail
source_dir=$1 cc=$2
here=$(cd "$(dirname "$0")" && pwd)
receiver=$here/../run_with_receiver.py
mac=0A:1B:2C:3D:4E:5F

# shellcheck source=../cannot_run.sh
source "$here/../cannot_run.sh"
[ "$(id -u)" = 0 ] || cannot_run "a throwaway Debian root needs root (chroot, mounts)"
for tool in cpack dpkg-deb dpkg-shlibdeps lintian debootstrap python3 chroot flock; do
  command -v "$tool" >/dev/null || cannot_run "$tool is not installed"
done
grep -qw overlay /proc/filesystems || modprobe overlay 2>/dev/null ||
  cannot_run "the kernel has no overlay file system"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# shellcheck source=../throwaway_root.sh
source "$here/../throwaway_root.sh"

work=$(mktemp -d)
cleanup() {
  remove_tree "$work" || exit 1
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP # so that the mounts are undone then too

# --- the packages ------------------------------------------------------------------
echo "== the packages, from a build configured for /usr"
build=$work/build
cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER="$cc" \
  -DCMAKE_INSTALL_PREFIX=/usr -DTARNWICK_WOL_BUILD_STATIC=ON -DTARNWICK_WOL_BUILD_TESTS=OFF \
  >"$work/build.log" 2>&1 || { cat "$work/build.log"; fail "configure"; }
cmake --build "$build" >>"$work/build.log" 2>&1 || { cat "$work/build.log"; fail "build"; }
(cd "$build" && cpack -G DEB -B "$work/debs") >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  fail "cpack -G DEB"
}
debs=("$work"/debs/*.deb)
[ ${#debs[@]} -eq 3 ] || fail "expected three packages, got: ${debs[*]}"
for deb in "${debs[@]}"; do
  echo "$(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"
  dpkg-deb -c "$deb" | awk '{print "  " $6 ($7 ? " " $7 " " $8 : "")}'
done
runtime=$(echo "$work"/debs/libtarnwick-wol1_*.deb)
dev=$(echo "$work"/debs/libtarnwick-wol-dev_*.deb)
tool=$(echo "$work"/debs/wol-wake_*.deb)
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
# (Each listing is read whole before it is searched: a reader that stops at
# the first match would break the writer's pipe.)
runtime_files=$(dpkg-deb -c "$runtime")
grep -q "/usr/lib/$multiarch/libtarnwick-wol.so.1.0.0$" <<<"$runtime_files" ||
  fail "the library is not in /usr/lib/$multiarch"
grep -q "/usr/lib/$multiarch/libtarnwick-wol.a$" <<<"$(dpkg-deb -c "$dev")" ||
  fail "the -dev package lacks the static library"
if grep -E '/usr/share/doc/[^/]+/' <<<"$runtime_files" | grep -v /usr/share/doc/libtarnwick-wol1/; then
  fail "the runtime package has documentation outside its own folder"
fi
if grep -E 'postinst|postrm' <<<"$(dpkg-deb --ctrl-tarfile "$runtime" | tar -t)"; then
  fail "the runtime package calls ldconfig from a maintainer script beside its trigger"
fi

echo "== lintian --pedantic"
# Only an upload to the archive can close a bug, so that tag stays.
allowed=initial-upload-closes-no-bugs
tool_files=$(dpkg-deb -c "$tool")
for program in wol-wake wol-listen wol-relay; do
  grep -q "/usr/bin/$program\$" <<<"$tool_files" || fail "the wol-wake package lacks $program"
  grep -q "/usr/share/man/man1/$program\.1\.gz\$" <<<"$tool_files" ||
    fail "the wol-wake package has no manual page for $program"
done
grep -q '/usr/lib/systemd/system/wol-relay\.service$' <<<"$tool_files" ||
  fail "the wol-wake package lacks wol-relay's systemd unit in /usr/lib/systemd/system"
lintian --allow-root --pedantic --display-info --show-overrides "${debs[@]}" || true
lintian --allow-root --pedantic --suppress-tags "$allowed" --fail-on error,warning,pedantic \
  "${debs[@]}" >/dev/null || fail "lintian reports more than $allowed"

# --- the throwaway root ----------------------------------------------------------------
# The mirror and keyring of this machine's own Debian release.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[ -n "$codename" ] || cannot_run "/etc/os-release names no Debian release"
read -r mirror keyring < <(python3 - "$codename" <<'PY'
import glob, re, sys
codename = sys.argv[1]
found = []
for path in ["/etc/apt/sources.list"] + sorted(glob.glob("/etc/apt/sources.list.d/*.list")):
    try:
        lines = open(path).read().splitlines()
    except OSError:
        continue
    for line in lines:
        m = re.match(r"\s*deb\s+(\[[^]]*\]\s+)?(\S+)\s+(\S+)\s", line + " ")
        if m and m.group(3) == codename:
            key = re.search(r"signed-by=(\S+?)[\s\]]", m.group(1) or "")
            found.append((m.group(2), key.group(1) if key else "-"))
for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
    for stanza in re.split(r"\n\s*\n", open(path).read()):
        fields = dict(re.findall(r"^([\w-]+):\s*(.*)$", stanza, re.M))
        if ("deb" in fields.get("Types", "").split() and codename in fields.get("Suites", "").split()
                and fields.get("Enabled", "yes") != "no"):
            key = fields.get("Signed-By", "").strip()
            found.append((fields.get("URIs", "").split()[0], key if key.startswith("/") else "-"))
if found:
    print(*found[0])
PY
) || true
[ -n "${mirror:-}" ] || cannot_run "no mirror for $codename in this machine's apt sources"

cache=${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick-wol
base=$cache/deb-test-root-$codename-$arch
mkdir -p "$cache"
(
  flock 9
  if [ ! -e "$base/.complete" ]; then
    echo "== making $base (once) from $mirror"
    partial=$base.partial
    remove_tree "$partial"
    keyring_option=()
    [ "$keyring" = - ] || keyring_option=(--keyring="$keyring")
    if ! debootstrap --variant=minbase --include=gcc,libc6-dev,make,cmake,pkg-config \
      "${keyring_option[@]}" "$codename" "$partial" "$mirror" >"$work/debootstrap.log" 2>&1; then
      tail -n 30 "$work/debootstrap.log"
      remove_tree "$partial" || true
      fail "debootstrap"
    fi
    chroot "$partial" apt-get clean
    touch "$partial/.complete"
    remove_tree "$base"
    mv "$partial" "$base"
  fi
) 9>"$cache/deb-test-root.lock"

root=$work/root
mkdir -p "$root" "$work/upper" "$work/overlay-work"
mount -t overlay overlay -o "lowerdir=$base,upperdir=$work/upper,workdir=$work/overlay-work" "$root"
mount -t proc proc "$root/proc"
mkdir -p "$root/tmp/debs" "$root/tmp/consumer"
cp "${debs[@]}" "$root/tmp/debs/"
cp "$source_dir/tests/packaging/consumer/CMakeLists.txt" \
  "$source_dir/tests/packaging/consumer/consumer.c" "$root/tmp/consumer/"
inside() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }

echo "== the runtime package alone, and wol-wake"
inside dpkg -i "/tmp/debs/$(basename "$runtime")" "/tmp/debs/$(basename "$tool")" >/dev/null
grep -q "libtarnwick-wol.so.1 " <<<"$(inside ldconfig -p)" || fail "ldconfig's cache lacks the library"
for program in wol-wake wol-listen wol-relay; do
  inside "/usr/bin/$program" --version
  [ -f "$root/usr/share/man/man1/$program.1.gz" ] || fail "$program's manual page is not installed"
done
grep -qx 'ExecStart=/usr/bin/wol-relay $WOL_RELAY_OPTIONS' \
  "$root/usr/lib/systemd/system/wol-relay.service" || fail "the unit does not start /usr/bin/wol-relay"
python3 "$receiver" "$mac" chroot "$root" /usr/bin/wol-wake "$mac" 127.0.0.1

echo "== the -dev package: pkg-config"
inside dpkg -i "/tmp/debs/$(basename "$dev")" >/dev/null
flags=$(inside pkg-config --cflags --libs tarnwick-wol)
# The system's own directories are left out, as for any library in /usr.
[ "$(echo $flags)" = "-ltarnwick-wol" ] || fail "pkg-config --cflags --libs gives: $flags"
static_flags=$(inside pkg-config --static --cflags --libs tarnwick-wol)
[ "$(echo $static_flags)" = "-DTARNWICK_WOL_STATIC -ltarnwick-wol" ] ||
  fail "pkg-config --static --cflags --libs gives: $static_flags"
inside sh -c 'cc -std=c99 -Wall -Werror -o /tmp/pc /tmp/consumer/consumer.c $(pkg-config --cflags --libs tarnwick-wol)'
python3 "$receiver" "$mac" chroot "$root" /tmp/pc
inside sh -c 'cc -std=c99 -Wall -Werror -DCONSUMER_EXPECTS_STATIC -static -o /tmp/pc-static \
  /tmp/consumer/consumer.c $(pkg-config --static --cflags --libs tarnwick-wol)'
python3 "$receiver" "$mac" chroot "$root" /tmp/pc-static

echo "== the -dev package: find_package, shared and static"
inside cmake -S /tmp/consumer -B /tmp/cmake-shared >/dev/null
inside cmake --build /tmp/cmake-shared >/dev/null
python3 "$receiver" "$mac" chroot "$root" /tmp/cmake-shared/consumer
inside cmake -S /tmp/consumer -B /tmp/cmake-static -DCONSUMER_COMPONENTS=static \
  -DCONSUMER_EXPECTS_STATIC=ON >/dev/null
inside cmake --build /tmp/cmake-static >/dev/null
if grep -q 'NEEDED.*libtarnwick-wol' <<<"$(objdump -p "$root/tmp/cmake-static/consumer")"; then
  fail "COMPONENTS static linked the shared library"
fi
python3 "$receiver" "$mac" chroot "$root" /tmp/cmake-static/consumer

echo "== dpkg --purge"
inside dpkg --purge wol-wake libtarnwick-wol-dev libtarnwick-wol1 >/dev/null
left=$(cd "$root" && find usr -name '*tarnwick*' -o -name 'wol-*')
[ -z "$left" ] || fail "purging left: $left"
if grep -q libtarnwick-wol <<<"$(inside ldconfig -p)"; then
  fail "ldconfig's cache still lists the library"
fi
for package in libtarnwick-wol1 libtarnwick-wol-dev wol-wake; do
  if [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)" = "install ok installed" ]; then
    echo "note: $package is installed on this machine, but not by this test"
  fi
done
echo "ok: three packages, lintian --pedantic clean but for $allowed, installed, used and purged in a throwaway root"
