#!/usr/bin/env bash
# Proves on a real (virtual) Ethernet link that a wake-up leaves as a limited
# broadcast to 255.255.255.255:9, exactly as Debian's wakeonlan sends it;
# and that a destination host name is resolved by the system's resolver
# (the namespace's own hosts file), or named once with the resolver's
# reason before anything is sent; a machine is found by the ethers line of
# its address.
#
#   netns_broadcast_test.sh MAC native|emulated|wine SENDER...
#
# SENDER is a command that runs wol-wake (for the DLL: cmake/wine-run.sh
# wol-wake.exe; for another architecture: qemu-user and wol-wake). Two network namespaces of our own, joined by a veth pair,
# stand for the sending host and the sleeping machine; nothing is sent from
# the machine's own namespace. In the receiving namespace a UDP recorder
# notes each datagram's destination and payload, and tshark's Wake-on-LAN
# dissector names the MAC it sees on the wire.
#
# Needs root; skips (77) where it cannot make namespaces.
set -euo pipefail

mac=$1 kind=$2
shift 2
sender=("$@")
# shellcheck source=netns_common.sh
source "$(dirname "$0")/netns_common.sh"
needs wakeonlan

readonly chosen_port=40009
readonly sender_ip=192.0.2.1 receiver_ip=192.0.2.2 subnet_broadcast=192.0.2.255

# --- two hosts on one link -------------------------------------------------
new_namespace tx_ns tx
new_namespace rx_ns rx
link "$tx_ns" wol0 "$sender_ip/24" "$rx_ns" wol1 "$receiver_ip/24"
# The limited broadcast leaves by the default route.
ip -n "$tx_ns" route add default dev wol0
# Names: the receiver's in the hosts file; any other asks a name server that
# is not there (on the sender's own loopback), which refuses at once.
etc_file "$tx_ns" hosts "127.0.0.1 localhost" "$receiver_ip sleeper.test"
etc_file "$tx_ns" resolv.conf "nameserver 127.0.0.1" "options attempts:1 timeout:1"
start_sender

# Where each datagram goes, as sent below (wakeonlan's last).
destinations=("255.255.255.255 9" "255.255.255.255 9" "$subnet_broadcast $chosen_port"
  "$receiver_ip $chosen_port" "$receiver_ip 9" "$receiver_ip 9" "255.255.255.255 9")
count=${#destinations[@]}
listen rx "$rx_ns" wol1 "$receiver_ip" "$count" 9 "$chosen_port"

# --- wake the machine ------------------------------------------------------
# (wol-wake shows every MAC in one form.)
shown_mac=$(echo "$mac" | tr 'A-F' 'a-f')
send "$mac"                                 # wol_send(mac, NULL, 0)
send "$mac" "" -5                           # wol_send(mac, "", -5)
send "$mac" "$subnet_broadcast" "$chosen_port"
send "$mac" "$receiver_ip" "$chosen_port"
run_sender -i sleeper.test "$mac" | tee "$work/name.out"
expect "a destination by name" "$(tr -d '\r' <"$work/name.out")" "sent $shown_mac to sleeper.test:9"
# A machine by the ethers line of its address, as wakeonlan finds it.
printf '%s\n' "0a:0b:0c:0d:0e:0f 192.0.2.99" "$mac $receiver_ip" >"$work/ethers"
run_sender --ethers "$work/ethers" -i "$receiver_ip" sleeper.test | tee "$work/keyed.out"
expect "a machine by the ethers line of its address" "$(tr -d '\r' <"$work/keyed.out")" \
  "sent $shown_mac to $receiver_ip:9"
# A name that does not resolve is named once, with the resolver's reason,
# before anything is sent: as -i's ADDRESS, and as --up's HOST.
for unresolved in "-i nowhere.test $mac 0a:0b:0c:0d:0e:0f" \
  "-i $receiver_ip --up nowhere.test:22 $mac"; do
  set +e
  # shellcheck disable=SC2086 # the words of the command line
  run_sender $unresolved >"$work/unresolved.out" 2>&1
  unresolved_status=$?
  set -e
  cat "$work/unresolved.out"
  expect "a name that does not resolve: $unresolved (status)" "$unresolved_status" 1
  expect "a name that does not resolve: $unresolved (message)" \
    "$(tr -d '\r' <"$work/unresolved.out" | sed 's/^\(wol-wake: nowhere.test: \).*/\1.../')" \
    "wol-wake: nowhere.test: ..."
done
echo "send: wakeonlan $mac"
ip netns exec "$tx_ns" timeout 10 wakeonlan -i 255.255.255.255 -p 9 "$mac"
received rx "$count"

# --- what arrived, by destination -------------------------------------------
each_destination() { # SUFFIX: one line per datagram
  local destination
  for destination in "${destinations[@]}"; do echo "$destination $1"; done | sort
}
expect "the receiver got (destination port payload)" "$(recorded rx)" \
  "$(each_destination "$(magic_packet "$mac")")"
expect "tshark's Wake-on-LAN dissector saw (ip.dst udp.dstport wol.mac)" "$(seen rx)" \
  "$(each_destination "$(dissected_macs "$mac")")"
if [ "$status" = 0 ]; then
  echo "ok: $kind sender, $count datagrams for $mac as expected, same bytes as wakeonlan"
fi
exit "$status"
