#!/usr/bin/env bash
# Makes the Debian packages with CPack, checks them with lintian (no error
# may remain, and no word about wol-wake's manual page), installs them,
# builds a user's program against the system paths with pkg-config and with
# CMake, wakes 127.0.0.1 with it and with /usr/bin/wol-wake, and removes the
# packages again on every path.
#
#   deb_test.sh SOURCE_DIR BUILD_DIR C_COMPILER
#
# Installing packages needs root; elsewhere it skips (77) with its reason.
set -euo pipefail
source_dir=$1 build_dir=$2 cc=$3
here=$(cd "$(dirname "$0")" && pwd)
receiver=$here/../run_with_receiver.py
packages=(wol-wake libtarnwick-wol-dev libtarnwick-wol1)
work=$(mktemp -d)
installed=

# shellcheck source=../cannot_run.sh
source "$here/../cannot_run.sh"
cleanup() {
  [ -z "$installed" ] || dpkg --purge "${packages[@]}" >/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

[ "$(id -u)" = 0 ] || cannot_run "installing packages needs root"
for tool in cpack dpkg-deb dpkg-shlibdeps lintian pkg-config python3; do
  command -v "$tool" >/dev/null || cannot_run "$tool is not installed"
done
for package in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
    cannot_run "$package is installed already, and is not this test's to remove"
  fi
done

echo "== cpack -G DEB"
(cd "$build_dir" && cpack -G DEB -B "$work/debs" >"$work/cpack.log") || {
  cat "$work/cpack.log"
  exit 1
}
debs=("$work"/debs/*.deb)
for deb in "${debs[@]}"; do
  echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
done
[ ${#debs[@]} -eq 3 ] || { echo "FAIL: expected three packages" >&2; exit 1; }

echo "== lintian"
lintian --allow-root --fail-on error "${debs[@]}" | tee "$work/lintian.log" || {
  echo "FAIL: lintian reports errors" >&2
  exit 1
}
if grep -E 'manual-page|manpage' "$work/lintian.log"; then
  echo "FAIL: lintian finds fault with wol-wake's manual page" >&2
  exit 1
fi

echo "== dpkg -i"
installed=1
dpkg -i "${debs[@]}" >/dev/null
[ "$(pkg-config --modversion tarnwick-wol)" = 1.0.0 ] || { echo "FAIL: pkg-config" >&2; exit 1; }

echo "== a program built with pkg-config against the system paths"
# shellcheck disable=SC2046 # the flags are words
"$cc" -std=c99 -Wall -Werror -o "$work/pc-consumer" "$source_dir/tests/packaging/consumer/consumer.c" \
  $(pkg-config --cflags --libs tarnwick-wol)
python3 "$receiver" 0A:1B:2C:3D:4E:5F "$work/pc-consumer"

echo "== a program built with find_package against the system paths"
cmake -S "$source_dir/tests/packaging/consumer" -B "$work/cmake-consumer" \
  -DCMAKE_C_COMPILER="$cc" >/dev/null
cmake --build "$work/cmake-consumer" >/dev/null
python3 "$receiver" 0A:1B:2C:3D:4E:5F "$work/cmake-consumer/consumer"

echo "== /usr/bin/wol-wake"
/usr/bin/wol-wake --version
[ -f /usr/share/man/man1/wol-wake.1.gz ] || { echo "FAIL: no manual page" >&2; exit 1; }
python3 "$receiver" 0A:1B:2C:3D:4E:5F /usr/bin/wol-wake 0A:1B:2C:3D:4E:5F 127.0.0.1

echo "== dpkg --purge"
dpkg --purge "${packages[@]}" >/dev/null
installed=
if [ -e /usr/lib/libtarnwick-wol.so.1 ] || [ -e /usr/bin/wol-wake ]; then
  echo "FAIL: files left behind after purging" >&2
  exit 1
fi
echo "ok: three packages, lintian without errors, installed, used and removed"
