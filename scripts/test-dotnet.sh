#!/usr/bin/env bash
# The .NET and PowerShell step of scripts/test-all.sh; runs alone too:
#   scripts/test-dotnet.sh
# Builds both packages (scripts/packages.sh), then tests them as their users
# get them:
#   package_contents   what the two packages hold: files, metadata, each
#                      native library's kind and exports
#   dotnet_package     xunit on .NET 10 against the NuGet package from a
#                      local folder feed
#   netfx_build        .NET Framework projects (x86, x64, AnyCPU) get the
#                      matching DLLs from the package's build files, and the
#                      assembly runs under Mono's .NET Framework
#   csharp_example     examples/csharp built by the .NET SDK and run
#   powershell_module  PowerShell 7 installs the module from a local
#                      repository and wakes 127.0.0.1 through the pipeline
# Everything they write, the SDK's and PowerShell's own files too (HOME,
# NuGet's caches, PowerShell itself, installed modules), stays in
# build/dotnet/test/. Every datagram goes to 127.0.0.1. Ends with
# "test-dotnet: N passed, N failed"; exit status 0 only when nothing failed.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
work=$top/build/dotnet/test
passed=0 failed=0 results=()

# shellcheck source=../tests/cannot_run.sh
source "$top/tests/cannot_run.sh"
command -v dotnet >/dev/null || cannot_run "dotnet (the .NET SDK) is not installed"

# Points every tool's home, cache and settings into the build folder.
isolate() {
  mkdir -p "$work/home"
  export HOME=$work/home DOTNET_CLI_HOME=$work/home
  export XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
  export XDG_CACHE_HOME=$work/home/.cache
  export NUGET_PACKAGES=$work/nuget/packages NUGET_HTTP_CACHE_PATH=$work/nuget/http-cache
  export NUGET_PLUGINS_CACHE_PATH=$work/nuget/plugins-cache
  export DOTNET_NOLOGO=1 DOTNET_CLI_TELEMETRY_OPTOUT=1 DOTNET_SKIP_FIRST_TIME_EXPERIENCE=1
  export DOTNET_CLI_USE_MSBUILD_SERVER=0 MSBUILDDISABLENODEREUSE=1
  export POWERSHELL_TELEMETRY_OPTOUT=1 POWERSHELL_UPDATECHECK=Off
  # The packages keep their version while their contents change, and their
  # files keep the date of the last commit: no copy of an earlier build may
  # be taken from NuGet's cache or left in a test project's output.
  rm -rf "$NUGET_PACKAGES/tarnwick.wol" "$NUGET_PACKAGES/tarnwickwol" \
    "$top/build/dotnet/bin" "$top/build/dotnet/obj"
}

# run_test NAME COMMAND...: runs one test, counts it and notes its time.
run_test() {
  local name=$1 start=$SECONDS status
  shift
  echo "-- $name"
  "$@"
  status=$?
  if [ "$status" = 0 ]; then
    passed=$((passed + 1))
    results+=("$(printf '%-18s passed  %4d s' "$name" $((SECONDS - start)))")
  else
    failed=$((failed + 1))
    results+=("$(printf '%-18s FAILED  %4d s (exit %d)' "$name" $((SECONDS - start)) "$status")")
  fi
}

# The xunit tests, against the package of the given version.
dotnet_package() { # VERSION
  dotnet test "$top/tests/dotnet/Tarnwick.Wol.Tests" --nologo -v:q -p:TarnwickWolVersion="$1"
}

# Builds the packages, runs every test, and sums them up.
main() {
  isolate
  echo "-- packages"
  if ! "$top/scripts/packages.sh"; then
    echo "test-dotnet: 0 passed, 1 failed (the packages were not built)"
    exit 1
  fi
  local version
  version=$(cd "$top/build/packages" && ls Tarnwick.Wol.*.nupkg | sed 's/^Tarnwick\.Wol\.\(.*\)\.nupkg$/\1/')
  run_test package_contents python3 "$top/tests/dotnet/package_contents_test.py" "$top/build/packages" "$version"
  run_test dotnet_package dotnet_package "$version"
  run_test netfx_build bash "$top/tests/dotnet/netfx_test.sh" "$version"
  run_test csharp_example bash "$top/tests/dotnet/csharp_example_test.sh" "$top/build/dotnet/stage/runtimes/linux-x64/native/libtarnwick-wol.so"
  run_test powershell_module bash "$top/tests/powershell/powershell_test.sh" "$top/build/packages" "$version"
  echo
  printf '  %s\n' "${results[@]}"
  echo "test-dotnet: $passed passed, $failed failed"
  [ "$failed" = 0 ]
}

main "$@"
