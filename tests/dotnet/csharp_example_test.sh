#!/usr/bin/env bash
# The C# example (examples/csharp) built by the .NET SDK and run on .NET 10,
# which ignores Mono's dllmap: its resolver must find the library under each
# name a Linux machine may have it, and fall back to .NET's own search.
#   csharp_example_test.sh LIBRARY     (the .so to install under each name)
# On the library path, in turn:
#   libtarnwick-wol.so.1 alone  (the runtime package): the resolver loads it
#   libtarnwick-wol.so alone    (-dev, a NuGet package): .NET's own search
#   neither                     DllNotFoundException, not a crash elsewhere
# and a refused MAC address prints the library's message. Every wake-up goes
# to a receiver on 127.0.0.1. Needs the environment of scripts/test-dotnet.sh.
set -euo pipefail
library=$1
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
receiver=$top/tests/run_with_receiver.py
work=$top/build/dotnet/test/example
rm -rf "$work"
mkdir -p "$work/versioned" "$work/unversioned" "$work/none"
cp "$library" "$work/versioned/libtarnwick-wol.so.1"
cp "$library" "$work/unversioned/libtarnwick-wol.so"

dotnet build "$here/example" --nologo -v:q -o "$work/bin" >"$work/build.log" 2>&1 || {
  cat "$work/build.log"
  exit 1
}
wol=$work/bin/wol.dll

for folder in versioned unversioned; do
  echo "library path: $(ls "$work/$folder")"
  LD_LIBRARY_PATH=$work/$folder python3 "$receiver" 0A:1B:2C:3D:4E:5F \
    dotnet "$wol" 0A:1B:2C:3D:4E:5F 127.0.0.1
done

set +e
message=$(LD_LIBRARY_PATH=$work/none dotnet "$wol" 0A:1B:2C:3D:4E:5F 127.0.0.1 9 2>&1)
set -e
grep -q 'System.DllNotFoundException' <<<"$message" || {
  echo "FAIL: without the library the example did not say DllNotFoundException: $message" >&2
  exit 1
}

set +e
message=$(LD_LIBRARY_PATH=$work/versioned dotnet "$wol" 0A-1B-2C-3D-4E-5F 127.0.0.1 9 2>&1)
status=$?
set -e
[ "$status $message" = "1 wol: mac contains non-hex characters" ] || {
  echo "FAIL: the example said ($status): $message" >&2
  exit 1
}
echo "ok: the C# example runs on .NET with either name of the library"
