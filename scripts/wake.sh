#!/usr/bin/env bash
# Builds wol-wake for this Linux machine and wakes a machine with it.
#   scripts/wake.sh MAC [ADDRESS [PORT]]
# With no ADDRESS the packet goes to 255.255.255.255, the local network's
# broadcast, on UDP port 9.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

"$top/scripts/install-deps.sh" cmake make g++
cmake -S "$top" -B "$top/build/linux" >/dev/null
cmake --build "$top/build/linux" --target wol-wake >/dev/null
exec "$top/build/linux/bin/wol-wake" "$@"
