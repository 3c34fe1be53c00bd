#!/bin/sh
# Runs a 64-bit Windows program under Wine: `cmake/wine-run.sh prog.exe ARGS`.
# CTest uses it for the Windows build. The Wine prefix defaults to one of
# our own, created on first use (that first run takes a few seconds).
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/tarnwick-wol-wine-$(id -u)}"
if command -v wine64 >/dev/null 2>&1; then
  exec wine64 "$@"
fi
exec /usr/lib/wine/wine64 "$@"
