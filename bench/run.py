#!/usr/bin/env python3
"""Runs every benchmark of tarnwick-wol and writes bench/results/:

  micro.json      Google Benchmark: wol_packet and wol_send against baselines
  summary.json    the medians, their spread, the ratios and the goals
  peers.csv       packets per second, 10,000 to 127.0.0.1, for each contender
                  (wol-wake and wakeonlan each reading the same file of 10,000;
                  summary.json's "tool" gives their per-target cost and ratio)
  peers.png       the chart of peers.csv (gnuplot)
  relay.json      wol-relay's added delay (median and worst of 1,000 forwards)
                  and its forwards per second, in each of 5 runs (relay_bench)

`bench/run.py relay` runs the relay's benchmark alone.

Everything is sent to 127.0.0.1 only, to a socket this script holds open and
never reads (the kernel drops what overflows, the same for everyone).
Expects the `bench` preset built and the npm peers installed (bench/run.sh
does both).
"""
import json
import os
import random
import socket
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, "build", "bench", "bin")
RESULTS = os.path.join(ROOT, "bench", "results")
PEERS = os.path.join(ROOT, "bench", "peers")
PACKETS = 10_000
RUNS = 7


def run(command, **kwargs):
    return subprocess.run(command, check=True, timeout=600, **kwargs)


def micro_benchmarks():
    out = os.path.join(RESULTS, "micro.json")
    run([os.path.join(BIN, "wol_bench"), "--benchmark_repetitions=15",
         "--benchmark_enable_random_interleaving=true",
         f"--benchmark_out={out}", "--benchmark_out_format=json"],
        stdout=subprocess.DEVNULL)
    with open(out, encoding="utf-8") as f:
        data = json.load(f)
    times = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "iteration":
            times.setdefault(b["run_name"], []).append(b["real_time"])
    return data["context"], {name: {"median_ns": statistics.median(t),
                                    "min_ns": min(t), "max_ns": max(t), "runs": len(t)}
                             for name, t in times.items()}


def strace_counts(command, **kwargs):
    """How many times `command` made each system call, by strace -c."""
    with tempfile.NamedTemporaryFile("r", suffix=".strace") as log:
        run(["strace", "-f", "-c", "-o", log.name] + command, **kwargs)
        calls = {}
        for line in log.read().splitlines():
            fields = line.split()
            if len(fields) >= 5 and fields[3].isdigit():
                calls[fields[-1]] = int(fields[3])
        return calls


def syscalls_per_call(port):
    """System calls of wake_loop for N calls minus those for none, per call."""
    def count(n):
        return strace_counts([os.path.join(BIN, "wake_loop"), str(n), str(port)])
    n = 10_000
    none, many = count(0), count(n)
    per_call = {name: (many.get(name, 0) - none.get(name, 0)) / n
                for name in set(many) | set(none)}
    return {name: value for name, value in sorted(per_call.items()) if value}


def macs_file(count):
    """A file of `count` different MACs, one a line, as both tools read it."""
    with tempfile.NamedTemporaryFile("w", suffix=".macs", delete=False) as macs:
        for i in range(count):
            macs.write(f"00:11:22:{(i >> 16) & 255:02x}:{(i >> 8) & 255:02x}:{i & 255:02x}\n")
    return macs.name


def tool_syscalls_per_target(port):
    """System calls of wol-wake -f for 10,001 targets minus those for 1, per target."""
    def count(n):
        macs = macs_file(n)
        try:
            return strace_counts([os.path.join(BIN, "wol-wake"), "-i", "127.0.0.1", "-p",
                                  str(port), "-f", macs], stdout=subprocess.DEVNULL)
        finally:
            os.unlink(macs)
    n = 10_000
    one, many = count(1), count(n + 1)
    per_target = {name: (many.get(name, 0) - one.get(name, 0)) / n
                  for name in set(many) | set(one)}
    return {name: round(value, 3) for name, value in sorted(per_target.items()) if value}


def seconds(command):
    # Bounded by timeout(1), not by subprocess's own timeout: that one polls
    # with growing sleeps and would round every measurement up.
    start = time.monotonic()
    subprocess.run(["timeout", "600", *command], stdout=subprocess.DEVNULL, check=True)
    return time.monotonic() - start


def interleaved_seconds(contenders):
    """Times every contender once per round, in a new random order each
    round, after one warm-up round that is not counted: no contender always
    runs first, on a cold machine or after a heavy neighbour."""
    times = {name: [] for name in contenders}
    for round_number in range(RUNS + 1):
        order = list(contenders)
        random.shuffle(order)
        for name in order:
            elapsed = seconds(contenders[name])
            if round_number > 0:
                times[name].append(elapsed)
    return times


def peers(port):
    macs = macs_file(PACKETS)
    try:
        contenders = {
            "tarnwick-wol (C loop)": [os.path.join(BIN, "wake_loop"), str(PACKETS), str(port)],
            "wol-wake (-f)": [os.path.join(BIN, "wol-wake"), "-i", "127.0.0.1", "-p", str(port),
                              "-f", macs],
            "wakeonlan (Debian, -f)": ["wakeonlan", "-i", "127.0.0.1", "-p", str(port),
                                       "-f", macs],
            "wake_on_lan (npm)": ["node", os.path.join(PEERS, "node_loop.js"), "wake_on_lan",
                                  str(PACKETS), str(port)],
            "wol (npm)": ["node", os.path.join(PEERS, "node_loop.js"), "wol",
                          str(PACKETS), str(port)],
        }
        return {name: {"median_pps": PACKETS / statistics.median(t),
                       "min_pps": PACKETS / max(t), "max_pps": PACKETS / min(t),
                       "median_s": statistics.median(t)}
                for name, t in interleaved_seconds(contenders).items()}
    finally:
        os.unlink(macs)


def growth(port):
    """Seconds for N machines, one process each time: start-up plus N calls."""
    counts = (1, 10, 100, 1000, 10_000, 100_000)
    times = interleaved_seconds(
        {n: [os.path.join(BIN, "wake_loop"), str(n), str(port)] for n in counts})
    medians = {n: statistics.median(t) for n, t in times.items()}
    return {n: {"median_s": medians[n], "us_per_machine": medians[n] / n * 1e6}
            for n in counts}


def chart(peer_results):
    csv = os.path.join(RESULTS, "peers.csv")
    with open(csv, "w", encoding="utf-8") as f:
        f.write("contender,median_pps,min_pps,max_pps\n")
        for name, r in peer_results.items():
            f.write(f"\"{name}\",{r['median_pps']:.0f},{r['min_pps']:.0f},{r['max_pps']:.0f}\n")
    script = f"""
set terminal pngcairo size 1150,480 font ",11"
set output "{os.path.join(RESULTS, 'peers.png')}"
set datafile separator ","
set title "Wake-on-LAN packets per second, {PACKETS:,} to 127.0.0.1 (median of {RUNS} interleaved runs, bars: min-max)"
set ylabel "packets per second"
set style fill solid 0.6
set boxwidth 0.6
set grid ytics
set yrange [0:*]
set xtics noenhanced
plot "{csv}" every ::1 using 0:2:xtic(1) with boxes notitle, \\
     "" every ::1 using 0:2:3:4 with yerrorbars lc rgb "black" pt 0 notitle, \\
     "" every ::1 using 0:2:(sprintf("%.0f", $2)) with labels offset 0,1 notitle
"""
    run(["gnuplot"], input=script.encode())


def relay():
    """relay_bench five times; each run's figures, and the median run's."""
    runs = []
    for _ in range(5):
        out = run([os.path.join(BIN, "relay_bench"), os.path.join(BIN, "wol-relay"), "1000", "3"],
                  capture_output=True, text=True).stdout
        runs.append(json.loads(out))
    by_delay = sorted(runs, key=lambda r: r["added_delay_us"]["median"])
    result = {"runs": runs, "median_run": by_delay[len(runs) // 2],
              "median_forwards_per_second": statistics.median(r["forwards_per_second"]
                                                              for r in runs)}
    with open(os.path.join(RESULTS, "relay.json"), "w", encoding="utf-8") as f:
        json.dump(result, f, indent=2)
    return result


def main():
    os.makedirs(RESULTS, exist_ok=True)
    if sys.argv[1:] == ["relay"]:
        json.dump(relay()["median_run"], sys.stdout, indent=2)
        print()
        return
    sink = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sink.bind(("127.0.0.1", 0))
    port = sink.getsockname()[1]

    context, micro = micro_benchmarks()
    m = {k: v["median_ns"] for k, v in micro.items()}
    peer_results = peers(port)
    fastest_peer = max(v["median_pps"] for k, v in peer_results.items()
                       if not k.startswith(("tarnwick", "wol-wake")))
    ours = peer_results["tarnwick-wol (C loop)"]["median_pps"]
    tool = peer_results["wol-wake (-f)"]["median_pps"]
    wakeonlan_file = peer_results["wakeonlan (Debian, -f)"]["median_pps"]
    summary = {
        "machine": {k: context.get(k) for k in ("host_name", "num_cpus", "mhz_per_cpu",
                                                 "cpu_scaling_enabled", "caches", "library_build_type")},
        "micro": micro,
        "ratios": {
            "packet_colon_vs_plain_writer": m["packet_from_text/colon"] / m["baseline_write_parsed_mac"],
            "packet_compact_vs_plain_writer": m["packet_from_text/compact"] / m["baseline_write_parsed_mac"],
            "packet_colon_vs_library_writer": m["packet_from_text/colon"] / m["baseline_library_writer"],
            "packet_compact_vs_library_writer": m["packet_from_text/compact"] / m["baseline_library_writer"],
            "send_vs_bare_calls": m["wol_send_loopback"] / m["bare_socket_calls"],
            "throughput_vs_fastest_peer": ours / fastest_peer,
            "wol_wake_file_vs_wakeonlan_file": tool / wakeonlan_file,
        },
        "syscalls_per_call": syscalls_per_call(port),
        "peers": peer_results,
        "tool": {
            "targets": PACKETS,
            "wol_wake_median_s": peer_results["wol-wake (-f)"]["median_s"],
            "wakeonlan_median_s": peer_results["wakeonlan (Debian, -f)"]["median_s"],
            "wol_wake_us_per_target": peer_results["wol-wake (-f)"]["median_s"] / PACKETS * 1e6,
            "wakeonlan_us_per_target":
                peer_results["wakeonlan (Debian, -f)"]["median_s"] / PACKETS * 1e6,
            "wol_wake_vs_wakeonlan": tool / wakeonlan_file,
            "goal": 5,
            "wol_wake_syscalls_per_target": tool_syscalls_per_target(port),
        },
        "growth": growth(port),
        "relay": relay()["median_run"],
    }
    with open(os.path.join(RESULTS, "summary.json"), "w", encoding="utf-8") as f:
        json.dump(summary, f, indent=2)
    chart(peer_results)
    json.dump({"ratios": summary["ratios"], "syscalls_per_call": summary["syscalls_per_call"],
               "tool": summary["tool"]},
              sys.stdout, indent=2)
    print()


if __name__ == "__main__":
    main()
