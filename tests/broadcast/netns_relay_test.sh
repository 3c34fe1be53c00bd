#!/usr/bin/env bash
# Proves, as an administrator would try it, that a wake-up from network A
# reaches a machine on network B through a router only by way of wol-relay,
# and that the relay refuses, limits and logs as it says.
#
#   A 192.0.2.0/24                 router R               B 198.51.100.0/24 (a bridge in R)
#   sender .2  ── wolA ──  .1 [forwards unicast,  .1 ── relay .10, relay2 .11, target .20
#                              not directed broadcasts]
#
# - Without a relay, a directed broadcast from A to B's 198.51.100.255 does
#   not reach B's target (R does not forward it; a unicast sent after it
#   does arrive).
# - Debian's unmodified wakeonlan and the build's wol-wake in A send to the
#   relay's unicast address; wol-listen on the target shows each accepted
#   packet as B's broadcast, a password kept; wol-listen --expect ends with
#   0, and with 3 when nothing comes.
# - A MAC not allowed, a payload that is no magic packet and a sender
#   outside --from are refused, logged, and never reach B.
# - A burst of 1,000 requests for one MAC is one broadcast; a burst of
#   1,000 MACs to a relay with --allow-any is --global-rate's number; the
#   summary on SIGTERM counts every request (and any the system dropped).
# - Two relays on B: each one's broadcast is refused by the other (and its
#   own by itself), so one request makes one copy; two relays whose -i
#   point at each other forward a request once.
# - The build's relay as an unprivileged user: port 9 needs
#   CAP_NET_BIND_SERVICE and -e CAP_NET_RAW, each named when missing; with
#   them (as its systemd unit gives them) it forwards, -e as a raw frame.
#
#   netns_relay_test.sh MAC native|emulated|wine SENDER...
#
# Needs root; skips (77) where it cannot make namespaces.
set -euo pipefail

mac=$1 kind=$2
shift 2
sender=("$@")
# shellcheck source=netns_common.sh
source "$(dirname "$0")/netns_common.sh"
needs wakeonlan setpriv

mapfile -t listener < <(build_program wol-listen)
mapfile -t relay < <(build_program wol-relay)
readonly a_net=192.0.2 b_net=198.51.100
readonly relay_ip=$b_net.10 relay2_ip=$b_net.11 target_ip=$b_net.20
readonly allowed_w=02:00:00:00:00:01 allowed_p=02:00:00:00:00:03 not_allowed=02:00:00:00:00:04
readonly unrelayed=02:00:00:00:00:05 marker=02:00:00:00:00:06 burst_mac=02:00:00:00:00:07
readonly other_way=02:00:00:00:00:08 chained=02:00:00:00:00:09 framed=02:00:00:00:00:0a
mac_lower=$(echo "$mac" | tr 'A-F' 'a-f')

# --- the networks -------------------------------------------------------------
new_namespace tx_ns a
new_namespace r_ns r
new_namespace relay_ns relay
new_namespace relay2_ns relay2
new_namespace target_ns target
link "$tx_ns" wolA "$a_net.2/24" "$r_ns" wolA "$a_net.1/24"
ip -n "$tx_ns" route add default via "$a_net.1"
ip -n "$r_ns" link add brB type bridge
ip -n "$r_ns" addr add "$b_net.1/24" brd + dev brB
ip -n "$r_ns" link set brB up
for pair in "$relay_ns:$relay_ip" "$relay2_ns:$relay2_ip" "$target_ns:$target_ip"; do
  ns=${pair%%:*} port=b${pair##*.}
  ip link add "$port" netns "$r_ns" type veth peer name wolB netns "$ns"
  ip -n "$r_ns" link set "$port" master brB up
  ip -n "$ns" addr add "${pair#*:}/24" brd + dev wolB
  ip -n "$ns" link set wolB up
  ip -n "$ns" route add default via "$b_net.1"
done
ip netns exec "$r_ns" sysctl -qw net.ipv4.ip_forward=1
start_wines "$relay_ns:relay" "$target_ns:target"

# prefix_of NS: the Wine prefix of NS's programs.
prefix_of() {
  case "$1" in
  "$relay_ns") echo "$work/wine-relay" ;;
  "$target_ns") echo "$work/wine-target" ;;
  *) echo "$work/wine" ;;
  esac
}
# run_in NS COMMAND...: runs COMMAND in NS.
run_in() {
  local ns=$1
  shift
  ip netns exec "$ns" env WINEPREFIX="$(prefix_of "$ns")" timeout 300 "$@"
}
# background NAME NS COMMAND...: COMMAND in NS with its output in NAME.out
# and NAME.err, until cleanup or stop; the PID that signals reach (timeout
# passes them on, to COMMAND alone: see stoppable) in the variable pid_NAME.
background() {
  local name=$1 ns=$2
  shift 2
  rm -f "$work/$name.out" "$work/$name.err" # a waiter must not read a former run's lines
  ip netns exec "$ns" env WINEPREFIX="$(prefix_of "$ns")" "${stoppable[@]}" "$@" \
    </dev/null >"$work/$name.out" 2>"$work/$name.err" &
  pids+=($!)
  printf -v "pid_$name" %s $!
}
# stop NAME: asks NAME to stop (SIGTERM, or Wine's Ctrl-C) and waits.
stop() {
  local pid="pid_$1"
  kill -s "$([ "$kind" = wine ] && echo INT || echo TERM)" "${!pid}"
  wait "${!pid}" || fail "$1 ended with status $?: $(cat "$work/$1.err")"
}
has() { grep -q -- "$2" "$work/$1" 2>/dev/null; }  # NAME.FILE PATTERN
count() { grep -c -- "$2" "$work/$1" || true; }     # NAME.FILE PATTERN
lines() { sed 's/^[0-9T:.-]* //' "$work/$1" | tr -d '\r'; } # without times
# heard_lines: what the target heard, "SOURCE > DESTINATION MAC ...", the
# time, interface and source port left out.
heard_lines() {
  lines target.out | sed -E 's/^[^ ]+ (udp|eth) //; s/^([0-9.]+):[0-9]+ >/\1 >/'
}
send_a() { echo "send (A): $*"; run_in "$tx_ns" "$@" >/dev/null; }
wakeonlan_a() { send_a wakeonlan "$@"; }
wol_wake_a() { send_a "${sender[@]}" "$@"; }

# --- the listener on B's target ---------------------------------------------------
background target "$target_ns" "${listener[@]}" -p 9
wait_for "the listener to listen" has target.err "listening on"
heard() { has target.out " $1 "; } # MAC

# --- without a relay: a directed broadcast does not cross R -------------------
wakeonlan_a -i "$b_net.255" "$unrelayed"
wakeonlan_a -i "$target_ip" "$marker" # unicast: routed
wait_for "the unicast marker to reach the target" heard "$marker"
expect "what crossed R without a relay (the marker alone)" "$(heard_lines)" \
  "$a_net.2 > $target_ip:9 $marker ok"

# --- the relay ---------------------------------------------------------------------
printf '%s\n' "# machines of B" "$allowed_w pc-w" "$mac pc-t" "$allowed_p pc-p" "$marker" \
  "$burst_mac" "$other_way" "$framed" >"$work/allow"
background relay "$relay_ns" "${relay[@]}" --allow "$work/allow" --from "$a_net.0/24" \
  -I wolB --rate 1/3600 --global-rate 100/3600
wait_for "the relay to start" has relay.err "started: "
relayed() { has relay.err "$1"; }

wakeonlan_a -i "$relay_ip" "$allowed_w"
wol_wake_a -i "$relay_ip" "$mac"
wol_wake_a -i "$relay_ip" -P 192.168.1.254 "$allowed_p"
wait_for "the three wake-ups to reach the target" heard "$allowed_p"
# Refused: a MAC not allowed, no magic packet, a sender outside --from (R).
wakeonlan_a -i "$relay_ip" "$not_allowed"
run_in "$tx_ns" bash -c "echo 'no magic here' >/dev/udp/$relay_ip/9"
echo "send (R): wakeonlan -i $relay_ip $allowed_w"
run_in "$r_ns" wakeonlan -i "$relay_ip" "$allowed_w" >/dev/null
wakeonlan_a -i "$relay_ip" "$marker"
wait_for "the marker's forward to come back to the relay" relayed "refused $marker .*: own: "
# (In sorted order: a forward's echo and the next request may come either way.)
expect "the relay's decisions" \
  "$(lines relay.err | grep -v '^started' | sed -E 's/ from ([0-9.]+):[0-9]+/ from \1/' | sort)" \
  "$(sort <<EOF
forwarded $allowed_w (pc-w) from $a_net.2 to $b_net.255:9
refused $allowed_w (pc-w) from $relay_ip: own: sent by this relay
forwarded $mac_lower (pc-t) from $a_net.2 to $b_net.255:9
refused $mac_lower (pc-t) from $relay_ip: own: sent by this relay
forwarded $allowed_p (pc-p) from $a_net.2 with its password to $b_net.255:9
refused $allowed_p (pc-p) from $relay_ip: own: sent by this relay
refused $not_allowed from $a_net.2: not-allowed: not in $work/allow
refused - from $a_net.2: not-magic: too-short, 14 bytes, fewer than a magic packet's 102
refused $allowed_w (pc-w) from $b_net.1: sender: not from a network of --from
forwarded $marker from $a_net.2 to $b_net.255:9
refused $marker from $relay_ip: own: sent by this relay
EOF
)"
wait_for "the marker at the target" has target.out "$relay_ip:[0-9]* > .* $marker ok"
expect "what the target heard through the relay" "$(heard_lines | grep "^$relay_ip " | sort)" \
  "$(sort <<EOF
$relay_ip > $b_net.255:9 $allowed_w ok
$relay_ip > $b_net.255:9 $mac_lower ok
$relay_ip > $b_net.255:9 $allowed_p password 192.168.1.254 ok
$relay_ip > $b_net.255:9 $marker ok
EOF
)"

# --- --expect -------------------------------------------------------------------------
background expect "$target_ns" "${listener[@]}" -p 7 --expect "$other_way" -t 120
wait_for "the expecting listener to listen" has expect.err "listening on"
wakeonlan_a -i "$target_ip" -p 7 "$marker"
wakeonlan_a -i "$target_ip" -p 7 "$other_way"
set +e
wait "$pid_expect"
expect_status=$?
set -e
expect "wol-listen --expect when the packet arrives (status, packets shown)" \
  "$expect_status $(lines expect.out | awk '{print $6}' | sort | tr '\n' ' ')" \
  "0 $(printf '%s\n' "$marker" "$other_way" | sort | tr '\n' ' ')"
set +e
run_in "$target_ns" "${listener[@]}" -q -p 7 --expect "$framed" -t 1 >/dev/null 2>"$work/expect3.err"
expect_status=$?
set -e
expect "wol-listen --expect when nothing comes (status, message)" \
  "$expect_status $(tr -d '\r' <"$work/expect3.err")" \
  "3 wol-listen: no packet for $framed in 1 s"

# --- a burst of 1,000 for one MAC ---------------------------------------------------------
burst() { # COUNT TO MAC: datagrams from A as fast as Python sends them; MAC
  # may hold {0:02x} and {1:02x}, the request's number's two bytes
  run_in "$tx_ns" python3 -c "
import socket, sys
count, to, form = int(sys.argv[1]), sys.argv[2], sys.argv[3]
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
for i in range(count):
    mac = bytes.fromhex(form.format(i >> 8, i & 255).replace(':', ''))
    s.sendto(b'\xff' * 6 + mac * 16, (to, 9))
" "$@"
}
# read NS: whether the UDP sockets on port 9 in NS have nothing left to read
# (ss's Recv-Q), so that what is sent next finds room.
read_all() {
  ip netns exec "$1" ss -H -u -l -n 'sport = :9' | awk '{ q += $2 } END { exit q != 0 }'
}
echo "send (A): 1000 requests for $burst_mac"
burst 1000 "$relay_ip" "$burst_mac"
wait_for "the relay to read the burst" read_all "$relay_ns"
wakeonlan_a -i "$relay_ip" "$marker" # refused by the rate limit: the end of the burst
wait_for "the relay to reach the end of the burst" relayed "refused $marker.*rate-mac"
expect "forwards of the burst's MAC" "$(count relay.err "forwarded $burst_mac")" 1
stop relay
summary=$(lines relay.err | tail -n 1)
echo "relay: $summary"
number() { sed -nE "s/.* ([0-9]+) $1.*/\1/p" <<<"$summary"; }
requests=$(number "requests?:") forwarded=$(number forwarded) failed=$(number failed)
refused=$(number refused) dropped=$(number "more dropped")
expect "the summary: forwarded + failed + refused = requests" \
  "$((forwarded + failed + refused))" "$requests"
# Before the burst, eleven requests (the relay's own echoes among them);
# the burst's one forward has its echo, unless it came after the marker.
# The system counts what it dropped for want of room (Linux; 0 elsewhere).
total=$((requests + ${dropped:-0}))
if [ "$kind" != wine ] && { [ "$total" -lt 1012 ] || [ "$total" -gt 1013 ]; }; then
  expect "the summary: every request of the burst counted, read or dropped" "$total" "1012 or 1013"
fi
expect "the target heard the burst's MAC" "$(count target.out " $burst_mac ")" 1

# --- two relays on B --------------------------------------------------------------------
# relay2 forwards for any MAC, at most 5 in an hour: a burst of 1,000 MACs
# is five broadcasts, each refused by relay (as a broadcast) and by relay2
# itself (as its own).
background relay "$relay_ns" "${relay[@]}" --allow "$work/allow" -I wolB --rate 1/3600
wait_for "the relay to start again" has relay.err "started: "
# A broadcast on B is no request, from whomever it comes.
echo "send (target): wakeonlan -i $b_net.255 $allowed_w"
run_in "$target_ns" wakeonlan -i "$b_net.255" "$allowed_w" >/dev/null
wait_for "the relay to refuse a broadcast" relayed \
  "refused $allowed_w (pc-w) from $target_ip:[0-9]*: broadcast: sent to $b_net.255, not to this relay"
if [ "$kind" != wine ]; then
  background relay2 "$relay2_ns" "${relay[@]}" --allow-any -I wolB --global-rate 5/3600
  wait_for "relay2 to start" has relay2.err "started: "
  echo "send (A): 1000 requests for 1000 MACs to relay2"
  burst 1000 "$relay2_ip" "02:01:00:00:{0:02x}:{1:02x}"
  wait_for "relay2 to read the burst" read_all "$relay2_ns"
  wakeonlan_a -i "$relay2_ip" "$marker"
  wait_for "relay2 to reach the end of its burst" has relay2.err "refused $marker.*rate-global"
  expect "relay2's forwards of 1000 MACs" "$(count relay2.err "forwarded 02:01:")" 5
  wait_for "relay to see relay2's five broadcasts" \
    bash -c "[ \$(grep -c 'refused 02:01:.*broadcast: sent to $b_net.255' '$work/relay.err') -ge 5 ]"
  expect "relay's forwards of relay2's broadcasts" "$(count relay.err "forwarded 02:01:")" 0
  # One request to relay: one copy on B, refused by relay2 as a broadcast.
  wakeonlan_a -i "$relay_ip" "$framed"
  wait_for "relay2 to refuse relay's broadcast" has relay2.err \
    "refused $framed from $relay_ip:[0-9]*: broadcast: sent to $b_net.255, not to this relay"
  wait_for "relay to refuse its own broadcast" relayed "refused $framed .*own: sent by this relay"
  wakeonlan_a -i "$target_ip" "$marker" # after any copy there could be
  wait_for "the marker" heard "$a_net.2:[0-9]* > $target_ip:9 $marker"
  expect "copies of one request on B with two relays" "$(count target.out " $framed ")" 1
  stop relay2

  # Two relays whose -i point at each other, on port 10009: once.
  background chain1 "$relay_ns" "${relay[@]}" -p 10009 --allow-any -i "$relay2_ip" --to-port 10009
  background chain2 "$relay2_ns" "${relay[@]}" -p 10009 --allow-any -i "$relay_ip" --to-port 10009
  wait_for "the chained relays to start" bash -c \
    "grep -q started: '$work/chain1.err' && grep -q started: '$work/chain2.err'"
  wakeonlan_a -i "$relay_ip" -p 10009 "$chained"
  wait_for "the second relay to refuse sending it back" has chain2.err \
    "refused $chained from $relay_ip:[0-9]*: loop: -i would send it back to $relay_ip"
  expect "forwards of one request between relays that point at each other" \
    "$(cat "$work"/chain*.err | grep -c "forwarded $chained")" 1
fi
stop relay

# --- as an unprivileged user, with the capabilities it needs --------------------------
if [ "$kind" = native ]; then
  status_and_error() { # COMMAND...: "STATUS FIRST_LINE_OF_STDERR"
    local result
    set +e
    "$@" >/dev/null 2>"$work/outcome"
    result=$?
    set -e
    echo "$result $(head -n 1 "$work/outcome")"
  }
  expect "the relay on port 9 without CAP_NET_BIND_SERVICE (status, message)" \
    "$(status_and_error as_nobody "$relay_ns" "" "${relay[0]}" --allow-any -I wolB)" \
    "1 wol-relay: UDP port 9: Permission denied; a port below 1024 needs root or CAP_NET_BIND_SERVICE; run as root, give the program that right once (sudo setcap cap_net_bind_service+ep \"\$(command -v wol-relay)\"), or choose a port from 1024 up with -p PORT"
  expect "the relay with -e without CAP_NET_RAW (status, message)" \
    "$(status_and_error as_nobody "$relay_ns" net_bind_service "${relay[0]}" --allow-any -e -I wolB)" \
    "1 wol-relay: -e: cannot open a raw Ethernet socket: Operation not permitted (it needs root or CAP_NET_RAW)"
  expect "wol-listen on port 9 without CAP_NET_BIND_SERVICE (status, message)" \
    "$(status_and_error as_nobody "$target_ns" "" "${listener[0]}" -4 -p 9)" \
    "1 wol-listen: UDP port 9: Permission denied; a port below 1024 needs root or CAP_NET_BIND_SERVICE; run as root, give the program that right once (sudo setcap cap_net_bind_service+ep \"\$(command -v wol-listen)\"), or choose a port from 1024 up with -p PORT"
  expect "wol-listen -e without CAP_NET_RAW (status, message)" \
    "$(status_and_error as_nobody "$target_ns" "" "${listener[0]}" -e -p 40009)" \
    "1 wol-listen: raw Ethernet frames: Operation not permitted; reading them needs root or CAP_NET_RAW; run as root, or give the program that right once (sudo setcap cap_net_raw,cap_net_bind_service+ep \"\$(command -v wol-listen)\")"
  # With both, as the unit gives them: a raw frame on B, heard as one.
  stop target
  background target "$target_ns" "${listener[@]}" -e -p 9
  wait_for "the listener to listen for frames" has target.err "raw Ethernet frames"
  cp "$work/allow" "$for_nobody/allow" # where the user can read it
  nobody_command "$relay_ns" net_bind_service,net_raw "${relay[0]}"
  "${nobody[@]}" --allow "$for_nobody/allow" -e -I wolB </dev/null >/dev/null 2>"$work/nobody.err" &
  pids+=($!)
  pid_nobody=$!
  wait_for "the unprivileged relay to start" has nobody.err "started: "
  wakeonlan_a -i "$relay_ip" "$framed"
  wait_for "the frame at the target" has target.out " eth .* $framed ok"
  relay_mac=$(ip -n "$relay_ns" link show wolB | awk '/link\/ether/ {print $2}')
  expect "the unprivileged relay's frame at the target" "$(heard_lines | grep "$framed")" \
    "$relay_mac > ff:ff:ff:ff:ff:ff $framed ok"
  kill "$pid_nobody"
fi

if [ "$status" = 0 ]; then
  echo "ok: $kind programs, wake-ups crossed R only through the relay; refusals, limits, two" \
    "relays and the capabilities behaved as documented"
fi
exit "$status"
