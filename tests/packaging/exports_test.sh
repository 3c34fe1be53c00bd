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

case "$library" in
*.dll)
  exports=$("$objdump" -p "$library" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[ *[0-9]+\]/ {print $NF}' | sort)
  check_imports "$library" ""
  for program in "$@"; do
    check_imports "$program" tarnwick-wol.dll
  done
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
