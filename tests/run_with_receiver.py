#!/usr/bin/env python3
"""Runs a host program that wakes 127.0.0.1 and checks what arrived.

    run_with_receiver.py MAC COMMAND...

Binds a UDP receiver on 127.0.0.1 first, then runs COMMAND with the
receiver's port as its last argument. Passes when the command exits 0 and
exactly one datagram arrived: the magic packet for MAC.
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from loopback_receiver import Receiver, magic_packet  # noqa: E402


def main():
    mac, command = sys.argv[1], sys.argv[2:]
    with Receiver() as receiver:
        run = subprocess.run(command + [str(receiver.port)], timeout=300, check=False)
        if run.returncode != 0:
            print(f"FAIL: {command[-1]} exited {run.returncode}", file=sys.stderr)
            return 1
        got = receiver.take(1)
    if got != [magic_packet(mac)]:
        print(f"FAIL: received {[d.hex() for d in got]}\nexpected one {magic_packet(mac).hex()}",
              file=sys.stderr)
        return 1
    print(f"ok: one magic packet for {mac} on 127.0.0.1:{receiver.port}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
