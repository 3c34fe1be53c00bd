#!/usr/bin/env bash
# Proves that `wol-wake --up` waits until the machine it woke answers, and
# only that long: a sleeping machine (sleeping_machine.py) in a namespace of
# its own answers nothing until its magic packet arrives with the right
# SecureOn password, then adds the address that --up asks. Up is reported
# after the packet, by a TCP connection and by ICMP echo (a raw socket as
# root; for the native build also a user's ICMP datagram socket, and the
# message where neither is allowed); a wrong MAC or a wrong password times
# out with status 3, the packet resent meanwhile.
#
#   netns_up_test.sh MAC native|emulated|wine SENDER...
#
# Needs root; skips (77) where it cannot make namespaces.
set -euo pipefail

mac=$1 kind=$2
shift 2
sender=("$@")
# shellcheck source=netns_common.sh
source "$(dirname "$0")/netns_common.sh"

readonly sleeper_ip=192.0.2.2 asked_ip=192.0.2.50 tcp_port=2222
readonly other_mac=02:00:00:00:00:01

new_namespace tx_ns tx
new_namespace sleep_ns sleeper
link "$tx_ns" wol0 192.0.2.1/24 "$sleep_ns" wol0 "$sleeper_ip/24"
start_sender

# fall_asleep NAME PASSWORD_HEX: a sleeping machine for $mac, its address gone.
fall_asleep() {
  ip -n "$sleep_ns" addr del "$asked_ip/24" dev wol0 2>/dev/null || true
  ip -n "$tx_ns" neigh flush dev wol0
  ip netns exec "$sleep_ns" python3 "$here/sleeping_machine.py" "$mac" "$2" wol0 "$asked_ip/24" \
    "$tcp_port" >"$work/$1.log" 2>&1 &
  pids+=($!)
  sleeper=$!
  wait_for "the sleeping machine to listen" grep -q ready "$work/$1.log"
}
wake_up() { # WHAT ARGS...: "STATUS LAST_LINE", the time left out
  local what=$1 result
  shift
  echo "send: wol-wake -i 192.0.2.255 $*" >&2
  set +e
  "$runner" -i 192.0.2.255 "$@" >"$work/$what.out" 2>&1
  result=$?
  set -e
  cat "$work/$what.out" >&2
  echo "$result $(tr -d '\r' <"$work/$what.out" | tail -n 1 | sed 's/after [0-9]*\.[0-9] s$/after ... s/')"
}
runner=run_sender
stop_sleeper() { kill "$sleeper" 2>/dev/null || true; wait "$sleeper" 2>/dev/null || true; }

without_reason() { sed 's/; last try: .*//'; }

# --- no route: every question fails, and the message says why -------------------
if [ "$kind" = wine ]; then
  unreachable="A socket operation was attempted to an unreachable network"
else
  unreachable="Network is unreachable"
fi
expect "--up to a host with no route (status, last line)" \
  "$(wake_up no_route --up 10.9.9.9:22 -t 2 -r 0 "$mac")" \
  "3 wol-wake: 10.9.9.9: not up after 2 s; last try: $unreachable"

# --- ICMP: only a reply counts, and every request is well formed -----------------
# A raw socket (as root, ping_group_range leaving root out) also reads its
# own echo requests to 127.0.0.1; with echoes ignored, none is answered.
ip netns exec "$tx_ns" sysctl -qw net.ipv4.icmp_echo_ignore_all=1
expect "--up by ICMP to a host that ignores echoes (status, last line)" \
  "$(wake_up own_echo -i 127.0.0.1 --up 127.0.0.1 -t 2 -r 0 "$mac" | without_reason)" \
  "3 wol-wake: 127.0.0.1: not up after 2 s"
ip netns exec "$tx_ns" sysctl -qw net.ipv4.icmp_echo_ignore_all=0
# The sleeper's own address, while it ignores echoes: three seconds of
# requests, each with a good checksum.
ip netns exec "$sleep_ns" sysctl -qw net.ipv4.icmp_echo_ignore_all=1
capture echo "$sleep_ns" wol0 "icmp or udp port $probe_port"
wait_for "tshark to capture on the sleeper's link" probe_captured echo "$sleeper_ip"
expect "--up by ICMP, no answer (status, last line)" \
  "$(wake_up echoes --up "$sleeper_ip" -t 3 -r 0 "$mac" | without_reason)" \
  "3 wol-wake: $sleeper_ip: not up after 3 s"
ip netns exec "$sleep_ns" sysctl -qw net.ipv4.icmp_echo_ignore_all=0
wait_for "tshark to show --up's echo requests" bash -c "[ \"\$(grep -c '^8 ' '$work/echo.wire')\" -ge 3 ]"
expect "--up's echo requests: three, their checksums good (1; a bad one is 0)" \
  "$(awk '$1 == 8 { print $3 }' "$work/echo.wire" | uniq -c | sed 's/^ *//')" "3 1"

# --- the wrong machine, the wrong password: never up --------------------------
fall_asleep wrong 0a0b0c0d0e0f
expect "--up for another MAC, resending (status, last line)" \
  "$(wake_up other_mac -P 0a:0b:0c:0d:0e:0f --up "$asked_ip:$tcp_port" -t 4 -r 1 "$other_mac" |
    without_reason)" "3 wol-wake: $asked_ip: not up after 4 s"
expect "--up with a wrong password (status, last line)" \
  "$(wake_up wrong_password -P 0a:0b:0c:0d:0e:00 -u "$asked_ip" -t 2 -r 0 "$mac" |
    without_reason)" "3 wol-wake: $asked_ip: not up after 2 s"
# Another MAC's packet at least twice (sent, and sent again), the wrong
# password's once: every one the length of a packet with a password.
wait_for "the sleeping machine to see three packets" \
  bash -c "[ \"\$(grep -c '^ignored' '$work/wrong.log')\" -ge 3 ]"
expect "what the sleeping machine ignored" "$(grep -v '^ignored 108$' "$work/wrong.log")" ready
stop_sleeper

# --- the right packet: up, by TCP and by ICMP -------------------------------------
fall_asleep tcp 0a0b0c0d0e0f
expect "--up by TCP (status, last line)" \
  "$(wake_up tcp -P 0a-0b-0c-0d-0e-0f --up "$asked_ip:$tcp_port" -t 60 "$mac")" \
  "0 up $asked_ip after ... s"
expect "the sleeping machine, woken by TCP's packet" "$(cat "$work/tcp.log")" "ready
woke
up"
stop_sleeper

fall_asleep icmp c0a801fe
expect "--up by ICMP echo (status, last line)" \
  "$(wake_up icmp -P 192.168.1.254 --up "$asked_ip" -t 60 "$mac")" "0 up $asked_ip after ... s"
expect "the sleeping machine, woken by ICMP's packet" "$(cat "$work/icmp.log")" "ready
woke
up"
stop_sleeper

# --- ICMP without root: the datagram socket that ping_group_range allows --------
# (The native build only: Wine's prefix is root's.)
if [ "$kind" = native ]; then
  runner=run_as_nobody
  ip netns exec "$tx_ns" sysctl -qw net.ipv4.ping_group_range="1 0"
  expect "--up by ICMP, neither in ping_group_range nor root (status, last line)" \
    "$(wake_up no_icmp --up "$asked_ip" -t 60 "$mac")" \
    "1 wol-wake: $asked_ip: cannot send ICMP echo requests: Permission denied (net.ipv4.ping_group_range leaves this user out, and a raw socket needs root or CAP_NET_RAW); give --up HOST:PORT to wait for a TCP port instead"
  ip netns exec "$tx_ns" sysctl -qw net.ipv4.ping_group_range="65534 65534"
  fall_asleep icmp_datagram -
  expect "--up by ICMP as a user in ping_group_range (status, last line)" \
    "$(wake_up icmp_datagram --up "$asked_ip" -t 60 "$mac")" "0 up $asked_ip after ... s"
  stop_sleeper
  runner=run_sender
fi

if [ "$status" = 0 ]; then
  echo "ok: $kind sender, --up waited for the machine by TCP and ICMP, and timed out with" \
    "status 3 for a wrong MAC and a wrong password"
fi
exit "$status"
