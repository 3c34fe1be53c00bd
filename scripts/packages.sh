#!/usr/bin/env bash
# Builds the .NET and PowerShell packages into build/packages/:
#   Tarnwick.Wol.VERSION.nupkg   the NuGet package: the netstandard2.0
#                                assembly and the native library of every
#                                runtime in runtimes/RID/native/
#   TarnwickWol.VERSION.nupkg    the PowerShell module, in the PowerShell
#                                Gallery's format, on the same assembly
#   scripts/packages.sh
# Each native library comes from its preset's build folder, build/PRESET,
# configured if it is not yet and built only as far as the library (the
# test suite's build is reused as it is). The version is the project's own,
# read from the linux preset's configured build. Needs the .NET SDK
# (dotnet) and what the presets need; no network but the NuGet source that
# restores the SDK's packages.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$top/build/packages
stage=$top/build/dotnet/stage

# Preset and .NET runtime identifier of each native library.
runtimes=(
  windows:win-x64
  windows-x86:win-x86
  linux:linux-x64
  linux-aarch64:linux-arm64
  linux-armhf:linux-arm
  linux-s390x:linux-s390x
)

# Configures (if needed) and builds a preset's library, then installs it
# stripped into the stage as runtimes/RID/native/, under the name that .NET
# probes for "tarnwick-wol": tarnwick-wol.dll, or the unversioned .so.
stage_native() { # PRESET RID
  local preset=$1 rid=$2 build=$top/build/$1 prefix file
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset "$preset" >/dev/null
  fi
  cmake --build --preset "$preset" --target tarnwick-wol >/dev/null
  prefix=$stage/install/$preset
  rm -rf "$prefix"
  cmake --install "$build" --component runtime --strip --prefix "$prefix" >/dev/null
  file=$(find "$prefix" -type f \( -name tarnwick-wol.dll -o -name 'libtarnwick-wol.so.*' \))
  [ "$(wc -l <<<"$file")" = 1 ] && [ -n "$file" ] || {
    echo "packages.sh: expected one library in $prefix, found: ${file:-none}" >&2
    exit 1
  }
  mkdir -p "$stage/runtimes/$rid/native"
  case "$file" in
  *.dll) cp "$file" "$stage/runtimes/$rid/native/tarnwick-wol.dll" ;;
  *) cp "$file" "$stage/runtimes/$rid/native/libtarnwick-wol.so" ;;
  esac
  echo "  $rid: $(basename "$file") from build/$preset"
}

# The project's version, as CMake configured it.
project_version() {
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$top/build/linux/CMakeCache.txt"
}

# Lays out the PowerShell module (manifest, script module, the assembly
# that the NuGet package holds, the native libraries, licence) and packs it.
pack_module() { # VERSION TIMESTAMP
  local version=$1 timestamp=$2 module=$stage/module/TarnwickWol
  rm -rf "$stage/module"
  mkdir -p "$module"
  cp "$top/build/dotnet/bin/Tarnwick.Wol/release/Tarnwick.Wol.dll" "$module/"
  cp -r "$stage/runtimes" "$module/"
  sed "s/@VERSION@/$version/" "$top/bindings/powershell/TarnwickWol.psd1.in" >"$module/TarnwickWol.psd1"
  cp "$top/bindings/powershell/TarnwickWol.psm1" "$top/LICENSE" "$module/"
  cp -r "$top/bindings/powershell/en-US" "$module/"
  dotnet pack "$top/bindings/powershell/TarnwickWol.Module.csproj" --nologo -v:q -nodeReuse:false \
    -o "$out" -p:Version="$version" -p:TarnwickWolModuleDir="$module" \
    ${timestamp:+-p:DeterministicTimestamp=$timestamp}
}

# Stages the six native libraries, then packs both packages.
main() {
  command -v dotnet >/dev/null || {
    echo "packages.sh: needs the .NET SDK (dotnet), which is not installed" >&2
    exit 1
  }
  rm -rf "$stage" "$out"
  mkdir -p "$stage" "$out"
  echo "native libraries:"
  local entry
  for entry in "${runtimes[@]}"; do
    stage_native "${entry%%:*}" "${entry#*:}"
  done
  local version
  version=$(project_version)
  [ -n "$version" ] || {
    echo "packages.sh: no CMAKE_PROJECT_VERSION in build/linux/CMakeCache.txt" >&2
    exit 1
  }
  # The same sources give the same package, byte for byte: the files in it
  # are dated at the last commit (or SOURCE_DATE_EPOCH).
  local timestamp=${SOURCE_DATE_EPOCH:-$(git -C "$top" log -1 --format=%ct 2>/dev/null || true)}
  dotnet pack "$top/bindings/dotnet/Tarnwick.Wol.csproj" --nologo -v:q -nodeReuse:false -c Release \
    -o "$out" -p:Version="$version" -p:TarnwickWolNativeDir="$stage/runtimes" \
    -p:ContinuousIntegrationBuild=true ${timestamp:+-p:DeterministicTimestamp=$timestamp}
  pack_module "$version" "$timestamp"
  echo "packages in build/packages:"
  (cd "$out" && ls -1 ./*.nupkg | sed 's|^\./|  |')
}

main "$@"
