#!/usr/bin/env bash
# Proves on a real (virtual) Ethernet link that a wake-up leaves as a limited
# broadcast to 255.255.255.255:9, exactly as Debian's wakeonlan sends it.
#
#   netns_broadcast_test.sh MAC native|wine SENDER...
#
# SENDER is a command that runs wol-wake (for the DLL: cmake/wine-run.sh
# wol-wake.exe). Two network namespaces of our own, joined by a veth pair,
# stand for the sending host and the sleeping machine; nothing is sent from
# the machine's own namespace. In the receiving namespace a UDP recorder
# notes each datagram's destination and payload, and tshark's Wake-on-LAN
# dissector names the MAC it sees on the wire.
#
# Needs root. Outside CI it skips (exit 77) where it cannot make namespaces.
set -euo pipefail

mac=$1 kind=$2
shift 2
sender=("$@")
here=$(cd "$(dirname "$0")" && pwd)

readonly chosen_port=40009
readonly sender_ip=192.0.2.1 receiver_ip=192.0.2.2 subnet_broadcast=192.0.2.255

cannot_run() {
  if [ "${CI:-}" = true ]; then
    echo "FAIL: $1" >&2
    exit 1
  fi
  echo "SKIP: $1"
  exit 77
}

[ "$(id -u)" = 0 ] || cannot_run "network namespaces need root"
for tool in ip tshark wakeonlan python3 timeout; do
  command -v "$tool" >/dev/null || cannot_run "$tool is not installed"
done

work=$(mktemp -d)
tx_ns=tarnwick-wol-tx-$$
rx_ns=tarnwick-wol-rx-$$
pids=()

cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [ "$kind" = wine ]; then
    WINEPREFIX="$work/wine" timeout 20 "$(wine_server)" -k 2>/dev/null || true
  fi
  ip netns del "$tx_ns" 2>/dev/null || true
  ip netns del "$rx_ns" 2>/dev/null || true
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}

wine_server() {
  local server
  for server in wineserver64 wineserver /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver; do
    if command -v "$server" >/dev/null; then
      echo "$server"
      return
    fi
  done
  echo wineserver
}
trap cleanup EXIT

# --- two hosts on one link -------------------------------------------------
ip netns add "$tx_ns" || cannot_run "cannot create network namespaces"
ip netns add "$rx_ns"
ip link add wol0 netns "$tx_ns" type veth peer name wol1 netns "$rx_ns"
ip -n "$tx_ns" addr add "$sender_ip/24" dev wol0
ip -n "$rx_ns" addr add "$receiver_ip/24" dev wol1
for ns in "$tx_ns" "$rx_ns"; do ip -n "$ns" link set lo up; done
ip -n "$tx_ns" link set wol0 up
ip -n "$rx_ns" link set wol1 up
# The limited broadcast leaves by the default route.
ip -n "$tx_ns" route add default dev wol0

# --- listen and capture on the receiving side ------------------------------
# Where each datagram goes, in the order sent below (wakeonlan's last).
destinations=("255.255.255.255 9" "255.255.255.255 9" "$subnet_broadcast $chosen_port"
  "$receiver_ip $chosen_port" "255.255.255.255 9")
expected_datagrams=${#destinations[@]}
ip netns exec "$rx_ns" timeout 60 tshark -i wol1 -f udp -w "$work/wire.pcapng" \
  >"$work/tshark.log" 2>&1 &
pids+=($!)
ip netns exec "$rx_ns" python3 "$here/udp_recorder.py" "$work/datagrams" \
  "$expected_datagrams" 30 9 "$chosen_port" >"$work/recorder.log" 2>&1 &
recorder=$!
pids+=($recorder)

wait_for() { # FILE TEXT SECONDS
  local tries=$(($3 * 10))
  while [ "$tries" -gt 0 ]; do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  echo "FAIL: no '$2' in $1 after $3 s:" >&2
  cat "$1" >&2 || true
  exit 1
}
wait_for "$work/tshark.log" "Capturing on" 20
wait_for "$work/recorder.log" ready 10

# --- wake the machine ------------------------------------------------------
send() {
  echo "send: wol-wake $*"
  ip netns exec "$tx_ns" env WINEPREFIX="$work/wine" timeout 120 "${sender[@]}" "$@"
}
send "$mac"                                 # wol_send(mac, NULL, 0)
send "$mac" "" -5                           # wol_send(mac, "", -5)
send "$mac" "$subnet_broadcast" "$chosen_port"
send "$mac" "$receiver_ip" "$chosen_port"
echo "send: wakeonlan $mac"
ip netns exec "$tx_ns" timeout 10 wakeonlan -i 255.255.255.255 -p 9 "$mac"

# Bounded: the recorder stops by itself after 30 s at most.
wait "$recorder" || true
sleep 0.5
kill -INT "${pids[0]}" 2>/dev/null || true
wait "${pids[0]}" 2>/dev/null || true

# --- what arrived ----------------------------------------------------------
each_destination() { # SUFFIX: one line per datagram
  local destination
  for destination in "${destinations[@]}"; do echo "$destination $1"; done
}

hex_mac=$(echo "$mac" | tr -d ':' | tr 'A-F' 'a-f')
packet=ffffffffffff
for _ in $(seq 16); do packet+=$hex_mac; done
# The dissector lists the MAC once for each of the sixteen copies.
lower_mac=$(echo "$mac" | tr 'A-F' 'a-f')
macs=$lower_mac
for _ in $(seq 15); do macs+=,$lower_mac; done

status=0
expect() { # WHAT ACTUAL EXPECTED
  [ "$2" = "$3" ] && return 0
  printf 'FAIL: %s:\n%s\nexpected:\n%s\n' "$1" "$2" "$3" >&2
  status=1
}
expect "the receiver got (destination port payload)" "$(cat "$work/datagrams")" \
  "$(each_destination "$packet")"
expect "tshark's Wake-on-LAN dissector saw (ip.dst udp.dstport wol.mac)" \
  "$(tshark -r "$work/wire.pcapng" -T fields -E separator=' ' \
    -e ip.dst -e udp.dstport -e wol.mac 2>/dev/null)" "$(each_destination "$macs")"
if [ "$status" = 0 ]; then
  echo "ok: $kind sender, $expected_datagrams datagrams for $mac as expected, same bytes as wakeonlan"
fi
exit "$status"
