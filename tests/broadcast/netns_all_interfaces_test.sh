#!/usr/bin/env bash
# Proves that `wol-wake -a` sends one datagram to the directed broadcast of
# each IPv4 subnet of each interface that is up, has a carrier and can
# broadcast, and to nothing else; and that a send that fails says why.
#
#   netns_all_interfaces_test.sh MAC native|emulated|wine SENDER...
#
# A sending namespace is joined by two veth pairs to two receivers. Link
# one carries a /24 with two of the sender's addresses in it (one
# broadcast) and 70 more /24 subnets, more than any fixed table of subnets
# would hold, each with a 15-character broadcast address. Link two carries
# a /25 (the prefix length counts), a /30 (its broadcast) and a /31 (none).
# A third link of the sender's is down, and a fourth is up without a
# carrier (its peer is down). Each receiver must get exactly its own
# subnets' broadcasts; a file line's own ADDRESS still wins over -a.
#
# Before any link exists the sender has no route and no interface to
# broadcast on: -a says so, a send names the system's reason, and the
# library (LIBRARY_SEND: a program that makes one wol_send) gives its own
# fixed message.
#
# Needs root; skips (77) where it cannot make namespaces.
set -euo pipefail

mac=$1 kind=$2
shift 2
sender=("$@")
# shellcheck source=netns_common.sh
source "$(dirname "$0")/netns_common.sh"

readonly chosen_port=40009
readonly one_ip=192.0.2.2 two_ip=198.51.100.2
readonly extra_subnets=70
one_broadcasts=(192.0.2.255)
for n in $(seq 100 $((100 + extra_subnets - 1))); do one_broadcasts+=("100.100.$n.255"); done
two_broadcasts=(198.51.100.127 198.51.100.135)

new_namespace tx_ns tx
start_sender

# --- no route, no interface but loopback --------------------------------------
outcome() { # COMMAND...: "STATUS OUTPUT", the output without CRs
  local result
  set +e
  "$@" >"$work/outcome" 2>&1
  result=$?
  set -e
  echo "$result $(tr -d '\r' <"$work/outcome")"
}
if [ "$kind" = wine ]; then
  unreachable="A socket operation was attempted to an unreachable network"
  library_message="sendto() failed"
else
  unreachable="Network is unreachable"
  library_message="sendto() failed (WSA error)"
fi
# The library's program runs as the sender does: under the same Wine or
# qemu-user, or by itself.
library_sender=("${sender[@]:0:${#sender[@]}-1}" "$LIBRARY_SEND")
expect "-a with only loopback (status, output)" "$(outcome run_sender -a "$mac")" \
  "1 wol-wake: no IPv4 interface is up that can broadcast"
expect "a send with no route (status, output)" "$(outcome run_sender -i 10.1.2.255 "$mac")" \
  "1 wol-wake: $mac: 10.1.2.255:9: $unreachable"
expect "the default address with no route (status, output)" "$(outcome run_sender "$mac" x)" \
  "1 wol-wake: $mac: 255.255.255.255:9: $unreachable
wol-wake: x: mac contains non-hex characters"
expect "the library with no route" "$(ip netns exec "$tx_ns" env WINEPREFIX="$work/wine" \
  timeout 300 "${library_sender[@]}" "$mac" 10.1.2.255 9 | tr -d '\r')" "-1 $library_message"

# --- the links ------------------------------------------------------------------
new_namespace one_ns one
new_namespace two_ns two
link "$tx_ns" wol1 192.0.2.1/24 "$one_ns" wol1 "$one_ip/24"
ip -n "$tx_ns" addr add 192.0.2.3/24 dev wol1 # the same subnet: one broadcast
for n in $(seq 100 $((100 + extra_subnets - 1))); do
  ip -n "$tx_ns" addr add "100.100.$n.1/24" dev wol1
  ip -n "$one_ns" addr add "100.100.$n.2/24" dev wol1
done
link "$tx_ns" wol2 198.51.100.1/25 "$two_ns" wol2 "$two_ip/25"
ip -n "$tx_ns" addr add 198.51.100.133/30 dev wol2
ip -n "$two_ns" addr add 198.51.100.134/30 dev wol2
ip -n "$tx_ns" addr add 198.51.100.136/31 dev wol2 # no broadcast address
ip -n "$tx_ns" link add wol3 type veth peer name wol3peer
ip -n "$tx_ns" addr add 203.0.113.1/25 dev wol3 # never set up
ip -n "$tx_ns" link add wol4 type veth peer name wol4peer
ip -n "$tx_ns" addr add 203.0.113.129/25 dev wol4
ip -n "$tx_ns" link set wol4 up # up, but no carrier: its peer is down
wait_for "wol4 to be up without a carrier" bash -c \
  "ip -n '$tx_ns' link show wol4 | grep -q 'NO-CARRIER.*,UP'"

# Each receiver, for each of its broadcasts: one datagram on port 9, two on
# the chosen port; receiver one also the file line's own.
one_count=$((3 * ${#one_broadcasts[@]} + 1))
two_count=$((3 * ${#two_broadcasts[@]}))
listen one "$one_ns" wol1 "$one_ip" "$one_count" 9 "$chosen_port"
listen two "$two_ns" wol2 "$two_ip" "$two_count" 9 "$chosen_port"

run_sender -a "$mac" | tee "$work/sent.out"
run_sender -a -p "$chosen_port" -c 2 -w 0 "$(echo "$mac" | tr ':' '-')" >>"$work/sent.out"
echo "$mac $one_ip $chosen_port" >"$work/targets.txt"
(cd "$work" && run_sender -a -f targets.txt) >"$work/file.out"
expect "-a with -i (status, first line)" "$(outcome run_sender -a -i 192.0.2.255 "$mac" | head -n 1)" \
  "2 wol-wake: -a sends to every interface's broadcast; it cannot go with -i"
received one "$one_count"
received two "$two_count"

# --- what arrived, by receiver ----------------------------------------------------
lines() { # SUFFIX BROADCAST...: what each broadcast gets
  local suffix=$1 to
  shift
  for to in "$@"; do
    printf '%s\n' "$to $chosen_port $suffix" "$to $chosen_port $suffix" "$to 9 $suffix"
  done
}
packet=$(magic_packet "$mac")
macs=$(dissected_macs "$mac")
# (Windows programs end their lines with CR LF.)
expect "what the sender said it sent" "$(tr -d '\r' <"$work/sent.out" | sort)" "$(
  for to in "${one_broadcasts[@]}" "${two_broadcasts[@]}"; do
    echo "sent $mac to $to:9"
    printf 'sent %s to %s:%s\n' "$mac" "$to" "$chosen_port" "$mac" "$to" "$chosen_port"
  done | sort
)"
expect "-a -f with the line's own ADDRESS" "$(tr -d '\r' <"$work/file.out")" \
  "sent $mac to $one_ip:$chosen_port"
expect "receiver one got" "$(recorded one)" \
  "$({ lines "$packet" "${one_broadcasts[@]}"; echo "$one_ip $chosen_port $packet"; } | sort)"
expect "receiver two got" "$(recorded two)" "$(lines "$packet" "${two_broadcasts[@]}" | sort)"
expect "tshark saw on link one" "$(seen one)" \
  "$({ lines "$macs" "${one_broadcasts[@]}"; echo "$one_ip $chosen_port $macs"; } | sort)"
expect "tshark saw on link two" "$(seen two)" "$(lines "$macs" "${two_broadcasts[@]}" | sort)"
if [ "$status" = 0 ]; then
  echo "ok: $kind sender, -a reached ${#one_broadcasts[@]} subnets on link one and" \
    "${#two_broadcasts[@]} on link two, each once per packet; failures named their reason"
fi
exit "$status"
