#!/usr/bin/env bash
# Proves that wol-listen identifies what each sender sent: a sending
# namespace joined by a veth pair to a listening one, where the build's
# wol-listen shows, one line each, every mode of the build's wol-wake (-i to
# the listener, to the subnet's broadcast, the default 255.255.255.255, -a,
# -6, -P with four and six bytes, -e as a raw frame), Debian's wakeonlan and
# etherwake (to the target's own MAC, and with -b and a password to the
# broadcast MAC); tshark, on the same link, names the same MACs. The lines
# are compared whole, but for the time and the source port.
#
#   netns_listen_test.sh MAC native|emulated|wine SENDER...
#
# Needs root; skips (77) where it cannot make namespaces.
set -euo pipefail

mac=$1 kind=$2
shift 2
sender=("$@")
# shellcheck source=netns_common.sh
source "$(dirname "$0")/netns_common.sh"
needs wakeonlan

mapfile -t listener < <(build_program wol-listen)
readonly tx_ip=192.0.2.1 rx_ip=192.0.2.2 password6=0a:0b:0c:0d:0e:0f
mac_lower=$(echo "$mac" | tr 'A-F' 'a-f')

new_namespace tx_ns tx
new_namespace rx_ns rx
link "$tx_ns" wol0 "$tx_ip/24" "$rx_ns" wol0 "$rx_ip/24"
ip -n "$tx_ns" addr change "$tx_ip/24" broadcast 192.0.2.255 dev wol0
ip -n "$rx_ns" addr change "$rx_ip/24" broadcast 192.0.2.255 dev wol0
ip -n "$tx_ns" route add default dev wol0 # the limited broadcast leaves by it
start_wines "$rx_ns:rx"
# IPv6 sends from a link-local address once it is no longer tentative.
wait_for "the IPv6 link-local addresses" bash -c \
  "! ip -n '$tx_ns' -6 addr show dev wol0 | grep -q tentative && ip -n '$tx_ns' -6 addr show dev wol0 | grep -q 'scope link'"

frames=()
[ "$kind" != native ] || frames=(-e) # raw frames: the Linux build, run natively
ip netns exec "$rx_ns" env WINEPREFIX="$work/wine-rx" "${stoppable[@]}" "${listener[@]}" -p 9 -p 7 \
  "${frames[@]}" </dev/null >"$work/heard" 2>"$work/listener.err" &
pids+=($!)
wait_for "wol-listen to listen" grep -q "listening on" "$work/listener.err"
capture wire "$rx_ns" wol0 ip
wait_for "tshark to capture on wol0" probe_captured wire "$rx_ip"

sent=0 udp4=0 # packets sent, and those of them that are UDP over IPv4
peer() { # PROGRAM ARGS...: Debian's wakeonlan or etherwake in the sending namespace
  echo "send: $*"
  ip netns exec "$tx_ns" timeout 300 "$@" >/dev/null
  sent=$((sent + 1))
  [ "$1" != wakeonlan ] || udp4=$((udp4 + 1))
}
send_wake() {
  echo "send: wol-wake $*"
  run_sender "$@" >/dev/null
  sent=$((sent + 1))
  [[ " $* " == *" -6 "* || " $* " == *" -e "* ]] || udp4=$((udp4 + 1))
}

send_wake -i "$rx_ip" "$mac"
send_wake -i 192.0.2.255 -p 7 "$mac"
send_wake "$mac"
send_wake -a "$mac"
send_wake -6 -I wol0 "$mac"
send_wake -i "$rx_ip" -P 192.168.1.254 "$mac"
send_wake -i "$rx_ip" -P "$password6" "$mac"
peer wakeonlan -i 192.0.2.255 "$mac"
peer wakeonlan -i "$rx_ip" -p 7 "$mac"
if [ "$kind" = native ]; then
  needs etherwake
  send_wake -e -I wol0 -P "$password6" "$mac"
  peer etherwake -i wol0 "$mac"
  peer etherwake -b -i wol0 -p 192.168.1.254 "$mac"
fi
wait_for "wol-listen to show $sent packets" \
  bash -c "[ \$(grep -c . '$work/heard') -ge $sent ]"

tx_mac=$(ip -n "$tx_ns" link show wol0 | awk '/link\/ether/ {print $2}')
# SOURCE > DESTINATION MAC [password PW] VERDICT, by kind, in sorted order.
heard=$(tr -d '\r' <"$work/heard" | sed -E 's/^[^ ]+ [^ ]+ (udp|eth) //;
  s/^([0-9.]+|\[[0-9a-f:]+\]):[0-9]+ >/\1 >/' | sort)
expected=$(sed '/^$/d' <<EOF | sort
$tx_ip > $rx_ip:9 $mac_lower ok
$tx_ip > 192.0.2.255:7 $mac_lower ok
$tx_ip > 255.255.255.255:9 $mac_lower ok
$tx_ip > 192.0.2.255:9 $mac_lower ok
[fe80::LINK] > [ff02::1]:9 $mac_lower ok
$tx_ip > $rx_ip:9 $mac_lower password 192.168.1.254 ok
$tx_ip > $rx_ip:9 $mac_lower password $password6 ok
$tx_ip > 192.0.2.255:9 $mac_lower ok
$tx_ip > $rx_ip:7 $mac_lower ok
$( [ "$kind" != native ] || printf '%s\n' \
  "$tx_mac > ff:ff:ff:ff:ff:ff $mac_lower password $password6 ok" \
  "$tx_mac > $mac_lower $mac_lower ok" \
  "$tx_mac > ff:ff:ff:ff:ff:ff $mac_lower password 192.168.1.254 ok")
EOF
)
expect "what wol-listen showed (source > destination, MAC, password, verdict)" \
  "$(sed -E 's/^\[fe80::[0-9a-f:]+\]/[fe80::LINK]/' <<<"$heard")" "$expected"
# tshark names the same MAC in every UDP datagram it saw (probes aside).
wait_for "tshark to show the UDP datagrams" wire_has wire "$udp4"
expect "the MACs tshark saw over IPv4" "$(seen wire | awk '{print $3}' | sort -u)" \
  "$(dissected_macs "$mac")"

if [ "$status" = 0 ]; then
  echo "ok: $kind wol-listen identified $sent packets of wol-wake, wakeonlan" \
    "$([ "$kind" = native ] && echo "and etherwake" || echo "(no frames off Linux)")"
fi
exit "$status"
