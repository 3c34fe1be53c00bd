#!/usr/bin/env bash
# Installs what is missing, checks the formatting, then builds and tests
# every way the library is built, with warnings as errors:
#   sanitize  clang++ with AddressSanitizer, UndefinedBehaviorSanitizer and
#             clang-tidy; then each fuzz target for a minute
#   linux     the .so with g++; then the suite again under valgrind
#   windows   the DLL with mingw-w64, its suite run under Wine
#   windows-x86  the 32-bit DLL (__stdcall) with mingw-w64, its suite run
#             under 32-bit Wine
#   linux-aarch64, linux-armhf, linux-s390x
#             the .so cross-built with Debian's cross g++, its suite run
#             under qemu-user
#   scripts/test-all.sh
# TARNWICK_WOL_FUZZ_SECONDS sets the time per fuzz target (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
git ls-files '*.c' '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

cmake --workflow --preset sanitize
scripts/fuzz.sh "${TARNWICK_WOL_FUZZ_SECONDS:-60}"

cmake --workflow --preset linux
scripts/valgrind.sh build/linux

cmake --workflow --preset windows
cmake --workflow --preset windows-x86

cmake --workflow --preset linux-aarch64
cmake --workflow --preset linux-armhf
cmake --workflow --preset linux-s390x
