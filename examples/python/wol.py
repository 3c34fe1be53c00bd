#!/usr/bin/env python3
"""Wake-on-LAN from Python through tarnwick-wol, with ctypes.

    python3 wol.py [--library PATH] MAC [ADDRESS [PORT]]

Builds the magic packet for MAC (and shows its start), then sends it to
ADDRESS (default 255.255.255.255) on UDP PORT (default 9). On failure it
prints the library's message and exits 1.
"""
import argparse
import ctypes
import ctypes.util
import os
import sys

PACKET_SIZE = 102


class WolError(Exception):
    """A call failed; the message is the library's own."""


def load(path=None):
    """Loads the library and declares the four functions' types."""
    if path is None:
        default = "tarnwick-wol.dll" if os.name == "nt" else "libtarnwick-wol.so.1"
        path = ctypes.util.find_library("tarnwick-wol") or default
    lib = ctypes.CDLL(path)
    lib.wol_version.argtypes = []
    lib.wol_version.restype = ctypes.c_char_p
    lib.wol_last_error.argtypes = []
    lib.wol_last_error.restype = ctypes.c_char_p
    lib.wol_packet.argtypes = [ctypes.c_char_p, ctypes.POINTER(ctypes.c_ubyte), ctypes.c_int]
    lib.wol_packet.restype = ctypes.c_int
    lib.wol_send.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int]
    lib.wol_send.restype = ctypes.c_int
    return lib


def _error(lib):
    return WolError(lib.wol_last_error().decode("ascii"))


def packet(lib, mac):
    """The 102-byte magic packet for `mac`, as bytes."""
    buf = (ctypes.c_ubyte * PACKET_SIZE)()
    if lib.wol_packet(mac.encode("ascii"), buf, PACKET_SIZE) != PACKET_SIZE:
        raise _error(lib)
    return bytes(buf)


def send(lib, mac, address=None, port=0):
    """Sends the magic packet for `mac`; None and 0 pick the defaults."""
    encoded = address.encode("ascii") if address else None
    if lib.wol_send(mac.encode("ascii"), encoded, port) != 0:
        raise _error(lib)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Wake a machine by Wake-on-LAN.")
    parser.add_argument("--library", help="path to the tarnwick-wol library")
    parser.add_argument("mac")
    parser.add_argument("address", nargs="?")
    parser.add_argument("port", nargs="?", type=int, default=0)
    args = parser.parse_args(argv)

    lib = load(args.library)
    try:
        print(f"tarnwick-wol {lib.wol_version().decode()}: "
              f"packet {packet(lib, args.mac)[:12].hex()}...")
        send(lib, args.mac, args.address, args.port)
    except WolError as error:
        print(f"wol.py: {error}", file=sys.stderr)
        return 1
    print(f"sent to {args.address or '255.255.255.255'}, UDP port {args.port if args.port > 0 else 9}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
