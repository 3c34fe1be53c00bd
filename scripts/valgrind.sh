#!/usr/bin/env bash
# Runs the Linux build's test programs under valgrind memcheck; any error or
# definite leak fails. (no_allocation_test replaces malloc, which valgrind
# also does, so it is left out here.)
#   scripts/valgrind.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/linux}/bin
for test in packet_test send_loopback_test send_faults_test resource_test c_host_test \
  wol_wake_core_test tools_common_test wol_listen_core_test wol_relay_core_test; do
  echo "== valgrind $test"
  [ -x "$bin/$test" ] || {
    echo "valgrind.sh: $bin/$test was not built" >&2
    exit 1
  }
  valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
    "$bin/$test" >/dev/null
done
echo "valgrind: no errors"
