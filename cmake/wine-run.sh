#!/bin/sh
# Runs a 64-bit Windows program under Wine: `cmake/wine-run.sh prog.exe ARGS`.
# CTest uses it for the Windows build. The Wine prefix defaults to one of
# our own, created on first use (that first run takes a few seconds).
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/tarnwick-wol-wine-$(id -u)}"
# Wine would start a Linux program too, and report success whatever it did.
case "$1" in
*.exe | *.EXE) ;;
*)
  echo "wine-run.sh: '$1' is not a Windows program (.exe)" >&2
  exit 2
  ;;
esac
for wine in wine64 /usr/lib/wine/wine64 wine; do
  if command -v "$wine" >/dev/null 2>&1; then
    exec "$wine" "$@"
  fi
done
echo "wine-run.sh: Wine is not installed (on Debian: apt-get install wine64)" >&2
exit 127
