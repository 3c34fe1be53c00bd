#!/usr/bin/env python3
"""The Python example as a host program: it loads the real .so with ctypes,
builds a packet and sends one to a receiver on 127.0.0.1.

    python_host_test.py LIBRARY
"""
import os
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLE = os.path.join(HERE, "..", "examples", "python", "wol.py")
sys.path.insert(0, os.path.dirname(EXAMPLE))
sys.path.insert(0, HERE)
import wol  # noqa: E402
from loopback_receiver import Receiver, magic_packet  # noqa: E402

LIBRARY = sys.argv.pop(1)
MAC = "0a:1b:2c:3d:4e:5f"
PACKET = magic_packet(MAC)


class PythonHost(unittest.TestCase):
    def setUp(self):
        self.lib = wol.load(LIBRARY)
        self.receiver = Receiver()
        self.port = self.receiver.port

    def tearDown(self):
        self.receiver.close()

    def test_builds_the_packet(self):
        self.assertEqual(wol.packet(self.lib, MAC), PACKET)

    def test_sends_one_packet(self):
        wol.send(self.lib, MAC, "127.0.0.1", self.port)
        self.assertEqual(self.receiver.take(1), [PACKET])

    def test_raises_the_library_message(self):
        with self.assertRaisesRegex(wol.WolError, "^mac contains non-hex characters$"):
            wol.send(self.lib, "0a-1b-2c-3d-4e-5f", "127.0.0.1", self.port)
        self.assertEqual(self.receiver.take(0), [], "a refused call sent a datagram")

    def test_ports_beyond_the_c_int_are_not_cut_short(self):
        with self.assertRaisesRegex(wol.WolError, "^port out of range$"):
            wol.send(self.lib, MAC, "127.0.0.1", 2**32 + self.port)
        # Far below the C int is still negative: port 9, which only root may
        # bind here, so the call is checked to go through without a receiver.
        wol.send(self.lib, MAC, "127.0.0.1", -(2**40))

    def test_text_that_is_not_ascii_gets_the_library_message(self):
        cases = [
            ("0a:1b:2c:3d:4e:5\u00e9", None, "mac contains non-hex characters"),
            ("0a:1b\u20132c:3d:4e:5f", None, "mac must be AA:BB:CC:DD:EE:FF or AABBCCDDEEFF"),
            (MAC, "127.0.0.\u0661", "invalid broadcast_ip (must be IPv4 dotted quad)"),
            (MAC + "\0", None, "mac contains a NUL character"),
        ]
        for mac, address, message in cases:
            with self.subTest(mac=mac, address=address):
                with self.assertRaises(wol.WolError) as raised:
                    wol.send(self.lib, mac, address or "127.0.0.1", self.port)
                self.assertEqual(str(raised.exception), message)
        self.assertEqual(self.receiver.take(0), [], "a refused call sent a datagram")

    def test_command_line_sends_and_reports_failures(self):
        run = [sys.executable, EXAMPLE, "--library", LIBRARY]
        sent = subprocess.run(run + [MAC, "127.0.0.1", str(self.port)],
                              capture_output=True, text=True, timeout=30, check=False)
        self.assertEqual(sent.returncode, 0, sent.stderr)
        self.assertEqual(self.receiver.take(1), [PACKET])
        refused = subprocess.run(run + [MAC, "127.0.0.1", "70000"],
                                 capture_output=True, text=True, timeout=30, check=False)
        self.assertEqual(refused.returncode, 1)
        self.assertEqual(refused.stderr.strip(), "wol.py: port out of range")
        self.assertEqual(self.receiver.take(0), [], "a refused call sent a datagram")


if __name__ == "__main__":
    unittest.main()
