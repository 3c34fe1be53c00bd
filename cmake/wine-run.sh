#!/bin/sh
# Runs a 64-bit Windows program under Wine: `cmake/wine-run.sh prog.exe ARGS`.
# CTest uses it for the Windows build. Unless WINEPREFIX says otherwise, the
# Wine prefix is one of our own in the user's cache folder, created on first
# use (that first run takes a few seconds). Wine refuses a prefix in a folder
# that someone else owns, such as a shared /tmp, so it is never put there.
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
if [ -z "${WINEPREFIX:-}" ]; then
  cache=${XDG_CACHE_HOME:-${HOME:-}/.cache}
  if [ -z "${XDG_CACHE_HOME:-}" ] && [ -z "${HOME:-}" ]; then
    echo "wine-run.sh: neither XDG_CACHE_HOME nor HOME is set, so there is no place for" \
      "the Wine prefix; set WINEPREFIX to a folder of yours" >&2
    exit 2
  fi
  mkdir -p "$cache/tarnwick-wol" || {
    echo "wine-run.sh: cannot create $cache/tarnwick-wol for the Wine prefix;" \
      "set WINEPREFIX to a folder of yours" >&2
    exit 2
  }
  export WINEPREFIX="$cache/tarnwick-wol/wine-$WINEARCH"
fi
# Wine 10 tries a Wayland display, and libwayland prints an error on every
# start when there is no runtime folder (as in a chroot or a bare CI shell).
# The programs here need no display: a private, empty runtime folder keeps
# their output their own.
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ] || [ ! -O "$XDG_RUNTIME_DIR" ]; then
  export XDG_RUNTIME_DIR="$WINEPREFIX.runtime"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR" || exit 2
fi
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
