#!/usr/bin/env bash
# Proves that `wol-wake -I IFACE` sends every datagram out of IFACE and out
# of no other interface, or fails with the system's reason: IPv4 broadcasts
# and unicasts, IPv6, -i's address and a file line's own, as root and (the
# native build) as a user without capabilities; and that -v names the
# interface and source address each datagram leaves by.
#
#   netns_interface_test.sh MAC native|emulated|wine SENDER...
#
# The sending namespace has two interfaces in one subnet (10.77.1.1/24 and
# 10.77.1.3/24, fd77::1/64 and fd77::3/64), each a veth pair to a receiver
# of its own: the system routes the subnet by the first, so a datagram
# that is not kept on the second leaves by the first, where the wrong
# receiver gets it. The second interface's name is not ASCII, as an
# adapter's may be on Windows. Then the first is set down, and -I with it
# must fail, sending nothing. Each receiver records everything up to a
# marker that the test sends last on that link.
#
# Needs root; skips (77) where it cannot make namespaces.
set -euo pipefail

mac=$1 kind=$2
shift 2
sender=("$@")
# shellcheck source=netns_common.sh
source "$(dirname "$0")/netns_common.sh"

readonly port=40010 one=wol1 two=wolä2
shown_mac=$(echo "$mac" | tr 'A-F' 'a-f')

new_namespace tx_ns tx
new_namespace one_ns one
new_namespace two_ns two
link "$tx_ns" "$one" 10.77.1.1/24 "$one_ns" wol1 10.77.1.2/24
link "$tx_ns" "$two" 10.77.1.3/24 "$two_ns" wol2 10.77.1.4/24
ip -n "$tx_ns" addr add fd77::1/64 dev "$one" nodad
ip -n "$one_ns" addr add fd77::2/64 dev wol1 nodad
ip -n "$tx_ns" addr add fd77::3/64 dev "$two" nodad
ip -n "$two_ns" addr add fd77::4/64 dev wol2 nodad
start_sender

# record NAME NS COUNT: a recorder in NS for COUNT datagrams, IPv4 and IPv6.
record() {
  ip netns exec "$2" python3 "$here/udp_recorder.py" "$work/$1.datagrams" "$3" 120 "$port" \
    "6/$port" >"$work/$1.recorder.log" 2>&1 &
  pids+=($!)
  eval "recorder_$1=$!"
  wait_for "the $1 recorder to bind" grep -q ready "$work/$1.recorder.log"
}
# marker IFACE ADDRESS: one datagram "marker" out of IFACE to ADDRESS.
marker() {
  ip netns exec "$tx_ns" python3 -c '
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, sys.argv[1].encode())
s.sendto(b"marker", (sys.argv[2], int(sys.argv[3])))' "$1" "$2" "$port"
}
sent() { echo "sent $shown_mac to $1:$port${2:+ via $2}"; }

two_count=5
[ "$kind" != native ] || two_count=6
[ "$kind" != wine ] || two_count=4
record one "$one_ns" 3
record two "$two_ns" $((two_count + 1))

# --- both interfaces up -----------------------------------------------------
echo "$mac 10.77.1.4 $port" >"$work/targets.txt"
expect "-I $two: its broadcast" "$(outcome run_sender -I "$two" -p "$port" "$mac")" \
  "0 $(sent 10.77.1.255)"
expect "-I $one: its broadcast" "$(outcome run_sender -I "$one" -p "$port" "$mac")" \
  "0 $(sent 10.77.1.255)"
expect "-v -I $two: the interface and source named" \
  "$(outcome run_sender -v -I "$two" -p "$port" "$mac")" \
  "0 $(sent 10.77.1.255 "$two from 10.77.1.3")"
expect "-v without -I: the system's route, by the first interface" \
  "$(outcome run_sender -v -i 10.77.1.255 -p "$port" "$mac")" \
  "0 $(sent 10.77.1.255 "$one from 10.77.1.1")"
expect "-I $two -i: a unicast" "$(outcome run_sender -I "$two" -i 10.77.1.4 -p "$port" "$mac")" \
  "0 $(sent 10.77.1.4)"
# Wine has no IPV6_UNICAST_IF: an address that is not link-local cannot be
# kept on the interface there, and the tool says so, sending nothing.
if [ "$kind" = wine ]; then
  kept_ipv6="1 wol-wake: $mac: [fd77::4]:$port: cannot send out of $two alone: Invalid argument"
else
  kept_ipv6="0 $(sent "[fd77::4]")"
fi
expect "-I $two -i: over IPv6" "$(outcome run_sender -I "$two" -i fd77::4 -p "$port" "$mac")" \
  "$kept_ipv6"
expect "-I $two -f: a line's own address" \
  "$(outcome run_sender -I "$two" -f "$work/targets.txt")" "0 $(sent 10.77.1.4)"
if [ "$kind" = native ]; then
  expect "-I $two as a user without capabilities" \
    "$(outcome run_as_nobody -I "$two" -p "$port" "$mac")" "0 $(sent 10.77.1.255)"
fi

# --- the first interface down: -I with it fails, and nothing leaves -----------
ip -n "$tx_ns" link set "$one" down
if [ "$kind" = wine ]; then
  unreachable="A socket operation was attempted to an unreachable network"
else
  unreachable="Network is unreachable"
fi
expect "-I $one down: its broadcast" "$(outcome run_sender -I "$one" -p "$port" "$mac")" \
  "1 wol-wake: $mac: 10.77.1.255:$port: $unreachable"
expect "-I $one down: a unicast" "$(outcome run_sender -I "$one" -i 10.77.1.4 -p "$port" "$mac")" \
  "1 wol-wake: $mac: 10.77.1.4:$port: $unreachable"
if [ "$kind" = wine ]; then
  unreachable_ipv6="cannot send out of $one alone: Invalid argument"
else
  unreachable_ipv6=$unreachable
fi
expect "-I $one down: over IPv6" "$(outcome run_sender -I "$one" -i fd77::4 -p "$port" "$mac")" \
  "1 wol-wake: $mac: [fd77::4]:$port: $unreachable_ipv6"
ip -n "$tx_ns" link set "$one" up
wait_for "$one to be up again" bash -c "ip -n '$tx_ns' route show dev '$one' | grep -q 10.77.1.0"

marker "$one" 10.77.1.2
marker "$two" 10.77.1.4
wait "$recorder_one" || true
wait "$recorder_two" || true

marker_line() { echo "$1 $port $(printf marker | od -An -tx1 | tr -d ' \n')"; }
packet=$(magic_packet "$mac")
expect "what reached the first interface's receiver" "$(cat "$work/one.datagrams")" \
  "10.77.1.255 $port $packet
10.77.1.255 $port $packet
$(marker_line 10.77.1.2)"
expect "what reached the second interface's receiver" "$(cat "$work/two.datagrams")" "$(
  echo "10.77.1.255 $port $packet"
  echo "10.77.1.255 $port $packet"
  echo "10.77.1.4 $port $packet"
  [ "$kind" = wine ] || echo "fd77::4 $port $packet"
  echo "10.77.1.4 $port $packet"
  [ "$kind" != native ] || echo "10.77.1.255 $port $packet"
  marker_line 10.77.1.4
)"
if [ "$status" = 0 ]; then
  echo "ok: $kind sender, -I kept every datagram on its interface (IPv4 and IPv6), and with" \
    "the interface down said why and sent nothing"
fi
exit "$status"
