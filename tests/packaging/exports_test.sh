#!/usr/bin/env bash
# Checks the built library's dynamic interface, from the files alone (it
# runs nothing they contain, so it runs where they cannot): exactly the four
# functions are exported and, for the DLL, only DLLs that Windows itself has
# are needed; each PROGRAM (wol-wake.exe) needs only those and
# tarnwick-wol.dll.
#   exports_test.sh [--pe32|--pe32+] [--import-library FILE]... LIBRARY NM OBJDUMP [PROGRAM...]
# --pe32 (32-bit Windows) or --pe32+ (64-bit) says what the DLL and every
# PROGRAM must be. On 32-bit Windows the four functions are __stdcall: each
# removes its own arguments from the stack. Each import library must give
# callers the names their compiler emits (_wol_send@12 on 32-bit Windows,
# wol_send on 64-bit) and lead them to the DLL's plain exports.
set -euo pipefail
format= import_libraries=()
while [ $# -gt 0 ]; do
  case "$1" in
  --pe32 | --pe32+) format=${1#--} ;;
  --import-library) import_libraries+=("$2") && shift ;;
  *) break ;;
  esac
  shift
done
library=$1 nm=$2 objdump=$3
shift 3
names=(wol_last_error wol_packet wol_send wol_version)
# The bytes of each function's arguments, which __stdcall callers remove.
declare -A argument_bytes=([wol_last_error]=0 [wol_packet]=12 [wol_send]=12 [wol_version]=0)
expected=$(printf '%s\n' "${names[@]}")
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

# DLLs that every Windows has; MinGW's runtime DLLs are not among them.
system='^(kernel32|msvcrt|ucrtbase|ws2_32|iphlpapi|advapi32|user32|ntdll|api-ms-win-.*)\.dll$'
check_imports() { # FILE ALSO_ALLOWED
  local imports foreign
  imports=$("$objdump" -p "$1" | awk '/DLL Name:/ {print $3}')
  echo "$(basename "$1") imports: $(echo "$imports" | tr '\n' ' ')"
  if foreign=$(echo "$imports" | grep -viE "$system" | grep -vixF "$2"); then
    fail "$(basename "$1") needs DLLs that Windows does not have: $foreign"
  fi
}

# check_format FILE: the PE format that --pe32 or --pe32+ named ("Magic
# 010b" for PE32, "020b" for PE32+).
check_format() {
  local magic
  magic=$("$objdump" -p "$1" | awk '$1 == "Magic" {print $2}')
  case "$format:$magic" in
  pe32:010b | pe32+:020b | :*) echo "$(basename "$1"): ${magic/010b/PE32}" | sed 's/020b/PE32+/' ;;
  *) fail "$(basename "$1") is not ${format^^} (its optional header's magic is ${magic:-missing})" ;;
  esac
}

# export_rva NAME < OBJDUMP_P: the export's address, from the tables that
# objdump -p prints. Up to binutils 2.40 a name's line gives the index of
# its ordinal ("[ 1] wol_packet"), later ones the ordinal itself
# ("[ 1] +base[ 2]  0001 wol_packet").
export_rva() {
  awk -v name="$1" '
    { gsub(/\[ +/, "[") }
    $NF == "RVA" { by_index[$1] = $3; by_ordinal[$2] = $3; next }
    $NF == name && $1 ~ /^\[[0-9]+\]$/ { print ($2 ~ /^\+base/ ? by_ordinal[$2] : by_index[$1]) }'
}

# check_returns: each exported function, found by the export table's
# address and not by any symbol, returns removing its own arguments: with
# `ret $0xc` for 12 bytes, a bare `ret` for none. A C-convention function
# would leave its 12 bytes to the caller, with a bare `ret`.
check_returns() {
  local header base name rva return bytes
  header=$("$objdump" -p "$library")
  base=0x$(awk '$1 == "ImageBase" {print $2}' <<<"$header")
  for name in "${names[@]}"; do
    rva=0x$(export_rva "$name" <<<"$header")
    return=$("$objdump" -d --start-address=$((base + rva)) --stop-address=$((base + rva + 4096)) \
      "$library" | grep -m 1 -E $'\tret' || true)
    echo "$name returns with: ${return##*$'\t'}"
    bytes=${argument_bytes[$name]}
    if [ "$bytes" = 0 ]; then
      grep -qE $'\tret *$' <<<"$return" || fail "$name does not return with a bare ret"
    elif ! grep -qE $'\tret +\\$'"$(printf '0x%x' "$bytes")"'$' <<<"$return"; then
      fail "$name is not __stdcall (it does not remove its $bytes bytes of arguments)"
    fi
  done
}

# check_import_library FILE: the symbols it defines for callers, and the
# names it imports them by (the hint/name entries of its .idata$6 sections,
# which objdump shows for GNU's and for Microsoft's short import format).
check_import_library() {
  local symbols imported name wanted=()
  for name in "${names[@]}"; do
    if [ "$format" = pe32 ]; then
      wanted+=("_$name@${argument_bytes[$name]}")
    else
      wanted+=("$name")
    fi
  done
  symbols=$("$nm" "$1" | awk '$2 == "T" && $3 !~ /^\./ {print $3}' | sort -u)
  echo "$(basename "$1") defines: $(echo "$symbols" | tr '\n' ' ')"
  [ "$symbols" = "$(printf '%s\n' "${wanted[@]}" | sort)" ] ||
    fail "$(basename "$1") should define exactly: ${wanted[*]}"
  imported=$("$objdump" -s -j '.idata$6' "$1" | python3 -c '
import re, sys
blocks = re.split(r"Contents of section \.idata\$6:", sys.stdin.read())[1:]
for block in blocks:
    # " 0000 0400776f 6c5f7665 ...  ..wol_version.": the hex between
    # the offset and the text.
    data = bytes.fromhex("".join(
        line[6:42].replace(" ", "") for line in block.splitlines()
        if re.match(r" [0-9a-f]{4} ", line)))
    name = data[2:].split(b"\0")[0].decode("ascii", "replace")
    if not data.split(b"\0")[0].lower().endswith(b".dll"):  # the DLL name, not an import
        print(name)
' | sort -u)
  echo "$(basename "$1") imports by: $(echo "$imported" | tr '\n' ' ')"
  [ "$imported" = "$expected" ] ||
    fail "$(basename "$1") should import exactly the plain names: ${names[*]}"
}

case "$library" in
*.dll)
  exports=$("$objdump" -p "$library" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[ *[0-9]+\]/ {print $NF}' | sort)
  check_format "$library"
  check_imports "$library" ""
  for program in "$@"; do
    check_format "$program"
    check_imports "$program" tarnwick-wol.dll
  done
  [ "$format" != pe32 ] || check_returns
  for import_library in "${import_libraries[@]}"; do
    check_import_library "$import_library"
  done
  ;;
*)
  exports=$("$nm" -D --defined-only "$library" | awk '{print $3}' | sort)
  ;;
esac

echo "exports: $(echo "$exports" | tr '\n' ' ')"
[ "$exports" = "$expected" ] || fail "expected exactly: $(echo "$expected" | tr '\n' ' ')"
exit "$status"
