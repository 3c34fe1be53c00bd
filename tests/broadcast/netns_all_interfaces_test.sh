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
# (wol-wake shows every MAC in one form.)
shown_mac=$(echo "$mac" | tr 'A-F' 'a-f')

# --- no route, no interface but loopback --------------------------------------
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
expect "the default address with no route (status, output)" "$(outcome run_sender "$mac" x:y)" \
  "1 wol-wake: $mac: 255.255.255.255:9: $unreachable
wol-wake: x:y: mac contains non-hex characters"
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
# IPv6 sends from a link-local address once it is no longer tentative.
wait_for "the IPv6 link-local addresses" bash -c \
  "[ \"\$(ip -n '$tx_ns' -6 addr show scope link | grep -v tentative | grep -c inet6)\" -ge 2 ]"

# Each receiver, for each of its broadcasts: one datagram on port 9, two on
# the chosen port; receiver one also the file line's own, receiver two
# also -I's, on the chosen port.
one_count=$((3 * ${#one_broadcasts[@]} + 1))
two_count=$((4 * ${#two_broadcasts[@]}))
listen one "$one_ns" wol1 "$one_ip" "$one_count" 9 "$chosen_port"
listen two "$two_ns" wol2 "$two_ip" "$two_count" 9 "$chosen_port"
listen6 one6 "$one_ns" wol1 wol1
listen6 two6 "$two_ns" wol2 wol2
if [ "$kind" = native ]; then
  needs etherwake
  # -e's frames on link two, and UDP probes that tell when tshark listens.
  # (As a field, wol.passwd gives the bytes of its text; the dissector's
  # summary, "Wake On LAN, MAC: ..., password: ...", names it right;
  # tshark 4.4 writes its spaces as "\ ", the separator escaped.)
  ip netns exec "$two_ns" tshark -i wol2 -f "ether proto 0x0842 or udp port $probe_port" -l -n \
    -T fields -E separator=' ' -e eth.src -e eth.dst -e eth.type -e frame.len -e wol.mac -e wol \
    -e udp.dstport >"$work/frames.wire" 2>"$work/frames.tshark.log" &
  pids+=($!)
  wait_for "tshark to capture frames on wol2" probe_captured frames "$two_ip"
fi

run_sender -a "$mac" | tee "$work/sent.out"
run_sender -a -p "$chosen_port" -c 2 -w 0 "$(echo "$mac" | tr ':' '-')" >>"$work/sent.out"
echo "$mac $one_ip $chosen_port" >"$work/targets.txt"
(cd "$work" && run_sender -a -f targets.txt) >"$work/file.out"
run_sender -I wol2 -p "$chosen_port" "$mac" >"$work/interface.out"
run_sender -6 -p "$chosen_port" "$mac" >"$work/ipv6.out"
run_sender -6 -I wol2 "$mac" >>"$work/ipv6.out"
if [ "$kind" = native ]; then
  run_sender -e -I wol2 -P 0a:0b:0c:0d:0e:0f "$mac" >"$work/frame.out"
  # The frame socket on descriptor 0 (standard input closed, room for one
  # descriptor) is kept for the second copy. A sanitizer needs descriptors
  # of its own: there, standard input is only closed.
  limit=3
  ! grep -q __asan_init "${sender[-1]}" || limit=$(ulimit -n)
  ip netns exec "$tx_ns" "${stoppable[@]}" bash -c 'exec 0<&- && ulimit -n "$1" && shift && exec "$@"' \
    _ "$limit" "${sender[@]}" -q -e -I wol2 -c 2 -w 0 "$mac"
  echo "send: etherwake -b -i wol2 -p 0a:0b:0c:0d:0e:0f $mac"
  ip netns exec "$tx_ns" timeout 10 etherwake -b -i wol2 -p 0a:0b:0c:0d:0e:0f "$mac"
  # Said once, before any target.
  expect "-e without root or CAP_NET_RAW (status, output)" \
    "$(outcome run_as_nobody -e -I wol2 "$mac" "$mac" 0a:0b:0c:0d:0e:0f)" \
    "1 wol-wake: ff:ff:ff:ff:ff:ff on wol2: cannot open a raw Ethernet socket: Operation not permitted (it needs root or CAP_NET_RAW)"
elif [ "$kind" = wine ]; then
  expect "-e off Linux (status, output)" "$(outcome run_sender -e -I wol2 "$mac")" \
    "2 wol-wake: -e sends raw Ethernet frames, which this build cannot: Linux only
Try 'wol-wake --help' for more information."
fi
expect "-I with an unknown interface (status, output)" \
  "$(outcome run_sender -I wol9 "$mac" | sed 's/there are: .*wol2.*/there are: .../')" \
  "1 wol-wake: wol9: no such interface; there are: ..."
expect "-a with -i (status, first line)" "$(outcome run_sender -a -i 192.0.2.255 "$mac" | head -n 1)" \
  "2 wol-wake: -a sends to every interface's broadcast; it cannot go with -i"
received one "$one_count"
received two "$two_count"
wait_for "tshark to show -6's datagram on link one" wire_has one6 1
wait_for "tshark to show -6's datagrams on link two" wire_has two6 2
[ "$kind" != native ] || wait_for "tshark to show the four frames on link two" wire_has frames 4

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
    echo "sent $shown_mac to $to:9"
    printf 'sent %s to %s:%s\n' "$shown_mac" "$to" "$chosen_port" "$shown_mac" "$to" "$chosen_port"
  done | sort
)"
expect "-a -f with the line's own ADDRESS" "$(tr -d '\r' <"$work/file.out")" \
  "sent $shown_mac to $one_ip:$chosen_port"
expect "what -I said it sent" "$(tr -d '\r' <"$work/interface.out" | sort)" "$(
  for to in "${two_broadcasts[@]}"; do echo "sent $shown_mac to $to:$chosen_port"; done | sort
)"
# (The scope is the interface's name, or under Windows its index.)
expect "what -6 said it sent" "$(tr -d '\r' <"$work/ipv6.out" | sed 's/%[^]]*]/%IF]/' | sort)" \
  "$(printf 'sent %s to [ff02::1%%IF]:%s\n' "$shown_mac" "$chosen_port" "$shown_mac" "$chosen_port" "$shown_mac" 9 | sort)"
expect "tshark saw over IPv6 on link one" "$(seen one6)" "ff02::1 $chosen_port $macs"
expect "tshark saw over IPv6 on link two" "$(seen two6)" \
  "$(printf 'ff02::1 %s %s\n' "$chosen_port" "$macs" 9 "$macs" | sort)"
if [ "$kind" = native ]; then
  expect "what -e said it sent" "$(cat "$work/frame.out")" "sent $shown_mac to ff:ff:ff:ff:ff:ff on wol2"
  tx_wol2_mac=$(ip -n "$tx_ns" link show wol2 | awk '/link\/ether/ { print $2 }')
  # wol-wake's frame, then two from descriptor 0 without a password, then
  # etherwake -b's (to the broadcast address; without -b it sends to the
  # target's own MAC): the same as wol-wake's first.
  expect "tshark saw on link two (Ethernet source, destination, type, length, MACs, password)" \
    "$(seen frames | sed 's/\\ / /g; s/ Wake On LAN, .*, password: \([0-9a-f:]*\) *$/ \1/; s/ Wake On LAN, MAC: [0-9a-f:]* *$//')" \
    "$(printf '%s\n' "$tx_wol2_mac ff:ff:ff:ff:ff:ff 0x0842 122 $macs 0a:0b:0c:0d:0e:0f" \
      "$tx_wol2_mac ff:ff:ff:ff:ff:ff 0x0842 116 $macs"{,} \
      "$tx_wol2_mac ff:ff:ff:ff:ff:ff 0x0842 122 $macs 0a:0b:0c:0d:0e:0f" | sort)"
fi
expect "receiver one got" "$(recorded one)" \
  "$({ lines "$packet" "${one_broadcasts[@]}"; echo "$one_ip $chosen_port $packet"; } | sort)"
expect "receiver two got" "$(recorded two)" "$({ lines "$packet" "${two_broadcasts[@]}"
  for to in "${two_broadcasts[@]}"; do echo "$to $chosen_port $packet"; done; } | sort)"
expect "tshark saw on link one" "$(seen one)" \
  "$({ lines "$macs" "${one_broadcasts[@]}"; echo "$one_ip $chosen_port $macs"; } | sort)"
expect "tshark saw on link two" "$(seen two)" "$({ lines "$macs" "${two_broadcasts[@]}"
  for to in "${two_broadcasts[@]}"; do echo "$to $chosen_port $macs"; done; } | sort)"
if [ "$status" = 0 ]; then
  echo "ok: $kind sender, -a reached ${#one_broadcasts[@]} subnets on link one and" \
    "${#two_broadcasts[@]} on link two, each once per packet; -I and -6 only their links;" \
    "failures named their reason"
fi
exit "$status"
