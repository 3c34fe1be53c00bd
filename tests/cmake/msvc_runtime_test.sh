#!/usr/bin/env bash
# The MSVC runtime that each target links follows BUILD_SHARED_LIBS on every
# configure of one build folder, never a choice left in the cache: /MT for
# the DLL and programs of a shared build, /MD for a static library (the
# compiler's default, which the programs linking it use). The user's
# TARNWICK_WOL_MSVC_STATIC_RUNTIME, or CMAKE_MSVC_RUNTIME_LIBRARY, wins.
#   msvc_runtime_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

static='MultiThreaded$<$<CONFIG:Debug>:Debug>'
dll='MultiThreaded$<$<CONFIG:Debug>:Debug>DLL'
status=0
# expect CMAKE_ARGS -- DLL ARCHIVE PROGRAM: the runtimes after configuring
# the one build folder with CMAKE_ARGS.
expect() {
  local args=() output
  while [ "$1" != -- ]; do
    args+=("$1")
    shift
  done
  shift
  output=$(cmake -S "$(dirname "$0")/msvc_runtime" -B "$work/build" \
    -DTARNWICK_WOL_SOURCE_DIR="$source_dir" "${args[@]}" 2>&1) || {
    echo "$output"
    exit 1
  }
  local target value wanted
  for target in dll archive program; do
    wanted=$1
    shift
    value=$(sed -n "s/^-- RUNTIME $target //p" <<<"$output")
    if [ "$value" != "$wanted" ]; then
      echo "FAIL: with ${args[*]}: $target links '$value', not '$wanted'" >&2
      status=1
    fi
  done
}
expect -DBUILD_SHARED_LIBS=ON -- "$static" "$dll" "$static"
expect -DBUILD_SHARED_LIBS=OFF -- runtime-NOTFOUND "$dll" "$dll"
expect -DBUILD_SHARED_LIBS=ON -- "$static" "$dll" "$static"
expect -DBUILD_SHARED_LIBS=OFF -DTARNWICK_WOL_MSVC_STATIC_RUNTIME=ON -- runtime-NOTFOUND "$static" "$static"
expect -DBUILD_SHARED_LIBS=ON -DTARNWICK_WOL_MSVC_STATIC_RUNTIME=OFF -- "$dll" "$dll" "$dll"
# CMake's own variable gives every target its runtime, untouched.
expect -DTARNWICK_WOL_MSVC_STATIC_RUNTIME= -DCMAKE_MSVC_RUNTIME_LIBRARY=MultiThreadedDLL -- \
  MultiThreadedDLL MultiThreadedDLL MultiThreadedDLL
[ "$status" = 0 ] && echo "ok: the MSVC runtime follows BUILD_SHARED_LIBS on every configure"
exit "$status"
