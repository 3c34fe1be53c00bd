#!/usr/bin/env bash
# Checks what a stripped install (`cmake --install --strip`, as users and
# CPack install) gives users: the library and the tools carry no symbol table,
# no debug sections (and as ELF files no .comment), and both are hardened:
# the .so as Debian builds its libraries (stack protector, full RELRO with
# immediate binding, CET landing pads on x86-64), the DLL and the program
# with ASLR (high entropy on 64-bit) and NX. In the optimised configurations
# (Release, MinSizeRel) the library stays small.
#
# The .so's size counted is what loading it maps, its code and data, not
# the file's: aarch64 aligns segments to 64 KiB, so its 67 KB file holds
# under 7 KB of them.
#   artifact_test.sh BUILD_DIR OBJDUMP CONFIG
set -euo pipefail
build_dir=$1 objdump=$2 config=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --config "$config" --prefix "$work" --strip >/dev/null

status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}
# at_most FILE BYTES: in an optimised configuration.
at_most() {
  local size
  size=$(stat -c %s "$1")
  case "$config" in
  Release | MinSizeRel)
    echo "$(basename "$1"): $size bytes (at most $2)"
    [ "$size" -le "$2" ] || fail "$(basename "$1") is larger than $2 bytes"
    ;;
  *) echo "$(basename "$1"): $size bytes ($config: no limit)" ;;
  esac
}
# loadable_at_most FILE BYTES: the LOAD segments' sizes in memory.
loadable_at_most() {
  local size=0 memsz
  for memsz in $(readelf -lW "$1" | awk '$1 == "LOAD" {print $6}'); do
    size=$((size + memsz))
  done
  [ "$size" -gt 0 ] || fail "$(basename "$1") has no loadable segment"
  case "$config" in
  Release | MinSizeRel)
    echo "$(basename "$1"): $size bytes of code and data, $(stat -c %s "$1") in the file" \
      "(at most $2 loaded)"
    [ "$size" -le "$2" ] || fail "$(basename "$1") loads $size bytes, more than $2"
    ;;
  *) echo "$(basename "$1"): $size bytes of code and data ($config: no limit)" ;;
  esac
}
# no_debug FILE: no debug sections and no symbol table.
no_debug() {
  local sections
  if [[ $1 == *.dll || $1 == *.exe ]]; then
    sections=$("$objdump" -h "$1" | awk '$2 ~ /^\./ {print $2}')
  else
    sections=$(readelf -SW "$1" | sed -n 's/^ *\[ *[0-9]*\] \([^ ]*\).*/\1/p')
  fi
  if grep -E '^\.(debug|zdebug|symtab|stab)' <<<"$sections"; then
    fail "$(basename "$1") has debug or symbol sections"
  fi
}

if [ -f "$work/bin/tarnwick-wol.dll" ]; then
  dll=$work/bin/tarnwick-wol.dll
  at_most "$dll" 24576
  for file in "$dll" "$work"/bin/wol-{wake,listen,relay}.exe; do
    [ -f "$file" ] || continue
    no_debug "$file"
    header=$("$objdump" -p "$file")
    grep -q 'no symbols' <<<"$("$objdump" -t "$file")" || fail "$(basename "$file") has a symbol table"
    flags="DYNAMIC_BASE NX_COMPAT"
    # High-entropy ASLR exists for 64-bit images (PE32+) only.
    if grep -qE '^Magic[[:space:]]+020b' <<<"$header"; then
      flags+=" HIGH_ENTROPY_VA"
    fi
    for flag in $flags; do
      grep -qw "$flag" <<<"$header" || fail "$(basename "$file") lacks $flag"
    done
  done
else
  so=$(find "$work" -name 'libtarnwick-wol.so.*.*.*' -type f)
  loadable_at_most "$so" 8192
  for file in "$so" "$work"/bin/wol-{wake,listen,relay}; do
    [ -f "$file" ] || continue
    no_debug "$file"
    dynamic=$(readelf -dW "$file")
    grep -q 'BIND_NOW' <<<"$dynamic" || fail "$(basename "$file") is not bound immediately (-z now)"
    grep -q GNU_RELRO <<<"$(readelf -lW "$file")" || fail "$(basename "$file") has no RELRO"
    if grep -q '\.comment' <<<"$(readelf -SW "$file")"; then
      fail "$(basename "$file") keeps a .comment section"
    fi
    grep -q __stack_chk_fail <<<"$(readelf -sW --dyn-syms "$file")" ||
      fail "$(basename "$file") has no stack protector"
  done
  if readelf -hW "$so" | grep -q 'Machine: *Advanced Micro Devices X86-64'; then
    start=0x$(readelf -W --dyn-syms "$so" | awk '$8 == "wol_send" {print $2}')
    entry=$("$objdump" -d --no-show-raw-insn --start-address="$start" \
      --stop-address=$((start + 4)) "$so" | tail -n 1)
    grep -q endbr64 <<<"$entry" || fail "wol_send does not begin with a CET landing pad: $entry"
  fi
fi
[ "$status" = 0 ] && echo "ok: stripped, small and hardened"
exit "$status"
