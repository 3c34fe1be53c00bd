# Shared by the tests that send between network namespaces of their own:
# making the namespaces and links, listening on a receiver's link (a UDP
# recorder and tshark), and cleaning up on every path. Sourced by bash with
# `set -euo pipefail`; expects $kind (native, emulated or wine) and the
# sender command in the array $sender. A test that needs more tools than
# these names them with `needs TOOL...` after sourcing.

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
readonly probe_port=40999

# Without the rights to make namespaces the test skips (77) with its reason;
# as root under CI a missing tool or namespace is a failure.
# shellcheck source=../cannot_run.sh
source "$here/../cannot_run.sh"

# needs TOOL...: every TOOL is installed, or the test cannot run.
needs() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || cannot_run "$tool is not installed"
  done
}

[ "$(id -u)" = 0 ] || cannot_run "network namespaces need root"
needs ip tshark python3 timeout

work=$(mktemp -d)
# What an unprivileged user runs, copied where that user can read it.
for_nobody=$(mktemp -d)
namespaces=()
wine_prefixes=("$work/wine") # each with a server of its own, in its namespace
declare -A etc_made=()
etc_netns_made=
pids=()
suffix=$$
# The bound on a program that the test stops with a signal. --foreground:
# timeout passes the signal to the program alone, not to its whole process
# group as well, where a second SIGTERM can reach the helper that a
# sanitizer's leak check forks at exit in the middle of its work and
# leave both waiting on each other.
stoppable=(timeout --foreground 300)

cleanup() {
  local pid ns prefix
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [ "$kind" = wine ]; then
    for prefix in "${wine_prefixes[@]}"; do
      WINEPREFIX="$prefix" timeout 60 "${sender[0]}" --stop-server "${sender[1]}" || true
    done
  fi
  for ns in "${namespaces[@]}"; do
    ip netns del "$ns" 2>/dev/null || true
    [ -z "${etc_made[$ns]:-}" ] || rm -rf "/etc/netns/$ns"
  done
  [ -z "$etc_netns_made" ] || rmdir /etc/netns 2>/dev/null || true
  rm -rf "$for_nobody"
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# new_namespace VAR ROLE: makes a namespace with its loopback up, named
# after this test's process, and stores its name in VAR.
new_namespace() {
  local ns=tarnwick-wol-$2-$suffix
  ip netns add "$ns" || cannot_run "cannot create network namespaces"
  namespaces+=("$ns")
  ip -n "$ns" link set lo up
  printf -v "$1" %s "$ns"
}

# etc_file NS NAME LINE...: /etc/netns/NS/NAME, which `ip netns exec` puts
# in place of /etc/NAME (hosts, resolv.conf) for NS's programs; removed
# with the namespace.
etc_file() {
  local ns=$1 name=$2
  shift 2
  if [ ! -d /etc/netns ]; then
    mkdir /etc/netns
    etc_netns_made=1
  fi
  [ -n "${etc_made[$ns]:-}" ] || { mkdir "/etc/netns/$ns"; etc_made[$ns]=1; }
  printf '%s\n' "$@" >"/etc/netns/$ns/$name"
}

# link NS_A IF_A ADDRESS_A/PREFIX NS_B IF_B ADDRESS_B/PREFIX: a veth pair.
link() {
  ip link add "$2" netns "$1" type veth peer name "$5" netns "$4"
  ip -n "$1" addr add "$3" dev "$2"
  ip -n "$4" addr add "$6" dev "$5"
  ip -n "$1" link set "$2" up
  ip -n "$4" link set "$5" up
}

# run_sender ARGS...: runs the sender in $tx_ns; send ARGS... says so first.
run_sender() {
  ip netns exec "$tx_ns" env WINEPREFIX="$work/wine" timeout 300 "${sender[@]}" "$@"
}
send() {
  echo "send: wol-wake $*"
  run_sender "$@"
}

# start_sender: under Wine, makes the prefix and starts its server inside
# the sending namespace, lasting until cleanup (a server that leaves after
# each run can be met leaving by the next), before any listener's clock
# starts (the first run takes seconds, far longer on a cold machine).
start_sender() {
  [ "$kind" = wine ] || return 0
  ip netns exec "$tx_ns" env WINEPREFIX="$work/wine" timeout 300 \
    "${sender[0]}" --start-server "${sender[1]}" </dev/null >"$work/wine-start.log" 2>&1 ||
    fail "the sender does not start: $(cat "$work/wine-start.log")"
}

# start_wines NS:NAME...: as start_sender, and at the same time, for the
# Wine programs that run in other namespaces: each NAME a prefix of its own
# ($work/wine-NAME), whose server starts in NS (Wine's server makes the
# sockets of its programs).
start_wines() {
  [ "$kind" = wine ] || return 0
  local each starting=()
  start_sender &
  starting+=($!)
  for each in "$@"; do
    wine_prefixes+=("$work/wine-${each#*:}")
    ip netns exec "${each%%:*}" env WINEPREFIX="$work/wine-${each#*:}" timeout 300 \
      "${sender[0]}" --start-server "${sender[1]}" </dev/null >"$work/wine-${each#*:}-start.log" 2>&1 &
    starting+=($!)
  done
  for each in "${starting[@]}"; do
    wait "$each" || fail "Wine does not start: $(cat "$work"/wine*-start.log)"
  done
}

# build_program NAME: the sender's command for the build's program NAME
# (wol-listen, wol-relay), run the same way (natively, under qemu-user or
# under Wine).
build_program() {
  local tool=${sender[${#sender[@]} - 1]}
  printf '%s\n' "${sender[@]:0:${#sender[@]}-1}" "${tool%/*}/$1${tool##*wol-wake}"
}

# run_as_nobody ARGS...: the (native) sender in $tx_ns as an unprivileged
# user without capabilities. The build may lie where that user cannot reach
# it (Debian 13's /root is 0700), so the user runs a copy of the tool and of
# the build's libraries that it loads, in a folder of the test's own.
run_as_nobody() {
  as_nobody "$tx_ns" "" "${sender[0]}" "$@"
}

# as_nobody NS CAPS PROGRAM ARGS...: a native PROGRAM of the build in NS as
# an unprivileged user with only the capabilities CAPS (such as
# net_bind_service,net_raw; empty: none), as systemd's AmbientCapabilities
# gives them to a service; from a copy that the user can read.
as_nobody() {
  nobody_command "$1" "$2" "$3"
  shift 3
  "${nobody[@]}" "$@"
}

# nobody_command NS CAPS PROGRAM: as_nobody's command, in the array
# $nobody, for a caller that starts it in the background itself.
nobody_command() {
  local ns=$1 caps=$2 source=$3 program=$for_nobody/${3##*/} build name path
  if [ ! -e "$program" ]; then
    build=$(cd "$(dirname "$source")/.." && pwd -P)
    cp "$source" "$program"
    # Each library of the build, under the name the program asks for.
    while read -r name path; do
      [[ $(readlink -f "$path") != "$build"/* ]] || cp "$path" "$for_nobody/$name"
    done < <(ldd "$source" | awk '$2 == "=>" && $3 ~ /^\// {print $1, $3}')
    chmod -R a+rX "$for_nobody"
  fi
  local with=(--inh-caps=-all)
  [ -z "$caps" ] || with=(--inh-caps="+${caps//,/,+}" --ambient-caps="+${caps//,/,+}")
  nobody=(ip netns exec "$ns" setpriv --reuid=65534 --regid=65534 --clear-groups "${with[@]}"
    env LD_LIBRARY_PATH="$for_nobody" "${stoppable[@]}" "$program")
}

# wait_for DESCRIPTION COMMAND...: polls COMMAND every 0.1 s, for 30 s at most.
wait_for() {
  local what=$1 tries=300
  shift
  until "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || fail "$what did not happen within 30 s"
    sleep 0.1
  done
}

# listen NAME NS IF ADDRESS COUNT PORT...: records the datagrams that reach
# NS on PORTs (at most COUNT, then the recorder ends) and captures IF's
# IPv4 UDP traffic with tshark's Wake-on-LAN dissector. Returns once both are
# really listening: the recorder has bound its sockets, and tshark has
# seen a probe that the sending namespace sent to ADDRESS.
listen() {
  local name=$1 ns=$2 interface=$3 address=$4 count=$5
  shift 5
  capture "$name" "$ns" "$interface" ip
  ip netns exec "$ns" python3 "$here/udp_recorder.py" "$work/$name.datagrams" "$count" 120 "$@" \
    >"$work/$name.recorder.log" 2>&1 &
  pids+=($!)
  eval "recorder_$name=$!"
  wait_for "the $name recorder to bind" grep -q ready "$work/$name.recorder.log"
  wait_for "tshark to capture on $interface" probe_captured "$name" "$address"
}

# capture NAME NS IF ip|ip6: tshark on IF, one line per UDP datagram of that
# IP version: "DESTINATION PORT MACS". capture NAME NS IF "icmp or ...":
# one line per packet of the filter, "TYPE SEQUENCE CHECKSUM_STATUS" for
# ICMP, and the UDP port for the probes.
capture() {
  if [[ $4 == icmp* ]]; then
    ip netns exec "$2" tshark -i "$3" -f "$4" -l -n -T fields -E separator=' ' -e icmp.type \
      -e icmp.seq -e icmp.checksum.status -e udp.dstport >"$work/$1.wire" 2>"$work/$1.tshark.log" &
    pids+=($!)
    return
  fi
  # A UDP datagram goes to the dissector of the lower of its two ports: with
  # a random source port that Wireshark knows for another protocol, that one
  # would win over Wake-on-LAN, which finds its packets by their content. So
  # content first.
  ip netns exec "$2" tshark -i "$3" -f "$4 and udp" -l -n -o udp.try_heuristic_first:TRUE \
    -T fields -E separator=' ' -e "${4/ip6/ipv6}.dst" -e udp.dstport -e wol.mac \
    >"$work/$1.wire" 2>"$work/$1.tshark.log" &
  pids+=($!)
}

# listen6 NAME NS IF TX_IF: captures IF's IPv6 UDP traffic (no recorder);
# returns once tshark has seen a probe that the sending namespace sent to
# ff02::1 out of TX_IF, the other end of the link.
listen6() {
  capture "$1" "$2" "$3" ip6
  wait_for "tshark to capture on $3" probe_captured "$1" "ff02::1%$4"
}

# probe_captured NAME ADDRESS: sends one probe datagram from the sending
# namespace and tells whether tshark has shown any probe yet.
probe_captured() {
  ip netns exec "$tx_ns" bash -c "echo probe >/dev/udp/$2/$probe_port" 2>/dev/null || true
  grep -q " $probe_port *\$" "$work/$1.wire"
}

# received NAME COUNT: waits until the recorder has its COUNT datagrams and
# tshark has shown as many (probes aside), then stops tshark.
received() {
  local name=$1 count=$2 recorder
  recorder="recorder_$name"
  wait "${!recorder}" || true
  wait_for "tshark to show $count datagrams on $name's link" wire_has "$name" "$count"
}

wire_has() { [ "$(grep -vc " $probe_port *\$" "$work/$1.wire")" -ge "$2" ]; }

# recorded NAME: what the recorder got, "DESTINATION PORT PAYLOAD" a line,
# in sorted order. seen NAME: what tshark saw, "DESTINATION PORT MACS".
recorded() { sort "$work/$1.datagrams"; }
seen() { grep -v " $probe_port *\$" "$work/$1.wire" | sort; }

# magic_packet MAC and dissected_macs MAC: the payload in hex, and the MAC
# as the dissector lists it, once for each of the sixteen copies.
magic_packet() {
  local hex_mac packet=ffffffffffff
  hex_mac=$(echo "$1" | tr -d ':' | tr 'A-F' 'a-f')
  for _ in $(seq 16); do packet+=$hex_mac; done
  echo "$packet"
}
dissected_macs() {
  local lower macs
  lower=$(echo "$1" | tr 'A-F' 'a-f')
  macs=$lower
  for _ in $(seq 15); do macs+=,$lower; done
  echo "$macs"
}

# outcome COMMAND...: "STATUS OUTPUT" of COMMAND, its output without CRs.
outcome() {
  local result
  set +e
  "$@" >"$work/outcome" 2>&1
  result=$?
  set -e
  echo "$result $(tr -d '\r' <"$work/outcome")"
}

status=0
expect() { # WHAT ACTUAL EXPECTED
  [ "$2" = "$3" ] && return 0
  printf 'FAIL: %s:\n%s\nexpected:\n%s\n' "$1" "$2" "$3" >&2
  status=1
}
