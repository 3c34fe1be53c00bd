#!/usr/bin/env bash
# .NET Framework projects read no runtimes/ folder: the package's build files
# must copy the DLL that matches the project's platform.
#   netfx_test.sh VERSION
# Builds tests/dotnet/consumer, which references the package, for net462
# as x86, x64, AnyCPU and with a RuntimeIdentifier, and for net10.0; checks
# which tarnwick-wol.dll each output holds, and where. Then runs the AnyCPU
# net462 program under Mono, a .NET Framework runtime, against the Linux
# library: the netstandard2.0 assembly without .NET's NativeLibrary wakes
# 127.0.0.1. Needs the environment of scripts/test-dotnet.sh.
set -euo pipefail
version=$1
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
work=$top/build/dotnet/test/consumer
package=$NUGET_PACKAGES/tarnwick.wol/$version
status=0
rm -rf "$work"

# Builds the consumer into a tree of its own: build NAME ARGUMENT...
build() {
  local name=$1
  shift
  dotnet build "$here/consumer" --nologo -v:q --artifacts-path "$work/$name" \
    -p:TarnwickWolVersion="$version" "$@" >"$work/$name.log" 2>&1 || {
    cat "$work/$name.log"
    echo "FAIL: the $name build failed" >&2
    exit 1
  }
}

# Checks that an output folder holds tarnwick-wol.dll exactly where it
# should, each one the package's DLL of that runtime:
#   expect OUTPUT PATH=RID...   (no PATH=RID: no tarnwick-wol.dll at all)
expect() {
  local output=$1 found wanted=() entry
  shift
  for entry in "$@"; do
    wanted+=("${entry%%=*}")
    if ! cmp -s "$output/${entry%%=*}" "$package/runtimes/${entry#*=}/native/tarnwick-wol.dll"; then
      echo "FAIL: $output/${entry%%=*} is not the package's ${entry#*=} DLL" >&2
      status=1
    fi
  done
  found=$(cd "$output" && find . -name tarnwick-wol.dll | sed 's|^\./||' | sort | tr '\n' ' ')
  if [ "$found" != "$(printf '%s\n' "${wanted[@]}" | sed '/^$/d' | sort | tr '\n' ' ')" ]; then
    echo "FAIL: $output holds tarnwick-wol.dll as: ${found:-nothing}; expected: ${wanted[*]:-nothing}" >&2
    status=1
  fi
  echo "${output#"$work"/}: ${found:-no tarnwick-wol.dll}"
}

mkdir -p "$work"
build anycpu
build x86 -f net462 -p:PlatformTarget=x86
build x64 -f net462 -p:PlatformTarget=x64
build rid -f net462 -p:RuntimeIdentifier=win-x86
expect "$work/anycpu/bin/Consumer/debug_net462" x86/tarnwick-wol.dll=win-x86 x64/tarnwick-wol.dll=win-x64
expect "$work/x86/bin/Consumer/debug_net462" tarnwick-wol.dll=win-x86
expect "$work/x64/bin/Consumer/debug_net462" tarnwick-wol.dll=win-x64
# With a RuntimeIdentifier, NuGet copies the runtime's DLL itself.
expect "$work/rid/bin/Consumer/debug_net462_win-x86" tarnwick-wol.dll=win-x86
# .NET takes runtimes/ as it is, through deps.json.
expect "$work/anycpu/bin/Consumer/debug_net10.0" runtimes/win-x64/native/tarnwick-wol.dll=win-x64 \
  runtimes/win-x86/native/tarnwick-wol.dll=win-x86

if command -v mono >/dev/null; then
  (cd "$work/anycpu/bin/Consumer/debug_net462" &&
    LD_LIBRARY_PATH=$package/runtimes/linux-x64/native \
      python3 "$top/tests/run_with_receiver.py" 0A:1B:2C:3D:4E:5F mono Consumer.exe) || status=1
else
  echo "note: mono is not installed (on Debian: mono-runtime); the net462 program was not run"
fi
[ "$status" = 0 ] && echo "ok: .NET Framework projects get the DLLs of their platform"
exit "$status"
