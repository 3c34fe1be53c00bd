#!/usr/bin/env bash
# Proves that `wol-wake -a` sends one datagram to the directed broadcast of
# each IPv4 interface that is up and can broadcast, and to nothing else.
#
#   netns_all_interfaces_test.sh MAC native|emulated|wine SENDER...
#
# A sending namespace is joined by two veth pairs to two receivers on
# different subnets (a /24 and a /25, so that the prefix length counts); a
# third link of the sender's is down. Each receiver must get exactly its
# own subnet's broadcast. Before any link exists the sender has no
# interface to broadcast on, and says so.
#
# Needs root; skips (77) where it cannot make namespaces.
set -euo pipefail

mac=$1 kind=$2
shift 2
sender=("$@")
# shellcheck source=netns_common.sh
source "$(dirname "$0")/netns_common.sh"

readonly chosen_port=40009
readonly one_ip=192.0.2.2 one_broadcast=192.0.2.255
readonly two_ip=198.51.100.2 two_broadcast=198.51.100.127

new_namespace tx_ns tx
start_sender

# --- no interface but loopback ------------------------------------------------
set +e
run_sender -a "$mac" >"$work/none.out" 2>&1
none_status=$?
set -e
expect "-a with only loopback (status, output)" "$none_status $(tr -d '\r' <"$work/none.out")" \
  "1 wol-wake: no IPv4 interface is up that can broadcast"

# --- two subnets, and a link that is down -------------------------------------
new_namespace one_ns one
new_namespace two_ns two
link "$tx_ns" wol1 192.0.2.1/24 "$one_ns" wol1 "$one_ip/24"
link "$tx_ns" wol2 198.51.100.1/25 "$two_ns" wol2 "$two_ip/25"
ip -n "$tx_ns" link add wol3 type veth peer name wol3peer
ip -n "$tx_ns" addr add 203.0.113.1/24 dev wol3 # never set up

# Each receiver: one datagram on port 9, two on the chosen port.
listen one "$one_ns" wol1 "$one_ip" 3 9 "$chosen_port"
listen two "$two_ns" wol2 "$two_ip" 3 9 "$chosen_port"

run_sender -a "$mac" | tee "$work/sent.out"
run_sender -a -p "$chosen_port" -c 2 -w 0 "$(echo "$mac" | tr ':' '-')" | tee -a "$work/sent.out"
set +e
run_sender -a -i "$one_broadcast" "$mac" >"$work/usage.out" 2>&1
usage_status=$?
set -e
expect "-a with -i (status)" "$usage_status" 2
received one 3
received two 3

# --- what arrived, by receiver ----------------------------------------------------
lines() { # BROADCAST SUFFIX
  printf '%s\n' "$1 $chosen_port $2" "$1 $chosen_port $2" "$1 9 $2" | sort
}
packet=$(magic_packet "$mac")
macs=$(dissected_macs "$mac")
# (Windows programs end their lines with CR LF.)
expect "what the sender said it sent" "$(tr -d '\r' <"$work/sent.out" | sort)" "$(
  for to in "$one_broadcast" "$two_broadcast"; do
    echo "sent $mac to $to:9"
    printf 'sent %s to %s:%s\n' "$mac" "$to" "$chosen_port" "$mac" "$to" "$chosen_port"
  done | sort
)"
expect "receiver one got" "$(recorded one)" "$(lines "$one_broadcast" "$packet")"
expect "receiver two got" "$(recorded two)" "$(lines "$two_broadcast" "$packet")"
expect "tshark saw on link one" "$(seen one)" "$(lines "$one_broadcast" "$macs")"
expect "tshark saw on link two" "$(seen two)" "$(lines "$two_broadcast" "$macs")"
if [ "$status" = 0 ]; then
  echo "ok: $kind sender, -a reached $one_broadcast and $two_broadcast, each once per packet"
fi
exit "$status"
