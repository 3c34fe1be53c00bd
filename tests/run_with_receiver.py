#!/usr/bin/env python3
"""Runs a host program that wakes 127.0.0.1 and checks what arrived.

    run_with_receiver.py MAC COMMAND...

Binds a UDP receiver on 127.0.0.1 first, then runs COMMAND with the
receiver's port as its last argument. Passes when the command exits 0 and
exactly one datagram arrived: the magic packet for MAC.
"""
import socket
import subprocess
import sys


def main():
    mac, command = sys.argv[1], sys.argv[2:]
    expected = bytes.fromhex("ff" * 6 + mac.replace(":", "") * 16)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as receiver:
        receiver.bind(("127.0.0.1", 0))
        port = receiver.getsockname()[1]
        run = subprocess.run(command + [str(port)], timeout=300, check=False)
        if run.returncode != 0:
            print(f"FAIL: {command[-1]} exited {run.returncode}", file=sys.stderr)
            return 1
        # A datagram sent to loopback is queued here before sendto returns;
        # the timeout only bounds a failure.
        receiver.settimeout(10)
        try:
            first = receiver.recv(2048)
        except socket.timeout:
            print("FAIL: no datagram arrived", file=sys.stderr)
            return 1
        receiver.setblocking(False)
        try:
            extra = receiver.recv(2048)
            print(f"FAIL: a second datagram arrived: {extra.hex()}", file=sys.stderr)
            return 1
        except BlockingIOError:
            pass
    if first != expected:
        print(f"FAIL: received {first.hex()}\nexpected {expected.hex()}", file=sys.stderr)
        return 1
    print(f"ok: one magic packet for {mac} on 127.0.0.1:{port}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
