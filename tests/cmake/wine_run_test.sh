#!/usr/bin/env bash
# cmake/wine-run.sh's answers when Wine cannot run a program, with fake Wine
# loaders and servers (WINE, WINESERVER): whether this machine can run
# Windows programs is decided by trying, the kernel's refusal of a 32-bit x86
# loader is told apart from other failures, TARNWICK_WOL_NO_WINE32 forces
# "no" for 32-bit programs only, and every failure carries the last lines
# Wine printed.
#   wine_run_test.sh WINE_RUN_SH
set -euo pipefail
wine_run=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Fake loaders. A 32-bit x86 ELF header that no kernel runs (its program
# header entries have the wrong size), standing in for Wine's 32-bit half on
# a kernel without IA32 emulation; the same for ARM; a loader that fails
# with words of its own; one that makes no prefix; one that works.
elf() { # FILE MACHINE_BYTE: an ELF32 header of that machine, e_phentsize 0
  {
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'
    printf '\002\000'
    printf "\\$(printf %03o "$2")"
    printf '\000\001\000\000\000\124\200\004\010\064\000\000\000'
    printf '\000\000\000\000\000\000\000\000\064\000\000\000\001\000\000\000\000\000'
  } >"$1"
  chmod +x "$1"
}
elf "$work/x86-loader" 3
elf "$work/arm-loader" 40
fake() { # NAME BODY: a shell script
  printf '#!/bin/sh\n%s\n' "$2" >"$work/$1"
  chmod +x "$work/$1"
}
fake broken-loader 'echo "wine: loading libwine: No such file" >&2
echo "wine: could not load ntdll.so: cannot open shared object file" >&2
exit 1'
fake working-loader '[ "$1" = --version ] && echo wine-9.0 && exit 0
echo "wine: starting $*"; exit 0'
fake no-prefix-loader '[ "$1" = --version ] && echo wine-9.0 && exit 0
echo "err:environ:init_peb starting $1 failed" >&2
echo "wine: failed to initialize: 00000005 Access denied" >&2
exit 1'
fake idle-server 'exit 0'
fake failing-server '[ "$1" = -p ] || exit 0
echo "wineserver: bind /tmp/.wine-0/server/socket: Address in use" >&2
exit 1'
program=$work/program.exe # a PE header's machine: 0x14c, x86
{
  head -c 60 /dev/zero
  printf '\100\000\000\000PE\000\000\114\001'
} >"$program"

failures=0
# check DESCRIPTION STATUS TEXT ENV... -- ARGS...: wine-run.sh with ARGS and
# ENV gives STATUS, and its output (both streams) contains TEXT.
check() {
  local what=$1 want_status=$2 want_text=$3 status=0 output
  shift 3
  local env=()
  while [ "$1" != -- ]; do
    env+=("$1")
    shift
  done
  shift
  output=$(env -u WINE -u WINESERVER -u TARNWICK_WOL_NO_WINE32 WINEPREFIX="$work/prefix" \
    "${env[@]}" "$wine_run" "$@" 2>&1) || status=$?
  if [ "$status" = "$want_status" ] && [[ $output == *"$want_text"* ]]; then
    echo "ok: $what"
  else
    printf 'FAIL: %s: status %s, output:\n%s\nexpected status %s and: %s\n' \
      "$what" "$status" "$output" "$want_status" "$want_text" >&2
    failures=$((failures + 1))
  fi
}

kernel="this kernel cannot run 32-bit x86 programs (IA32 emulation is off), which Wine's 32-bit half needs"
forced="TARNWICK_WOL_NO_WINE32=1 says that this machine cannot run 32-bit x86 programs"
check "a loader that runs" 0 "" WINE="$work/working-loader" -- --check win32
check "a 32-bit x86 loader that the kernel refuses" 77 "$kernel" \
  WINE="$work/x86-loader" -- --check win32
check "the kernel's refusal, asked with a program" 77 "$kernel" \
  WINE="$work/x86-loader" -- --check "$program"
check "the kernel's refusal stops a run before Wine" 77 "wine-run.sh: $kernel" \
  WINE="$work/x86-loader" -- "$program"
check "another machine's loader refused is not the kernel's IA32 answer" 1 \
  "Exec format error" WINE="$work/arm-loader" -- --check win32
check "a loader that fails, in its own words" 1 \
  "wine: could not load ntdll.so: cannot open shared object file" \
  WINE="$work/broken-loader" -- --check win64
check "no loader" 127 "Wine is not installed (on Debian: apt-get install wine64)" \
  WINE="$work/none" -- --check win64
check "TARNWICK_WOL_NO_WINE32=1 says no for 32-bit programs" 77 "$forced" \
  WINE="$work/working-loader" TARNWICK_WOL_NO_WINE32=1 -- --check win32
check "TARNWICK_WOL_NO_WINE32=1 leaves 64-bit programs" 0 "" \
  WINE="$work/working-loader" TARNWICK_WOL_NO_WINE32=1 -- --check win64
check "TARNWICK_WOL_NO_WINE32=0 says nothing" 0 "" \
  WINE="$work/working-loader" TARNWICK_WOL_NO_WINE32=0 -- --check win32
check "--start-server where the loader cannot run" 77 "wine-run.sh: $kernel" \
  WINE="$work/x86-loader" -- --start-server "$program"
check "--start-server where the prefix cannot be made" 1 \
  "Wine cannot make its prefix $work/prefix: err:environ:init_peb starting wineboot.exe failed wine: failed to initialize: 00000005 Access denied" \
  WINE="$work/no-prefix-loader" WINESERVER="$work/idle-server" -- --start-server "$program"
mkdir -p "$work/prefix" && touch "$work/prefix/system.reg"
check "--start-server where the server does not start" 1 \
  "the Wine server does not start for $work/prefix: wineserver: bind /tmp/.wine-0/server/socket: Address in use" \
  WINE="$work/working-loader" WINESERVER="$work/failing-server" -- --start-server "$program"
check "--start-server where Wine does not start" 1 \
  "Wine does not start in $work/prefix: err:environ:init_peb starting wineboot.exe failed" \
  WINE="$work/no-prefix-loader" WINESERVER="$work/idle-server" -- --start-server "$program"
check "a file that is no Windows program" 2 "is not a Windows program (.exe)" \
  WINE="$work/working-loader" -- --check "$work/working-loader"

[ "$failures" = 0 ] || exit 1
