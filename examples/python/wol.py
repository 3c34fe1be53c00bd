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


INT_MIN, INT_MAX = -(2**31), 2**31 - 1


def load(path=None):
    """Loads the library and declares the four functions' types.

    On Windows, Python 3.8 and later look for a DLL loaded by bare name only
    in the system folders and in folders added with os.add_dll_directory,
    never in the current folder or on PATH: give the DLL's full path, or
    leave `path` out to load tarnwick-wol.dll from beside this script.
    """
    if path is None:
        if os.name == "nt":
            path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "tarnwick-wol.dll")
        else:
            path = ctypes.util.find_library("tarnwick-wol") or "libtarnwick-wol.so.1"
    # 32-bit Windows: the functions are __stdcall, which WinDLL calls;
    # everywhere else they use the C convention, which CDLL calls.
    if os.name == "nt" and ctypes.sizeof(ctypes.c_void_p) == 4:
        lib = ctypes.WinDLL(path)
    else:
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


def _text(value, what):
    """`value` as the bytes the library reads. Text that is not ASCII goes
    as UTF-8, which the library refuses with its own message; a NUL would
    end the text early, so it is refused here."""
    if "\0" in value:
        raise WolError(f"{what} contains a NUL character")
    return value.encode("utf-8", "surrogatepass")


def _error(lib):
    return WolError(lib.wol_last_error().decode("ascii"))


def packet(lib, mac):
    """The 102-byte magic packet for `mac`, as bytes."""
    buf = (ctypes.c_ubyte * PACKET_SIZE)()
    if lib.wol_packet(_text(mac, "mac"), buf, PACKET_SIZE) != PACKET_SIZE:
        raise _error(lib)
    return bytes(buf)


def send(lib, mac, address=None, port=0):
    """Sends the magic packet for `mac`; None and 0 pick the defaults."""
    # ctypes would cut a number beyond the C int to its low 32 bits (and
    # send 4294967305 to port 9): above it is out of range, as the library
    # says of anything above 65535; below it is negative, which means 9.
    if port > INT_MAX:
        raise WolError("port out of range")
    port = max(port, INT_MIN)
    encoded = _text(address, "broadcast_ip") if address else None
    if lib.wol_send(_text(mac, "mac"), encoded, port) != 0:
        raise _error(lib)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Wake a machine by Wake-on-LAN.")
    parser.add_argument("--library", help="path to the tarnwick-wol library")
    parser.add_argument("mac")
    parser.add_argument("address", nargs="?")
    parser.add_argument("port", nargs="?", type=int, default=0)
    args = parser.parse_args(argv)

    try:
        lib = load(args.library)
    except OSError as error:
        print(f"wol.py: cannot load the library: {error}", file=sys.stderr)
        return 1
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
