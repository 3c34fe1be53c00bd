#!/usr/bin/env bash
# Checks the built library's dynamic interface: exactly the four functions
# are exported and, for the DLL, only DLLs that Windows itself has are needed;
# each PROGRAM (wol-wake.exe) needs only those and tarnwick-wol.dll.
#   exports_test.sh LIBRARY NM OBJDUMP [PROGRAM...]
set -euo pipefail
library=$1 nm=$2 objdump=$3
shift 3
expected=$'wol_last_error\nwol_packet\nwol_send\nwol_version'
status=0

# DLLs that every Windows has; MinGW's runtime DLLs are not among them.
system='^(kernel32|msvcrt|ucrtbase|ws2_32|iphlpapi|advapi32|user32|ntdll|api-ms-win-.*)\.dll$'
check_imports() { # FILE ALSO_ALLOWED
  local imports foreign
  imports=$("$objdump" -p "$1" | awk '/DLL Name:/ {print $3}')
  echo "$(basename "$1") imports: $(echo "$imports" | tr '\n' ' ')"
  if foreign=$(echo "$imports" | grep -viE "$system" | grep -vixF "$2"); then
    echo "FAIL: $(basename "$1") needs DLLs that Windows does not have: $foreign" >&2
    status=1
  fi
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

case "$library" in
*.dll)
  exports=$("$objdump" -p "$library" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[ *[0-9]+\]/ {print $NF}' | sort)
  check_imports "$library" ""
  for program in "$@"; do
    check_imports "$program" tarnwick-wol.dll
  done
  # A 32-bit (PE32) DLL's functions are __stdcall: each removes its own
  # arguments, so wol_packet and wol_send (12 bytes of them) return with
  # `ret $0xc`, where a C-convention function has a bare `ret`.
  header=$("$objdump" -p "$library")
  if grep -qE '^Magic[[:space:]]+010b' <<<"$header"; then
    base=0x$(awk '$1 == "ImageBase" {print $2}' <<<"$header")
    for name in wol_packet wol_send; do
      rva=0x$(export_rva "$name" <<<"$header")
      return=$("$objdump" -d --start-address=$((base + rva)) --stop-address=$((base + rva + 4096)) \
        "$library" | grep -m 1 -E $'\tret' || true)
      echo "$name returns with: ${return##*$'\t'}"
      if ! grep -qE $'\tret +\$0xc$' <<<"$return"; then
        echo "FAIL: $name is not __stdcall (it does not remove its 12 bytes of arguments)" >&2
        status=1
      fi
    done
  fi
  ;;
*)
  exports=$("$nm" -D --defined-only "$library" | awk '{print $3}' | sort)
  ;;
esac

echo "exports: $(echo "$exports" | tr '\n' ' ')"
if [ "$exports" != "$expected" ]; then
  echo "FAIL: expected exactly: $(echo "$expected" | tr '\n' ' ')" >&2
  status=1
fi
exit "$status"
