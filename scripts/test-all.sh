#!/usr/bin/env bash
# Installs what is missing, builds the Linux .so and the Windows DLL with
# warnings as errors, and runs every test: Linux natively, Windows under Wine.
#   scripts/test-all.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build() { # DIR [CMAKE OPTION...]
  local dir=$1
  shift
  cmake -S . -B "$dir" -DTARNWICK_WOL_WERROR=ON "$@"
  cmake --build "$dir" -j "$(nproc)"
}
build build/linux
build build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

ctest --test-dir build/linux --output-on-failure
ctest --test-dir build/windows --output-on-failure
