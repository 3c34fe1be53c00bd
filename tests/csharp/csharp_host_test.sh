#!/usr/bin/env bash
# Compiles the C# binding (examples/csharp) with Mono's compiler, then runs
# the host test and the example against the .so, waking receivers on
# 127.0.0.1.
#   csharp_host_test.sh LIBRARY_DIR
set -euo pipefail
library_dir=$1
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
mcs -warnaserror -out:"$work/host_test.exe" "$here/HostTest.cs" "$example/TarnwickWol.cs"
mcs -warnaserror -out:"$work/wol.exe" "$example/Program.cs" "$example/TarnwickWol.cs"
# Mono finds libtarnwick-wol.so for "tarnwick-wol" on the library path.
export LD_LIBRARY_PATH=$library_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}

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
