#!/usr/bin/env bash
# Runs each libFuzzer target of the sanitize build for a bounded time,
# starting from the committed seed corpus: the library's (packet, send),
# wol-wake's (target_file, command_line) and the magic-packet reader of
# wol-listen and wol-relay (magic_packet). The run takes 2 x SECONDS in all
# (default 60), shared equally by the targets. Fails on any crash, sanitizer
# report or broken invariant; new inputs go to a temporary folder, so the
# committed corpus stays as it is.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
targets=(packet send target_file command_line magic_packet)
each=$((2 * seconds / ${#targets[@]}))
[ "$each" -ge 1 ] || each=1
bin=build/sanitize/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for target in "${targets[@]}"; do
  mkdir -p "$work/$target"
  echo "== ${target}_fuzz for ${each} s"
  "$bin/${target}_fuzz" -max_total_time="$each" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/$target" "fuzz/corpus/$target" \
    >"$work/$target.log" 2>&1 || {
    tail -n 40 "$work/$target.log"
    echo "FAIL: ${target}_fuzz found a problem" >&2
    exit 1
  }
  grep -E '^Done|stat::number_of_executed_units|cov:' "$work/$target.log" | tail -n 3
done
