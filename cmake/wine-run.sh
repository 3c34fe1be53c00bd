#!/usr/bin/env bash
# Runs a Windows program under Wine: `cmake/wine-run.sh prog.exe ARGS`.
# CTest uses it for the Windows builds. A 64-bit program runs in a 64-bit
# Wine prefix, a 32-bit (x86) one in a 32-bit prefix of its own: a 64-bit
# prefix made before Wine's 32-bit half was installed cannot run 32-bit
# programs. Unless WINEPREFIX says otherwise, the prefix is one of ours in
# the user's cache folder, created on first use (that first run takes a few
# seconds). Wine refuses a prefix in a folder that someone else owns, such
# as a shared /tmp, so it is never put there.
#
#   cmake/wine-run.sh --check win32|win64|prog.exe
# tells, by trying, whether Wine runs such programs on this machine: silent
# with status 0 when it does; otherwise one line that says why, with status
#   77   this machine cannot: its kernel runs no 32-bit x86 program (IA32
#        emulation is off), and Wine's 32-bit half is one; or
#        TARNWICK_WOL_NO_WINE32=1 says so, to try that case on any machine
#   127  Wine, or its 32-bit half, is not installed
#   1    Wine is installed but does not start (with the last lines it printed)
# The build asks it when it is configured: where the answer is 77, the tests
# that run programs are registered as skipped, with that line as the reason.
# WINE names the Wine loader to use, in place of the system's (as winetricks
# reads it).
#
#   cmake/wine-run.sh --start-server prog.exe | --stop-server prog.exe
# keeps the Wine server of prog.exe's prefix running from one program to the
# next, and stops it: CTest's fixture around the Windows tests. Debian's
# server leaves as soon as its last program has, and a program that starts
# at that moment fails with "recvmsg: Connection reset by peer"; each start
# also costs seconds.
export WINEDEBUG="${WINEDEBUG:--all}"
# Wine turns the system's names (interfaces, files) into Windows' UTF-16 by
# the locale's character set: without a UTF-8 locale (none set, as in a
# minimal system or under env -i), an adapter named in UTF-8 reaches the
# program garbled. glibc always has C.UTF-8.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
  export LC_ALL=C.UTF-8
fi

mode=run
case "${1:-}" in
--check | --start-server | --stop-server)
  mode=$1
  shift
  ;;
esac
program=${1:-}
if [ "$mode" = --check ] && { [ "$program" = win32 ] || [ "$program" = win64 ]; }; then
  arch=$program
else
  # Wine would start a Linux program too, and report success whatever it did.
  case "$program" in
  *.exe | *.EXE) ;;
  *)
    echo "wine-run.sh: '$program' is not a Windows program (.exe)" >&2
    exit 2
    ;;
  esac
  if [ ! -r "$program" ]; then
    echo "wine-run.sh: cannot read '$program'" >&2
    exit 2
  fi
  # The machine in the program's PE header: its offset is at 0x3c, and the
  # machine follows the four-byte signature there (0x14c for x86).
  pe_offset=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
  machine=$(od -An -tx1 -j$((pe_offset + 4)) -N2 "$program" | tr -d ' ')
  arch=win64
  [ "$machine" != 4c01 ] || arch=win32
fi

if [ "$arch" = win32 ]; then
  # Debian's 32-bit loader (wine32) first; its wine falls back to wine64,
  # which cannot run a 32-bit prefix.
  wines=(/usr/lib/wine/wine wine)
  missing="Wine's 32-bit half is not installed (on Debian: dpkg --add-architecture i386;"
  missing+=" apt-get update; apt-get install wine32:i386)"
else
  wines=(wine64 /usr/lib/wine/wine64 wine)
  missing="Wine is not installed (on Debian: apt-get install wine64)"
fi
export WINEARCH=$arch
[ -z "${WINE:-}" ] || wines=("$WINE")

# first_command NAME...: the first of NAME... that can run here.
first_command() {
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null 2>&1; then
      echo "$name"
      return 0
    fi
  done
  return 1
}

# last_lines FILE: the end of what Wine printed, on one line.
last_lines() {
  tail -n 5 "$1" | tr -s '\r\n' '  ' | sed 's/ *$//'
}

# wine_runs: whether $wine runs here, by asking it its version; else prints
# why on one line and returns the status that --check gives.
wine_runs() {
  local output
  # The C locale for the system's own words ("Exec format error").
  output=$(LC_ALL=C "$wine" --version 2>&1) && return 0
  # A 32-bit x86 program that the kernel refuses: bytes 4 and 18 of its ELF
  # header are its class (1: 32-bit) and its machine (3: x86).
  if [[ $output == *"Exec format error"* ]] &&
    [ "$(od -An -tx1 -j4 -N1 "$(command -v "$wine")" | tr -d ' ')" = 01 ] &&
    [ "$(od -An -tx1 -j18 -N1 "$(command -v "$wine")" | tr -d ' ')" = 03 ]; then
    echo "this kernel cannot run 32-bit x86 programs (IA32 emulation is off), which Wine's 32-bit half needs"
    return 77
  fi
  echo "Wine does not start ($wine --version): $(echo "$output" | tail -n 5 | tr '\n' ' ' | sed 's/ *$//')"
  return 1
}

# check: the answer of --check, printed as it says.
check() {
  if [ "$arch" = win32 ] && [ -n "${TARNWICK_WOL_NO_WINE32:-}" ] && [ "$TARNWICK_WOL_NO_WINE32" != 0 ]; then
    echo "TARNWICK_WOL_NO_WINE32=$TARNWICK_WOL_NO_WINE32 says that this machine cannot run 32-bit x86 programs, which Wine's 32-bit half needs"
    return 77
  fi
  if [ "$arch" = win32 ] && [ -z "${WINE:-}" ] && [ -x /usr/lib/wine/wine64 ] &&
    [ ! -x /usr/lib/wine/wine ]; then
    echo "$missing"
    return 127
  fi
  wine=$(first_command "${wines[@]}") || {
    echo "$missing"
    return 127
  }
  wine_runs
}

if [ "$mode" = --check ]; then
  check
  exit
fi
reason=$(check) || {
  status=$?
  echo "wine-run.sh: $reason" >&2
  exit "$status"
}
wine=$(first_command "${wines[@]}")

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

[ "$mode" = run ] && exec "$wine" "$@"

# The server itself, not Debian's wrapper (which adds -p0); the 64-bit one
# serves 32-bit programs too. WINESERVER, which Wine itself reads, names
# another.
server=$(first_command ${WINESERVER:+"$WINESERVER"} /usr/lib/wine/wineserver64 \
  /usr/lib/wine/wineserver32 wineserver) || {
  echo "wine-run.sh: no wineserver beside Wine" >&2
  exit 127
}
if [ "$mode" = --stop-server ]; then
  "$server" -k </dev/null >/dev/null 2>&1 || true # none running is fine
  exit 0
fi
mkdir -p "$WINEPREFIX" || exit 2
log=$WINEPREFIX/tarnwick-wol-server.log
# A new prefix is made as Wine makes one, by a first program with a server
# of its own, which is then let go.
if [ ! -e "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot.exe </dev/null >"$log" 2>&1
  timeout 60 "$server" -w </dev/null >>"$log" 2>&1
  [ -e "$WINEPREFIX/system.reg" ] || {
    echo "wine-run.sh: Wine cannot make its prefix $WINEPREFIX: $(last_lines "$log")" >&2
    exit 1
  }
fi
# Persistent until stopped (status 2: one already runs). Wine's own
# processes (services.exe, explorer.exe...) start with the first program and
# keep its output open as long as they live: wineboot starts them here, with
# a file for output, so that no test's output stays open after the test.
"$server" -p </dev/null >"$log" 2>&1 || [ $? = 2 ] || {
  echo "wine-run.sh: the Wine server does not start for $WINEPREFIX: $(last_lines "$log")" >&2
  exit 1
}
"$wine" wineboot.exe </dev/null >"$log" 2>&1 || {
  echo "wine-run.sh: Wine does not start in $WINEPREFIX: $(last_lines "$log")" >&2
  exit 1
}
