#!/usr/bin/env bash
# Installs what is missing, checks the formatting, then builds and tests
# every way the library is built, with warnings as errors:
#   sanitize  clang++ with AddressSanitizer, UndefinedBehaviorSanitizer and
#             clang-tidy; then the five fuzz targets, two minutes in all
#   linux     the .so with g++; then the suite again under valgrind
#   windows   the DLL with mingw-w64, its suite run under Wine
#   windows-x86  the 32-bit DLL (__stdcall) with mingw-w64, its suite run
#             under 32-bit Wine; on a kernel that runs no 32-bit x86
#             program, the checks of its files only (the rest skipped)
#   linux-aarch64, linux-armhf, linux-s390x
#             the .so cross-built with Debian's cross g++, its suite run
#             under qemu-user
#   dotnet    the NuGet package and the PowerShell module, built from those
#             builds and tested on .NET 10, under Mono and in PowerShell 7
#             (scripts/test-dotnet.sh); skipped where dotnet is missing
#   scripts/test-all.sh
# Every step runs even when an earlier one failed (unless it needs that
# one's build); a summary at the end lists each step, and each test that was
# skipped with its reason. Tests that need root (network namespaces, Debian
# packages) are skipped for other users. Exit status 0 only when nothing
# failed. The fuzz targets share twice TARNWICK_WOL_FUZZ_SECONDS (default 60).
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh || exit 1

# Every build (the presets' and those the tests make) on every core.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
steps=() failed=0 passed_tests=0 failed_tests=0 skipped_tests=0 skipped=()

# step NAME COMMAND...: runs a step, its output shown and kept.
step() {
  local name=$1 start=$SECONDS status
  shift
  echo "== $name: $*"
  "$@" 2>&1 | tee "$logs/$name.log"
  status=${PIPESTATUS[0]}
  if [ "$status" = 0 ]; then
    steps+=("$(printf '%-14s passed  %4d s' "$name" $((SECONDS - start)))")
  else
    steps+=("$(printf '%-14s FAILED  %4d s (exit %d)' "$name" $((SECONDS - start)) "$status")")
    failed=1
  fi
  return "$status"
}

not_run() { # NAME REASON
  steps+=("$(printf '%-14s not run: %s' "$1" "$2")")
  failed=1
}

# CTest's counts and skipped tests (with the reason each printed) of a
# preset's step.
count_tests() { # NAME
  local log=$logs/$1.log last=build/$1/Testing/Temporary/LastTest.log total bad skip
  total=$(sed -n 's/.* tests failed out of \([0-9]*\)$/\1/p' "$log" | tail -n 1)
  bad=$(sed -n 's/.* \([0-9]*\) tests failed out of [0-9]*$/\1/p' "$log" | tail -n 1)
  [ -n "$total" ] || return 0
  skip=$(grep -c '(Skipped)$' "$log")
  passed_tests=$((passed_tests + total - bad - skip))
  failed_tests=$((failed_tests + bad))
  skipped_tests=$((skipped_tests + skip))
  [ "$skip" -gt 0 ] && [ -f "$last" ] || return 0
  local name reason
  while read -r name; do
    reason=$(awk -v test="$name" '
      $2 == "Test:" && $1 ~ /^[0-9]+\/[0-9]+$/ { current = $3 }
      current == test && /^SKIP: / { sub(/^SKIP: /, ""); print; exit }' "$last")
    skipped+=("$1/$name: ${reason:-no reason given}")
  done < <(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$log")
}

step format bash -c "git ls-files '*.c' '*.cpp' '*.h' | xargs clang-format --dry-run --Werror"

step sanitize cmake --workflow --preset sanitize
count_tests sanitize
if [ -x build/sanitize/bin/packet_fuzz ]; then
  step fuzz scripts/fuzz.sh "${TARNWICK_WOL_FUZZ_SECONDS:-60}"
else
  not_run fuzz "the sanitize build made no fuzz targets"
fi

step linux cmake --workflow --preset linux
count_tests linux
if [ -x build/linux/bin/packet_test ]; then
  step valgrind scripts/valgrind.sh build/linux
else
  not_run valgrind "the linux build made no test programs"
fi

for preset in windows windows-x86 linux-aarch64 linux-armhf linux-s390x; do
  step $preset cmake --workflow --preset $preset
  count_tests $preset
done

# The .NET and PowerShell packages, from the builds above.
if command -v dotnet >/dev/null; then
  step dotnet scripts/test-dotnet.sh
  read -r dotnet_passed dotnet_failed < <(sed -n \
    's/^test-dotnet: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$logs/dotnet.log")
  passed_tests=$((passed_tests + ${dotnet_passed:-0}))
  failed_tests=$((failed_tests + ${dotnet_failed:-0}))
elif [ "${CI:-}" = true ] && [ "$(id -u)" = 0 ]; then
  not_run dotnet "dotnet (the .NET SDK) is not installed"
else
  steps+=("$(printf '%-14s skipped: dotnet (the .NET SDK) is not installed' dotnet)")
fi

echo
echo "== Summary"
printf '  %s\n' "${steps[@]}"
if [ ${#skipped[@]} -gt 0 ]; then
  echo "Skipped tests:"
  printf '  %s\n' "${skipped[@]}"
fi
echo "test-all: $passed_tests passed, $failed_tests failed, $skipped_tests skipped"
exit "$failed"
