#!/usr/bin/env bash
# Proves tarnwick-wol.lib the way a Visual Studio user would use it: a C
# host compiled with clang-cl for the MSVC target of the DLL's machine
# (x86_64-pc-windows-msvc, or i686-pc-windows-msvc with the header's
# __stdcall) and linked with lld-link against lib/tarnwick-wol.lib from the
# install tree, run under Wine beside tarnwick-wol.dll, wakes 127.0.0.1.
#
#   msvc_host_test.sh BUILD_DIR EMULATOR...
set -euo pipefail
build_dir=$1
emulator=("${@:2}")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=../../cannot_run.sh
source "$here/../../cannot_run.sh"

find_tool() { # NAME...: the first one installed
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null; then
      command -v "$name"
      return
    fi
  done
  cannot_run "none of $* is installed (on Debian: clang, lld, llvm)"
}
clang=$(find_tool clang clang-19 clang-16 clang-15 clang-14)
lld_link=$(find_tool lld-link lld-link-19 lld-link-16 lld-link-15 lld-link-14)
dlltool=$(find_tool llvm-dlltool llvm-dlltool-19 llvm-dlltool-16 llvm-dlltool-15 llvm-dlltool-14)

cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
[ -f "$work/prefix/lib/tarnwick-wol.lib" ] || { echo "FAIL: no lib/tarnwick-wol.lib installed" >&2; exit 1; }

# The DLL's machine, from its PE header (at the offset found at 0x3c, after
# the four-byte signature).
dll=$work/prefix/bin/tarnwick-wol.dll
pe_offset=$(od -An -tu4 -j60 -N4 "$dll" | tr -d ' ')
case $(od -An -tx1 -j$((pe_offset + 4)) -N2 "$dll" | tr -d ' ') in
4c01) target=i686-pc-windows-msvc ;;
6486) target=x86_64-pc-windows-msvc ;;
*) echo "FAIL: tarnwick-wol.dll is for a machine this test does not know" >&2; exit 1 ;;
esac
echo "host: $target"
if [ "$target" = i686-pc-windows-msvc ]; then
  "$dlltool" -m i386 -k -d "$here/kernel32.def" -l "$work/kernel32.lib"
else
  sed 's/@[0-9]*$//' "$here/kernel32.def" >"$work/kernel32.def"
  "$dlltool" -m i386:x86-64 -d "$work/kernel32.def" -l "$work/kernel32.lib"
fi
"$clang" --driver-mode=cl --target="$target" /nologo /c /O2 /GS- /W4 /WX \
  /I "$work/prefix/include" /Fo"$work/msvc_host.obj" -- "$here/msvc_host.c" # '--': a path is no option
"$lld_link" /nologo /entry:start /subsystem:console /nodefaultlib /out:"$work/msvc_host.exe" \
  "$work/msvc_host.obj" "$work/prefix/lib/tarnwick-wol.lib" "$work/kernel32.lib"
cp "$dll" "$work/"
python3 "$here/../../run_with_receiver.py" 0A:1B:2C:3D:4E:5F "${emulator[@]}" "$work/msvc_host.exe"
