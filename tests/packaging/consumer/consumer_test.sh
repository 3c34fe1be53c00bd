#!/usr/bin/env bash
# Installs the library into a temporary prefix, moves that prefix elsewhere
# (an installed tree must not depend on where it was put), then builds and
# runs a small C program against it: with find_package, and on Linux also
# with pkg-config.
#
#   consumer_test.sh BUILD_DIR C_COMPILER [TOOLCHAIN_FILE EMULATOR]
set -euo pipefail

build_dir=$1 cc=$2 toolchain=${3:-} emulator=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/staged" >/dev/null
mv "$work/staged" "$work/prefix"
prefix=$work/prefix

echo "== find_package(tarnwick-wol 1.0 CONFIG REQUIRED)"
cmake_args=(-S "$here" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix"
  -DCMAKE_C_COMPILER="$cc")
# A cross toolchain searches only its own root, so name the package folder.
[ -n "$toolchain" ] && cmake_args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain"
  -Dtarnwick-wol_DIR="$prefix/lib/cmake/tarnwick-wol")
cmake "${cmake_args[@]}" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
if [ -n "$toolchain" ]; then
  # Windows finds a DLL beside the program.
  cp "$prefix/bin/tarnwick-wol.dll" "$work/cmake-build/"
  "$emulator" "$work/cmake-build/consumer.exe"
  exit 0
fi
"$work/cmake-build/consumer"

echo "== pkg-config --cflags --libs tarnwick-wol"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
flags=$(pkg-config --cflags --libs tarnwick-wol)
echo "$flags"
# shellcheck disable=SC2086 # the flags are words
"$cc" -std=c99 -Wall -Werror -o "$work/pc-consumer" "$here/consumer.c" $flags
LD_LIBRARY_PATH=$(pkg-config --variable=libdir tarnwick-wol) "$work/pc-consumer"
