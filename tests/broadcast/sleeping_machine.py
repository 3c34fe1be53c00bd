#!/usr/bin/env python3
"""A machine asleep, for wol-wake --up: it answers nothing until its magic
packet arrives, then wakes up after a short while.

    sleeping_machine.py MAC PASSWORD INTERFACE ADDRESS/PREFIX TCP_PORT

Run inside a network namespace of the test's own. It listens for UDP on
port 9 and holds a TCP listener on TCP_PORT, but ADDRESS (the one --up
asks) is not on INTERFACE yet, so neither a TCP connection nor an ICMP echo
gets an answer. A datagram that is the magic packet for MAC followed by
PASSWORD (hex; '-' for none) wakes it: one second later ADDRESS is added to
INTERFACE, and from then on the kernel answers both. Any other datagram is
noted and ignored. Prints "ready" once listening, "ignored N" for each other
datagram (N bytes), "woke" and "up"; ends after 300 s at the latest.
"""
import re
import select
import socket
import subprocess
import sys
import time


def main():
    mac, password, interface, address, tcp_port = sys.argv[1:6]
    digits = re.sub("[^0-9a-fA-F]", "", mac).lower()
    wanted = bytes.fromhex("ff" * 6 + digits * 16) + bytes.fromhex("" if password == "-" else password)
    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    udp.bind(("0.0.0.0", 9))
    tcp = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    tcp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    tcp.bind(("0.0.0.0", int(tcp_port)))
    tcp.listen(16)
    print("ready", flush=True)
    deadline = time.monotonic() + 300
    woke = False
    while time.monotonic() < deadline:
        readable, _, _ = select.select([udp, tcp], [], [], max(0.0, deadline - time.monotonic()))
        if tcp in readable:
            tcp.accept()[0].close()
        if udp not in readable:
            continue
        payload = udp.recv(2048)
        if woke:
            continue
        if payload != wanted:
            print(f"ignored {len(payload)}", flush=True)
            continue
        print("woke", flush=True)
        woke = True
        time.sleep(1)  # the machine takes its time to boot
        subprocess.run(["ip", "addr", "add", address, "dev", interface], check=True)
        print("up", flush=True)


if __name__ == "__main__":
    main()
