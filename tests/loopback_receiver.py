"""A UDP receiver on 127.0.0.1 for the tests that run a host program and
check the datagrams it sent, and the magic packet they expect."""
import re
import socket


def magic_packet(mac):
    """The 102-byte packet for a MAC written in any form."""
    digits = re.sub("[^0-9a-fA-F]", "", mac).lower()
    return bytes.fromhex("ff" * 6 + digits * 16)


class Receiver:
    """Bound to 127.0.0.1 on a free port from construction on."""

    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(("127.0.0.1", 0))
        self.port = self.sock.getsockname()[1]

    def take(self, count):
        """The `count` datagrams expected, then any more that are waiting."""
        got = []
        # A datagram sent to loopback is queued before sendto returns, so
        # they are all here once the sender has exited; the timeout only
        # bounds a failure.
        self.sock.settimeout(10)
        try:
            while len(got) < count:
                got.append(self.sock.recv(2048))
        except socket.timeout:
            return got
        self.sock.setblocking(False)
        try:
            while len(got) < count + 10:
                got.append(self.sock.recv(2048))
        except BlockingIOError:
            pass
        return got

    def close(self):
        self.sock.close()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()
