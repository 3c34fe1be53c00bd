#!/usr/bin/env bash
# Compiles the C# binding (examples/csharp) with Mono's compiler, then runs
# the host test and the example, waking receivers on 127.0.0.1, with nothing
# but the runtime library on the search path: libtarnwick-wol.so.1, as the
# runtime package installs it, without the bare .so of the -dev package.
#   csharp_host_test.sh LIBRARY
set -euo pipefail
library=$1
here=$(cd "$(dirname "$0")" && pwd)
example=$here/../../examples/csharp
receiver=$here/../run_with_receiver.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck source=../cannot_run.sh
source "$here/../cannot_run.sh"
for tool in mcs mono; do
  command -v "$tool" >/dev/null ||
    cannot_run "$tool is not installed (on Debian: mono-mcs, mono-runtime)"
done
mkdir "$work/runtime" "$work/bare"
cp "$library" "$work/runtime/libtarnwick-wol.so.1"
mcs -warnaserror -out:"$work/host_test.exe" "$here/HostTest.cs" "$example/TarnwickWol.cs"
mcs -warnaserror -out:"$work/wol.exe" "$example/Program.cs" "$example/TarnwickWol.cs"
cp "$work/wol.exe" "$work/bare/"
cp "$example/wol.exe.config" "$work/wol.exe.config"
cp "$example/wol.exe.config" "$work/host_test.exe.config"
export LD_LIBRARY_PATH=$work/runtime

# Without the dllmap, Mono looks for the bare libtarnwick-wol.so, which is
# not there: the search path holds the runtime library alone.
set +e
message=$(mono "$work/bare/wol.exe" 0A:1B:2C:3D:4E:5F 127.0.0.1 9 2>&1)
set -e
grep -q DllNotFoundException <<<"$message" || {
  echo "FAIL: without its .config the example did not miss the library: $message" >&2
  exit 1
}

python3 "$receiver" 0A:1B:2C:3D:4E:5F mono "$work/host_test.exe"
python3 "$receiver" 0A:1B:2C:3D:4E:5F mono "$work/wol.exe" 0A:1B:2C:3D:4E:5F 127.0.0.1
set +e
message=$(mono "$work/wol.exe" 0A-1B-2C-3D-4E-5F 127.0.0.1 9 2>&1)
status=$?
set -e
[ "$status $message" = "1 wol: mac contains non-hex characters" ] || {
  echo "FAIL: the example said ($status): $message" >&2
  exit 1
}
echo "ok: the C# binding works under Mono"
