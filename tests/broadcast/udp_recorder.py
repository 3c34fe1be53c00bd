#!/usr/bin/env python3
"""Records UDP datagrams on the given ports with the destination address of
each (IP_PKTINFO, IPV6_PKTINFO), so that a test can tell a broadcast from a
unicast.

    udp_recorder.py OUT_FILE COUNT TIMEOUT_S PORT [PORT...]

A PORT written 6/PORT is listened on over IPv6.

Writes one line per datagram, "DEST_ADDRESS PORT HEX_PAYLOAD", and exits
after COUNT datagrams or TIMEOUT_S seconds, whichever comes first. Prints
"ready" on stdout once every socket is bound.
"""
import select
import socket
import struct
import sys
import time

IP_PKTINFO = getattr(socket, "IP_PKTINFO", 8)
IPV6_RECVPKTINFO = getattr(socket, "IPV6_RECVPKTINFO", 49)
IPV6_PKTINFO = getattr(socket, "IPV6_PKTINFO", 50)
SO_RCVBUFFORCE = getattr(socket, "SO_RCVBUFFORCE", 33)


def open_socket(port, ipv6):
    sock = socket.socket(socket.AF_INET6 if ipv6 else socket.AF_INET, socket.SOCK_DGRAM)
    if ipv6:
        sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
        sock.setsockopt(socket.IPPROTO_IPV6, IPV6_RECVPKTINFO, 1)
    else:
        sock.setsockopt(socket.IPPROTO_IP, IP_PKTINFO, 1)
    # Room for hundreds of datagrams that arrive at once (the tests run as root).
    try:
        sock.setsockopt(socket.SOL_SOCKET, SO_RCVBUFFORCE, 4 << 20)
    except OSError:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 << 20)
    sock.bind(("::" if ipv6 else "0.0.0.0", port))
    sock.setblocking(False)
    return sock


def destination(ancillary):
    for level, kind, data in ancillary:
        if level == socket.IPPROTO_IP and kind == IP_PKTINFO:
            # struct in_pktinfo { int ifindex; in_addr spec_dst; in_addr addr; }
            _, _, addr = struct.unpack("i4s4s", data[:12])
            return socket.inet_ntoa(addr)
        if level == socket.IPPROTO_IPV6 and kind == IPV6_PKTINFO:
            # struct in6_pktinfo { in6_addr addr; int ifindex; }
            return socket.inet_ntop(socket.AF_INET6, data[:16])
    return "?"


def main():
    out_file, count, timeout = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
    sockets = {open_socket(int(port.split("/")[-1]), port.startswith("6/")):
               int(port.split("/")[-1]) for port in sys.argv[4:]}
    print("ready", flush=True)
    deadline = time.monotonic() + timeout
    received = 0
    with open(out_file, "w", encoding="ascii") as out:
        while received < count:
            left = deadline - time.monotonic()
            if left <= 0:
                break
            readable, _, _ = select.select(list(sockets), [], [], left)
            for sock in readable:
                # Everything waiting on this socket, then the next one.
                while True:
                    try:
                        payload, ancillary, _, _ = sock.recvmsg(2048, 256)
                    except BlockingIOError:
                        break
                    out.write(f"{destination(ancillary)} {sockets[sock]} {payload.hex()}\n")
                    out.flush()
                    received += 1


if __name__ == "__main__":
    main()
