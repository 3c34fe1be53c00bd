#!/usr/bin/env bash
# Builds wol-wake for this Linux machine, in a build folder of its own, and
# runs it with the arguments given:
#   scripts/wake.sh [OPTIONS] MAC...      (scripts/wake.sh --help tells all)
# With no -i ADDRESS the packet goes to 255.255.255.255, the local network's
# broadcast, on UDP port 9.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build/wake

"$top/scripts/install-deps.sh" cmake make g++
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTARNWICK_WOL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target wol-wake >/dev/null
exec "$build/bin/wol-wake" "$@"
