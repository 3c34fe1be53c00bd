#!/usr/bin/env bash
# Builds the benchmarks and runs them all (a few minutes); writes
# bench/results/. Nothing is sent beyond 127.0.0.1.
#   bench/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh cmake make g++ libbenchmark-dev strace gnuplot-nox wakeonlan python3
# Node.js may come from elsewhere than Debian; bring Debian's only if none.
command -v npm >/dev/null || scripts/install-deps.sh nodejs npm
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)"
(cd bench/peers && npm install --no-audit --no-fund --silent)
python3 bench/run.py
