#!/usr/bin/env bash
# Builds a user's small C program against tarnwick-wol every way a user
# would, and runs each build to wake a receiver on 127.0.0.1:
#   shared      the build folder installed into a prefix, which is then
#               moved (an installed tree must not depend on where it was
#               put): find_package, and pkg-config
#   static      the library configured anew with BUILD_SHARED_LIBS=OFF and
#               installed alone: find_package, and pkg-config --static; the
#               program must see TARNWICK_WOL_STATIC from the package files
#   both        the static build installed into a copy of the shared prefix:
#               find_package gives the shared library by default and the
#               static one for COMPONENTS static or TARNWICK_WOL_USE_STATIC_LIBS
#   odd dirs    a shared and static build with CMAKE_INSTALL_INCLUDEDIR=inc
#               and an absolute CMAKE_INSTALL_LIBDIR: find_package,
#               pkg-config, and the installed wol-wake
#   parents     add_subdirectory and FetchContent of the sources: the parent
#               keeps its settings, installs its program with the library
#               by default and exports a target that links it; the installed
#               program runs from the install tree. With
#               TARNWICK_WOL_INSTALL=OFF the parent installs only its own.
#
#   consumer_test.sh SOURCE_DIR BUILD_DIR C_COMPILER [TOOLCHAIN_FILE EMULATOR...]
# A cross build names its toolchain file and the command that runs its
# programs here (Wine, or qemu-user with its options).
# TARNWICK_WOL_TEST_CONFIG names the configuration of BUILD_DIR to install
# (for multi-configuration generators).
set -euo pipefail

source_dir=$1 build_dir=$2 cc=$3 toolchain=${4:-}
emulator=("${@:5}")
config=(${TARNWICK_WOL_TEST_CONFIG:+--config "$TARNWICK_WOL_TEST_CONFIG"})
here=$(cd "$(dirname "$0")" && pwd)
receiver=$here/../../run_with_receiver.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cross=()
[ -z "$toolchain" ] || cross=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
# Programs for Windows end in .exe, whatever builds them.
exe=
case "$("$cc" -dumpmachine)" in
*mingw* | *windows* | *cygwin*) exe=.exe ;;
esac

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# quietly NAME COMMAND...: runs COMMAND with its output in NAME.log, shown
# only when it fails.
quietly() {
  local log=$work/$1.log
  shift
  "$@" >>"$log" 2>&1 || {
    cat "$log"
    fail "$*"
  }
}

# run PROGRAM [DLL_DIR]: wakes a receiver on 127.0.0.1 with PROGRAM; a
# Windows program finds the DLL beside it.
run() {
  local program=$1$exe
  [ ! -f "${2:-}/tarnwick-wol.dll" ] || cp "$2/tarnwick-wol.dll" "$(dirname "$program")/"
  python3 "$receiver" 0A:1B:2C:3D:4E:5F "${emulator[@]}" "$program"
}

# run_linked PROGRAM LIBDIR BINDIR: a program linked with the shared library
# of an installed tree: on Linux found through LIBDIR, on Windows beside it.
run_linked() {
  if [ -n "$exe" ]; then
    run "$1" "$3"
  else
    LD_LIBRARY_PATH=$2 run "$1"
  fi
}

# wakes_with_tool WOL_WAKE: an installed wol-wake wakes 127.0.0.1.
wakes_with_tool() {
  python3 "$receiver" 0A:1B:2C:3D:4E:5F "${emulator[@]}" "$1$exe" 0A:1B:2C:3D:4E:5F 127.0.0.1
}

# run_static PROGRAM: a statically linked program, which must not load the
# shared library, wakes a receiver on 127.0.0.1.
run_static() {
  local imports
  if [ -n "$exe" ]; then
    imports=$(objdump -p "$1$exe")
  else
    imports=$(readelf -dW "$1") # any machine's ELF file
  fi
  if grep -iE 'NEEDED.*libtarnwick-wol|DLL Name: tarnwick-wol' <<<"$imports"; then
    fail "$1 links the shared library"
  fi
  run "$1"
}

# with_package NAME CMAKE_DIR [CMAKE_ARGS...]: the program built with
# find_package, from the package folder CMAKE_DIR.
with_package() {
  local name=$1 package_dir=$2
  shift 2
  echo "== $name: find_package(tarnwick-wol 1.0 CONFIG REQUIRED) $*"
  # A cross toolchain searches only its own root, so name the package folder.
  quietly "$name" cmake -S "$here" -B "$work/$name" -DCMAKE_C_COMPILER="$cc" "${cross[@]}" \
    -Dtarnwick-wol_DIR="$package_dir" "$@"
  quietly "$name" cmake --build "$work/$name"
}

# with_pkg_config NAME LIBDIR [--static] [CFLAGS...]: the program compiled
# with the flags that pkg-config gives from LIBDIR/pkgconfig.
with_pkg_config() {
  local name=$1 libdir=$2 static=${3:-}
  shift 2
  [ -z "$static" ] || shift
  echo "== $name: pkg-config --cflags --libs $static tarnwick-wol"
  local flags
  flags=$(PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --cflags --libs ${static:+"$static"} tarnwick-wol)
  echo "$flags"
  mkdir -p "$work/$name"
  # shellcheck disable=SC2086 # the flags are words
  "$cc" -std=c99 -Wall -Werror "$@" -o "$work/$name/consumer$exe" "$here/consumer.c" $flags
}

# configure_library NAME [CMAKE_ARGS...]: tarnwick-wol configured and built
# anew in $work/NAME-build, without its tests.
configure_library() {
  local name=$1
  shift
  echo "== $name: the library configured with $*"
  quietly "$name-build" cmake -S "$source_dir" -B "$work/$name-build" -DCMAKE_BUILD_TYPE=Release \
    "${cross[@]}" -DTARNWICK_WOL_BUILD_TESTS=OFF "$@"
  quietly "$name-build" cmake --build "$work/$name-build"
}

# --- shared: the build folder installed, and moved ---------------------------------
cmake --install "$build_dir" "${config[@]}" --prefix "$work/staged" >/dev/null
mv "$work/staged" "$work/shared"
echo "== shared: the installed wol-wake, moved with its tree"
wakes_with_tool "$work/shared/bin/wol-wake"
with_package shared-package "$work/shared/lib/cmake/tarnwick-wol"
run "$work/shared-package/consumer" "$work/shared/bin"
with_pkg_config shared-pkg-config "$work/shared/lib"
run_linked "$work/shared-pkg-config/consumer" "$work/shared/lib" "$work/shared/bin"

# --- static, alone ------------------------------------------------------------------
configure_library static -DBUILD_SHARED_LIBS=OFF -DTARNWICK_WOL_BUILD_TOOLS=OFF
cmake --install "$work/static-build" --prefix "$work/static" >/dev/null
with_package static-package "$work/static/lib/cmake/tarnwick-wol" -DCONSUMER_EXPECTS_STATIC=ON
run_static "$work/static-package/consumer"
with_pkg_config static-pkg-config "$work/static/lib" --static -DCONSUMER_EXPECTS_STATIC
run_static "$work/static-pkg-config/consumer"

# --- both in one prefix -------------------------------------------------------------
cp -a "$work/shared" "$work/both"
cmake --install "$work/static-build" --prefix "$work/both" >/dev/null
ls "$work/both/lib" "$work/both/lib/cmake/tarnwick-wol"
with_package both-default "$work/both/lib/cmake/tarnwick-wol"
run "$work/both-default/consumer" "$work/both/bin"
with_package both-component "$work/both/lib/cmake/tarnwick-wol" -DCONSUMER_COMPONENTS=static \
  -DCONSUMER_EXPECTS_STATIC=ON
run_static "$work/both-component/consumer"
with_package both-variable "$work/both/lib/cmake/tarnwick-wol" -DTARNWICK_WOL_USE_STATIC_LIBS=ON \
  -DCONSUMER_EXPECTS_STATIC=ON
run_static "$work/both-variable/consumer"

# --- odd install directories ----------------------------------------------------------
odd=$work/odd
configure_library odd -DCMAKE_INSTALL_PREFIX="$odd" -DCMAKE_INSTALL_INCLUDEDIR=inc \
  -DCMAKE_INSTALL_LIBDIR="$odd/libraries/lib64" -DTARNWICK_WOL_BUILD_STATIC=ON
cmake --install "$work/odd-build" >/dev/null
[ -f "$odd/inc/tarnwick_wol.h" ] || fail "the header is not in $odd/inc"
with_package odd-package "$odd/libraries/lib64/cmake/tarnwick-wol"
run "$work/odd-package/consumer" "$odd/bin"
with_package odd-static "$odd/libraries/lib64/cmake/tarnwick-wol" -DCONSUMER_COMPONENTS=static \
  -DCONSUMER_EXPECTS_STATIC=ON
run_static "$work/odd-static/consumer"
with_pkg_config odd-pkg-config "$odd/libraries/lib64"
run_linked "$work/odd-pkg-config/consumer" "$odd/libraries/lib64" "$odd/bin"
echo "== odd: the installed wol-wake"
wakes_with_tool "$odd/bin/wol-wake"

# --- parent projects ------------------------------------------------------------------
# parent NAME MODE [CMAKE_ARGS...]: the consumer as a parent project, built and
# installed into $work/NAME-prefix.
parent() {
  local name=$1 mode=$2
  shift 2
  echo "== $name: a parent project with $mode $*"
  quietly "$name" cmake -S "$here" -B "$work/$name" -DCMAKE_C_COMPILER="$cc" "${cross[@]}" \
    -DCONSUMER_MODE="$mode" -DTARNWICK_WOL_SOURCE_DIR="$source_dir" \
    -DCMAKE_INSTALL_PREFIX="$work/$name-prefix" "$@"
  quietly "$name" cmake --build "$work/$name"
  quietly "$name" cmake --install "$work/$name"
  (cd "$work/$name-prefix" && find . -type f -o -type l | sort)
}
for mode in subdirectory fetchcontent; do
  parent "$mode" "$mode"
  prefix=$work/$mode-prefix
  if [ -n "$exe" ]; then
    library=$prefix/bin/tarnwick-wol.dll
  else
    library=$(find "$prefix" -name libtarnwick-wol.so.1)
  fi
  [ -e "$library" ] || fail "the parent's install lacks the library"
  [ ! -e "$prefix/bin/wol-wake$exe" ] || fail "the parent's install has wol-wake"
  [ ! -e "$prefix/share/doc/tarnwick-wol-consumer/README.md" ] ||
    fail "tarnwick-wol's README went into the parent's documentation folder"
  grep -q 'tarnwick-wol::tarnwick-wol' "$prefix"/lib*/cmake/consumer/consumer-targets.cmake ||
    fail "the parent's exported target does not link tarnwick-wol::tarnwick-wol"
  # From the install tree alone: no DLL copied, no library path.
  python3 "$receiver" 0A:1B:2C:3D:4E:5F "${emulator[@]}" "$prefix/bin/consumer$exe"
done
parent without-install subdirectory -DTARNWICK_WOL_INSTALL=OFF -DCONSUMER_EXPORT=OFF
installed=$(cd "$work/without-install-prefix" && find . -type f -o -type l)
[ "$installed" = "./bin/consumer$exe" ] || fail "with TARNWICK_WOL_INSTALL=OFF the parent installed: $installed"
echo "ok: shared, static, both, odd directories and parent projects all wake 127.0.0.1"
