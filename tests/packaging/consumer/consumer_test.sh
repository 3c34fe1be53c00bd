#!/usr/bin/env bash
# Builds a user's small C program against tarnwick-wol every way a user
# would, and runs each build to wake a receiver on 127.0.0.1:
#   shared   the build folder installed into a prefix, which is then moved
#            (an installed tree must not depend on where it was put):
#            find_package, and pkg-config
#   static   the library configured anew with BUILD_SHARED_LIBS=OFF and
#            installed: find_package, and pkg-config --static; the program
#            must see TARNWICK_WOL_STATIC from the package files
#   subproject  add_subdirectory of the sources, which must leave the
#            parent's settings as they were and install nothing by default
#
#   consumer_test.sh SOURCE_DIR BUILD_DIR C_COMPILER [TOOLCHAIN_FILE EMULATOR...]
#
# A cross build names its toolchain file and the command that runs its
# programs here (Wine, or qemu-user with its options).
set -euo pipefail

source_dir=$1 build_dir=$2 cc=$3 toolchain=${4:-}
emulator=("${@:5}")
here=$(cd "$(dirname "$0")" && pwd)
receiver=$here/../../run_with_receiver.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cross=()
[ -n "$toolchain" ] && cross=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
# Programs for Windows end in .exe, whatever builds them.
exe=
case "$("$cc" -dumpmachine)" in
*mingw* | *windows* | *cygwin*) exe=.exe ;;
esac

# run PROGRAM [DLL_DIR]: wakes a receiver on 127.0.0.1 with PROGRAM (named
# without .exe); a Windows program finds the DLL beside it.
run() {
  local program=$1$exe
  [ ! -f "${2:-}/tarnwick-wol.dll" ] || cp "$2/tarnwick-wol.dll" "$(dirname "$program")/"
  python3 "$receiver" 0A:1B:2C:3D:4E:5F "${emulator[@]}" "$program"
}

# with_package NAME PREFIX [CMAKE_ARGS...]: the program built with
# find_package against PREFIX.
with_package() {
  local name=$1 prefix=$2
  shift 2
  echo "== $name: find_package(tarnwick-wol 1.0 CONFIG REQUIRED)"
  # A cross toolchain searches only its own root, so name the package folder.
  cmake -S "$here" -B "$work/$name" -DCMAKE_C_COMPILER="$cc" "${cross[@]}" \
    -DCMAKE_PREFIX_PATH="$prefix" -Dtarnwick-wol_DIR="$prefix/lib/cmake/tarnwick-wol" "$@" \
    >"$work/$name.log" || { cat "$work/$name.log"; exit 1; }
  cmake --build "$work/$name" >>"$work/$name.log" || { cat "$work/$name.log"; exit 1; }
  run "$work/$name/consumer" "$prefix/bin"
}

# with_pkg_config NAME PREFIX [--static] [CFLAGS...]: the program compiled
# with the flags that pkg-config gives.
with_pkg_config() {
  local name=$1 prefix=$2 static=${3:-}
  shift 2
  [ -z "$static" ] || shift
  echo "== $name: pkg-config --cflags --libs $static tarnwick-wol"
  local flags
  flags=$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs $static tarnwick-wol)
  echo "$flags"
  mkdir -p "$work/$name"
  local out=$work/$name/consumer$exe
  # shellcheck disable=SC2086 # the flags are words
  "$cc" -std=c99 -Wall -Werror "$@" -o "$out" "$here/consumer.c" $flags
  if [ -z "$exe" ] && [ -z "$static" ]; then
    LD_LIBRARY_PATH=$prefix/lib run "$work/$name/consumer"
  else
    run "$work/$name/consumer" "$prefix/bin"
  fi
}

# --- the shared library, installed and moved -----------------------------------
cmake --install "$build_dir" --prefix "$work/staged" >/dev/null
mv "$work/staged" "$work/shared"
with_package shared-package "$work/shared"
with_pkg_config shared-pkg-config "$work/shared"

# --- the static library ----------------------------------------------------------
echo "== static: the library built with BUILD_SHARED_LIBS=OFF"
cmake -S "$source_dir" -B "$work/static-build" -DCMAKE_BUILD_TYPE=Release "${cross[@]}" \
  -DBUILD_SHARED_LIBS=OFF -DTARNWICK_WOL_BUILD_TESTS=OFF -DTARNWICK_WOL_BUILD_TOOLS=OFF \
  >"$work/static-build.log" || { cat "$work/static-build.log"; exit 1; }
cmake --build "$work/static-build" >>"$work/static-build.log" || { cat "$work/static-build.log"; exit 1; }
cmake --install "$work/static-build" --prefix "$work/static" >/dev/null
ls -R "$work/static" | grep -E '\.(a|lib|so|dll)$' || true
with_package static-package "$work/static" -DCONSUMER_EXPECTS_STATIC=ON
with_pkg_config static-pkg-config "$work/static" --static -DCONSUMER_EXPECTS_STATIC

# --- a subproject ------------------------------------------------------------------
echo "== subproject: add_subdirectory(tarnwick-wol)"
cmake -S "$here" -B "$work/subproject" -DCMAKE_C_COMPILER="$cc" "${cross[@]}" \
  -DCONSUMER_MODE=subdirectory -DTARNWICK_WOL_SOURCE_DIR="$source_dir" \
  >"$work/subproject.log" || { cat "$work/subproject.log"; exit 1; }
cmake --build "$work/subproject" >>"$work/subproject.log" || { cat "$work/subproject.log"; exit 1; }
cmake --install "$work/subproject" --prefix "$work/subproject-prefix" >/dev/null
if [ -e "$work/subproject-prefix" ]; then
  echo "FAIL: the subproject installed files by default:" >&2
  find "$work/subproject-prefix" >&2
  exit 1
fi
run "$work/subproject/consumer" "$work/subproject/tarnwick-wol/src"
echo "ok: shared, static and subproject builds all wake 127.0.0.1"
