#!/usr/bin/env python3
"""wol-listen on 127.0.0.1: what it shows for each sender and each kind of
payload, as lines and as JSON; --mac, --expect, -t and -c; the errors it
names; its help, manual page and docs.

    wol_listen_test.py COMMAND...   (wol-listen, or cmake/wine-run.sh wol-listen.exe)

Everything is sent to 127.0.0.1 only. wol-wake, beside wol-listen in the
build, and Debian's wakeonlan (where installed) send some of it.
"""
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.dirname(HERE))
from loopback_receiver import magic_packet  # noqa: E402
from tool_docs import check_option_pairs  # noqa: E402
from running_program import (WAIT, free_udp_port, run_on_free_port,  # noqa: E402
                             start_on_free_port)

TOOL = sys.argv[1:]
del sys.argv[1:]
WINE = TOOL[0].endswith("wine-run.sh")
# wol-wake of the same build, run the same way.
WAKE = TOOL[:-1] + [re.sub(r"wol-listen(\.exe)?$", r"wol-wake\1", TOOL[-1])]
HINT = "Try 'wol-listen --help' for more information."


def emulated_big_endian():
    """Whether the program runs under an emulator (qemu-user) for a
    big-endian machine: qemu-user hands the program IP_PKTINFO as this
    machine wrote it, unconverted, so there the interface index reads as
    another number and names no interface."""
    if len(TOOL) < 2 or WINE:
        return False
    with open(TOOL[-1], "rb") as program:
        header = program.read(6)
    return header[:4] == b"\x7fELF" and header[5] == 2  # EI_DATA: ELFDATA2MSB
LO = "127.0.0.1"
MAC = "00:11:22:33:44:55"
READY = r"^wol-listen: listening on "
STAMP = r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}"


def send(port, payload):
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.sendto(payload, (LO, port))


def listen(*args):
    """wol-listen on a free port with ARGS, once it listens."""
    return start_on_free_port(lambda port: TOOL + ["-p", str(port)] + list(args), READY)


def shown(line):
    """A line without its time, interface and source port, which vary."""
    match = re.fullmatch(STAMP + r" (\S+) udp 127\.0\.0\.1:\d+ > (.*)", line)
    assert match, line
    return match.group(2)


class WolListen(unittest.TestCase):
    def test_shows_what_each_sender_and_payload_is(self):
        payloads = [
            (lambda p: run(WAKE + ["-q", "-i", LO, "-p", str(p), MAC]), MAC + " ok"),
            (lambda p: run(WAKE + ["-q", "-i", LO, "-p", str(p), "-P", "192.168.1.254",
                                   "0a-1b-2c-3d-4e-5f"]),
             "0a:1b:2c:3d:4e:5f password 192.168.1.254 ok"),
            (lambda p: run(WAKE + ["-q", "-i", LO, "-p", str(p), "-P", "aabb.ccdd.eeff", MAC]),
             MAC + " password aa:bb:cc:dd:ee:ff ok"),
            (lambda p: send(p, b"WOL\0" + magic_packet(MAC)), MAC + " ok (at byte 4)"),
            (lambda p: send(p, magic_packet(MAC) + b"\x01\x02"),
             MAC + " extra-bytes (a magic packet, then 2 bytes that are no SecureOn password "
                   "(4 or 6 bytes))"),
            (lambda p: send(p, magic_packet(MAC)[:60]),
             MAC + " too-short (60 bytes, fewer than a magic packet's 102)"),
            (lambda p: send(p, b"hello " * 20), "- no-sync (no run of six 0xFF bytes in 120 bytes)"),
            (lambda p: send(p, magic_packet(MAC)[:50] + b"\0" + magic_packet(MAC)[51:]),
             MAC + " copy-differs (copy 8 of the MAC differs from the first)"),
        ]
        if shutil.which("wakeonlan"):
            payloads.append((lambda p: run(["wakeonlan", "-i", LO, "-p", str(p), MAC]),
                             MAC + " ok"))
        program, port = listen("-c", str(len(payloads)))
        with program:
            for payload, _ in payloads:
                payload(port)
            self.assertEqual(program.finish(), 0, program.seen["err"])
            lines = program.rest("out")
        self.assertEqual([shown(line) for line in lines],
                         [f"{LO}:{port} {expected}" for _, expected in payloads])

    def test_json_holds_the_same_facts(self):
        program, port = listen("--json", "-c", "2")
        with program:
            run(WAKE + ["-q", "-i", LO, "-p", str(port), "-P", "1.2.3.4", MAC])
            send(port, b"x" * 10)
            self.assertEqual(program.finish(), 0)
            objects = [json.loads(line) for line in program.rest("out")]
        for each in objects:
            self.assertRegex(each.pop("time"), STAMP + "Z$")
            interface = each.pop("interface")
            if not emulated_big_endian():
                self.assertIsInstance(interface, str)
            self.assertIsInstance(each.pop("source_port"), int)
        common = {"transport": "udp", "source": LO, "destination": LO, "destination_port": port,
                  "offset": 0}
        self.assertEqual(objects, [
            dict(common, mac=MAC, password="1.2.3.4", verdict="ok",
                 detail="a magic packet with a SecureOn password", size=106),
            dict(common, mac=None, password=None, verdict="too-short",
                 detail="10 bytes, fewer than a magic packet's 102", size=10)])

    def test_mac_shows_one_machine_by_any_form_or_name(self):
        with tempfile.TemporaryDirectory() as work:
            ethers = os.path.join(work, "ethers")
            with open(ethers, "w", encoding="ascii") as f:
                f.write("0A-1B-2C-3D-4E-5F office-pc\n")
            program, port = listen("--ethers", ethers, "--mac", "Office-PC", "-c", "1")
            with program:
                send(port, magic_packet(MAC))
                send(port, b"nothing")
                send(port, magic_packet("0a1b2c3d4e5f"))
                self.assertEqual(program.finish(), 0)
                self.assertEqual([shown(line) for line in program.rest("out")],
                                 [f"{LO}:{port} 0a:1b:2c:3d:4e:5f ok"])

    def test_expect_ends_with_0_when_the_packet_arrives(self):
        program, port = listen("--expect", "0a1b.2c3d.4e5f", "-t", str(WAIT))
        with program:
            send(port, magic_packet(MAC))
            send(port, magic_packet("0a1b2c3d4e5f")[:-1])  # damaged: not yet
            run(WAKE + ["-q", "-i", LO, "-p", str(port), "0a:1b:2c:3d:4e:5f"])
            self.assertEqual(program.finish(), 0)
            self.assertEqual([shown(line).split(" ", 1)[1] for line in program.rest("out")], [
                MAC + " ok",
                "0a:1b:2c:3d:4e:5f too-short (101 bytes, fewer than a magic packet's 102)",
                "0a:1b:2c:3d:4e:5f ok"])

    def test_expect_ends_with_3_when_the_time_runs_out(self):
        program, _ = listen("--expect", MAC, "-t", "1")
        with program:
            self.assertEqual(program.finish(), 3)
            self.assertEqual(program.rest("err"), [f"wol-listen: no packet for {MAC} in 1 s"])
            self.assertEqual(program.rest("out"), [])

    def test_timeout_without_expect_ends_with_0_and_quiet_says_nothing(self):
        result = run_on_free_port(lambda port: TOOL + ["-t", "1", "-q", "-p", str(port)])
        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, b"", b""))

    def test_a_closed_output_ends_it(self):
        # `wol-listen | head -1`: once head has gone, the next line ends it.
        read_end, write_end = os.pipe()
        os.close(read_end)
        try:
            program, port = start_on_free_port(lambda port: TOOL + ["-p", str(port)], READY,
                                               stdout=write_end)
        finally:
            os.close(write_end)
        with program:
            send(port, magic_packet(MAC))
            self.assertEqual(program.finish(), 1)
            self.assertRegex("\n".join(program.rest("err")),
                             r"^wol-listen: cannot write the output: ")

    def test_a_port_that_is_taken_is_named(self):
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as holder:
            holder.bind(("0.0.0.0", 0))  # receives only
            port = holder.getsockname()[1]
            run_ = subprocess.run(TOOL + ["-4", "-p", str(port)], capture_output=True, text=True,
                                  timeout=WAIT, check=False)
        self.assertEqual(run_.returncode, 1)
        self.assertRegex(run_.stderr.strip(),
                         rf"^wol-listen: UDP port {port}: .+; another program listens there; "
                         r"stop it, or choose another port with -p PORT$")

    def test_command_lines_it_cannot_use(self):
        cases = [
            (["-4", "-6"], ["-4 and -6 together leave nothing to listen on; give neither for both",
                            HINT]),
            (["--nope"], ["unknown option '--nope'", HINT]),
            ([MAC], [f"unexpected argument '{MAC}' (MACs go with --mac or --expect)", HINT]),
            (["--mac", "11:22:33:44:55:GG", "-p", str(free_udp_port())],
             ["--mac 11:22:33:44:55:GG: mac contains non-hex characters"]),
            (["--expect", "nosuchpc", "--ethers", os.devnull, "-p", str(free_udp_port())],
             [f"--expect nosuchpc: not a MAC address, and not in {os.devnull}"]),
        ]
        if WINE:
            cases.append((["-e"], [
                "-e reads raw Ethernet frames, which this system gives to no program without a "
                "capture driver (on Windows: Npcap, as Wireshark installs it); Linux only", HINT]))
        for args, err in cases:
            with self.subTest(args=args):
                result = subprocess.run(TOOL + args, capture_output=True, text=True,
                                        timeout=WAIT, check=False)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stderr.replace("\r", "").splitlines(),
                                 [line if line == HINT else "wol-listen: " + line for line in err])

    def test_an_unknown_interface_is_named_with_the_known_ones(self):
        result = subprocess.run(TOOL + ["-I", "wol9", "-p", str(free_udp_port())],
                                capture_output=True, text=True, timeout=WAIT, check=False)
        self.assertEqual(result.returncode, 1)
        self.assertRegex(result.stderr.strip(), r"^wol-listen: wol9: no such interface; there are: ")

    def test_version(self):
        result = subprocess.run(TOOL + ["-V"], capture_output=True, text=True, timeout=WAIT,
                                check=False)
        self.assertEqual((result.returncode, result.stdout.strip()),
                         (0, "wol-listen 1.0.0 (tarnwick-wol 1.0.0)"))

    def test_help_manual_page_and_docs_name_the_same_options(self):
        check_option_pairs(self, TOOL, "wol-listen", "wol-listen.1")


def run(command):
    subprocess.run(command, check=True, timeout=WAIT, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL)


def setUpModule():
    # Under Wine, the first program starts the server: let it start here, on
    # no pipe of ours (see wol_wake_test.py).
    subprocess.run(TOOL + ["--version"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=300, check=False)


if __name__ == "__main__":
    unittest.main(verbosity=1)
