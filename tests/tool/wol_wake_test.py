#!/usr/bin/env python3
"""wol-wake's command lines, each with the output, exit status and datagrams
it must give, run against receivers on 127.0.0.1.

    wol_wake_test.py COMMAND...      (wol-wake, or cmake/wine-run.sh wol-wake.exe)

Every command that could send names 127.0.0.1, so that even a broken tool
cannot send anywhere else; the default address and -a are tested inside
network namespaces (tests/broadcast).
"""
import os
import re
import socket
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from loopback_receiver import Receiver, magic_packet  # noqa: E402

TOOL = sys.argv[1:]
del sys.argv[1:]

LO = "127.0.0.1"
MAC = "00:11:22:33:44:55"
HINT = "Try 'wol-wake --help' for more information."
BAD_ADDRESS = "invalid broadcast_ip (must be IPv4 dotted quad)"
# The ethers file used without --ethers (Wine's %SystemRoot% is C:\windows).
DEFAULT_ETHERS = (r"C:\windows\System32\drivers\etc\ethers" if TOOL[0].endswith("wine-run.sh")
                  else "/etc/ethers")


def sent(mac, port):
    return f"sent {mac} to {LO}:{port}"


# Each case: the arguments, then what must come of them. {a} and {b} stand
# for the ports of two receivers, {file} for a file holding `file`.
# `datagrams` lists (receiver, MAC[, PASSWORD in hex]) in the order they must
# arrive. {ethers} is a file holding `ethers`.
CASES = [
    dict(name="one_mac", args="-i {lo} -p {a} 00:11:22:33:44:55",
         out=[sent(MAC, "{a}")], datagrams=[("a", MAC)]),
    dict(name="every_mac_form_converted_or_passed_on",
         args="-i {lo} -p {a} 0A-1B-2C-3D-4E-5F 0a1b.2c3d.4e5f 0A1B2C3D4E5F",
         out=[sent("0A:1B:2C:3D:4E:5F", "{a}"), sent("0a:1b:2c:3d:4e:5f", "{a}"),
              sent("0A1B2C3D4E5F", "{a}")],
         datagrams=[("a", "0a1b2c3d4e5f")] * 3),
    dict(name="old_form_mac_address_port", args="00:11:22:33:44:55 {lo} {a}",
         out=[sent(MAC, "{a}")], datagrams=[("a", MAC)]),
    # A dotted MAC of digits is a MAC, never the 1.0 form's ADDRESS.
    dict(name="dotted_mac_second_is_a_mac", args="-i {lo} -p {a} 00:50:56:12:34:56 0050.5612.3457",
         out=[sent("00:50:56:12:34:56", "{a}"), sent("00:50:56:12:34:57", "{a}")],
         datagrams=[("a", "005056123456"), ("a", "005056123457")]),
    dict(name="bad_targets_are_named_with_the_library_message_and_the_rest_still_go",
         args="-i {lo} -p {a} --ethers {ethers} 00:11:22:33:44:GG 11:22:33:44:55:66 AA:BB "
              "AABBCCDDEEFF00 AA-BB-CC-DD-EE-GG AA-BB-CC-DD-EE-FF-00 aabb.ccdd.eeff.0011 - "
              "1:2:3:4:5 1:2:3:4:5:666 8:0:20:1:14:5g",
         ethers="AA-BB-CC-DD-EE-FF somewhere-else\n",
         out=[sent("11:22:33:44:55:66", "{a}")],
         err=["00:11:22:33:44:GG: mac contains non-hex characters",
              "AA:BB: mac must be AA:BB:CC:DD:EE:FF or AABBCCDDEEFF",
              "AABBCCDDEEFF00: mac has wrong length (expected 12 or 17 chars)",
              # Not hex: a host name it could be, but is not.
              "AA-BB-CC-DD-EE-GG: not a MAC address, and not in {ethers}",
              "AA-BB-CC-DD-EE-FF-00: mac contains non-hex characters",
              "aabb.ccdd.eeff.0011: mac contains non-hex characters",
              "-: mac contains non-hex characters",
              "1:2:3:4:5: mac contains non-hex characters",
              "1:2:3:4:5:666: mac contains non-hex characters",
              "8:0:20:1:14:5g: mac contains non-hex characters"],
         status=1, datagrams=[("a", "11:22:33:44:55:66")]),
    dict(name="port_65535", args="-n -i {lo} -p 65535 00:11:22:33:44:55",
         out=[f"would send {MAC} to {LO}:65535: " + magic_packet(MAC).hex()]),
    # A lenient parser would read 127.1 as 127.0.0.1; the library refuses it.
    dict(name="address_that_is_not_a_dotted_quad", args="-i 127.1 00:11:22:33:44:55",
         err=[f"{MAC}: {BAD_ADDRESS}"], status=1),
    dict(name="count_repeats_each_packet", args="-i {lo} -p {a} -c 3 -w 0 00:11:22:33:44:55",
         out=[sent(MAC, "{a}")] * 3, datagrams=[("a", MAC)] * 3),
    dict(name="count_with_the_default_wait", args="-i {lo} -p {a} -c 2 0A1B2C3D4E5F 0A:1B:2C:3D:4E:5G",
         out=[sent("0A1B2C3D4E5F", "{a}")] * 2,
         err=["0A:1B:2C:3D:4E:5G: mac contains non-hex characters"],
         status=1, datagrams=[("a", "0a1b2c3d4e5f")] * 2),
    dict(name="long_options_with_equals", args="--ip={lo} --port {a} --count=2 --wait=1 "
                                              "--quiet 00:11:22:33:44:55",
         datagrams=[("a", MAC)] * 2),
    dict(name="attached_values", args="-i{lo} -p{a} -c2 -w0 00:11:22:33:44:55",
         out=[sent(MAC, "{a}")] * 2, datagrams=[("a", MAC)] * 2),
    dict(name="quiet_prints_only_errors", args="-qi {lo} -p {a} 00:11:22:33:44:55 x:y:z",
         err=["x:y:z: mac contains non-hex characters"], status=1, datagrams=[("a", MAC)]),
    dict(name="dry_run_shows_the_packet_and_sends_nothing",
         args="-n -i {lo} -p {a} -c 2 0a-1b-2c-3d-4e-5f",
         out=[f"would send 0a:1b:2c:3d:4e:5f to {LO}:{{a}}: " + magic_packet("0a1b2c3d4e5f").hex()] * 2),
    dict(name="file_line_port_65535", args="-n -i {lo} -f {file}",
         file="00:11:22:33:44:55 127.0.0.1 65535\n",
         out=[f"would send {MAC} to {LO}:65535: " + magic_packet(MAC).hex()]),
    dict(name="dry_run_checks_the_address", args="-n -i 127.1 00:11:22:33:44:55",
         err=[f"{MAC}: {BAD_ADDRESS}"], status=1),
    dict(name="file_of_targets", args="-i {lo} -p {a} -f {file}",
         file="# the office\n"
              "00:11:22:33:44:55            # -i and -p apply\n"
              "0A-1B-2C-3D-4E-5F 127.0.0.1 {b}\n"
              "\r\n"
              "   \t\n"
              "aabb.ccdd.eeff\t127.0.0.1\t{b}#comment\r\n"
              "11:22:33:44:55:GG\n"
              "00:11:22:33:44:55 127.0.0.1 notaport\n"
              "00:11:22:33:44:55 127.0.0.1 {a} extra\n"
              "00:11:22:33:44:55 127.1\n"
              "00:11:22:33:44:55 127.0.0.1 65536\n"
              "00:11:22:33:44:55 127.0.0.1 0\n"
              "00:11:22:33:44:55 127.0.0.1 \x1b[31m\n"
              "00:11:22:33:44:02#office",
         out=[sent(MAC, "{a}"), sent("0A:1B:2C:3D:4E:5F", "{b}"),
              sent("aa:bb:cc:dd:ee:ff", "{b}"), sent("00:11:22:33:44:02", "{a}")],
         err=["{file}:7: mac contains non-hex characters",
              "{file}:8: PORT must be a number, not 'notaport'",
              "{file}:9: too many fields (expected MAC [ADDRESS [PORT]])",
              "{file}:10: " + BAD_ADDRESS,
              "{file}:11: PORT must be from 1 to 65535, not '65536'",
              "{file}:12: PORT must be from 1 to 65535, not '0'",
              "{file}:13: PORT must be a number, not '\\x1b[31m'"],
         status=1, datagrams=[("a", MAC), ("b", "0a1b2c3d4e5f"), ("b", "aabbccddeeff"),
                              ("a", "001122334402")]),
    # As Windows PowerShell 5.1's '>' and Notepad write them.
    dict(name="utf16_file_with_byte_order_mark", args="-i {lo} -p {a} -f {file}",
         file_bytes=lambda fill: ("\ufeff" + fill("00:11:22:33:44:55\r\n0A1B2C3D4E5F {lo} {b}\r\n"))
         .encode("utf-16-le"),
         out=[sent(MAC, "{a}"), sent("0A1B2C3D4E5F", "{b}")],
         datagrams=[("a", MAC), ("b", "0a1b2c3d4e5f")]),
    dict(name="utf8_file_with_byte_order_mark", args="-i {lo} -p {a} -f {file}",
         file_bytes=lambda fill: b"\xef\xbb\xbf00:11:22:33:44:55\n",
         out=[sent(MAC, "{a}")], datagrams=[("a", MAC)]),
    dict(name="utf16_file_without_byte_order_mark", args="-i {lo} -p {a} -f {file}",
         file_bytes=lambda fill: "00:11:22:33:44:55\n".encode("utf-16-le"),
         err=["{file}: UTF-16 without a byte order mark; save it as UTF-8, or as UTF-16 with one"],
         status=1),
    dict(name="targets_from_standard_input", args="-i {lo} -f - 00:11:22:33:44:55",
         stdin="0A1B2C3D4E5F {lo} {a}\nx:y:z\n", out=[sent(MAC, 9), sent("0A1B2C3D4E5F", "{a}")],
         err=["(standard input):2: mac contains non-hex characters"], status=1,
         datagrams=[("a", "0a1b2c3d4e5f")]),
    dict(name="line_too_long_is_reported_and_the_next_still_goes",
         args="-i {lo} -p {a} -f {file}",
         file="x" * 1023 + "\r 127.0.0.2 7 extra\n0A1B2C3D4E5F\n",
         out=[sent("0A1B2C3D4E5F", "{a}")], err=["{file}:1: line longer than 1023 characters"],
         status=1, datagrams=[("a", "0a1b2c3d4e5f")]),
    dict(name="nul_byte_after_the_last_line", args="-i {lo} -p {a} -f {file}",
         file="00:11:22:33:44:55\n\0", out=[sent(MAC, "{a}")],
         err=["{file}:2: NUL byte in line"], status=1, datagrams=[("a", MAC)]),
    dict(name="file_with_no_target", args="-i {lo} -f {file}", file="# nothing yet\n\n",
         err=["{file}: no target in the file"], status=1),
    dict(name="file_that_cannot_be_read", args="-i {lo} -f {missing} 00:11:22:33:44:55",
         err_prefix="{missing}: cannot open: ", status=1, out=[sent(MAC, 9)]),
    dict(name="long_file_name_shown_whole", args="-i {lo} -f {work}/" + "d" * 300 + ".txt",
         err_prefix="{work}/" + "d" * 300 + ".txt: cannot open: ", status=1),
    dict(name="folder_as_a_file", args="-i {lo} -f {work}", err_prefix="{work}: cannot ",
         status=1),
    # Host names of an ethers file, on the command line and in files; its
    # MACs in any form, one-digit groups as well (as on the command line).
    dict(name="names_from_the_ethers_file",
         args="-i {lo} -p {a} --ethers={ethers} office-pc NAS 8:0:20:1:14:5c nowhere -f {file}",
         ethers="# the office\n8:0:20:1:14:5c office-pc\n"
                "00:11:22:33:44:55\tnas  # the NAS\r\n"
                "not-a-mac nowhere\n00-11-22-33-44-56 nas\nlonely\n\n0a1b.2c3d.4e5f  laptop",
         file="NAS {lo} {b}\nnowhere\nlaptop {lo} {b}\n",
         out=[sent("08:00:20:01:14:5c", "{a}"), sent(MAC, "{a}"), sent("08:00:20:01:14:5c", "{a}"),
              sent(MAC, "{b}"), sent("0a:1b:2c:3d:4e:5f", "{b}")],
         err=["nowhere: not a MAC address, and not in {ethers}",
              "{file}:2: not a MAC address, and not in {ethers}"],
         status=1, datagrams=[("a", "08:00:20:01:14:5c"), ("a", MAC), ("a", "08:00:20:01:14:5c"),
                              ("b", MAC), ("b", "0a1b2c3d4e5f")]),
    dict(name="name_not_in_the_default_ethers_file", args="-n -i {lo} no-such-machine.example",
         err=["no-such-machine.example: not a MAC address, and not in " + DEFAULT_ETHERS], status=1),
    # A resend that -c and -w would make end after the timeout is not made.
    dict(name="up_resends_only_within_the_timeout",
         args="-i {lo} -p {a} -c 2 -w 2000 --up {lo}:{a} -t 2 -r 1 00:11:22:33:44:55",
         out=[sent(MAC, "{a}")] * 2, err=["{lo}: not up after 2 s"], status=3,
         datagrams=[("a", MAC)] * 2),
    dict(name="ethers_file_that_cannot_be_read",
         args="-n -i {lo} --ethers {missing} office-pc 00:11:22:33:44:55",
         out=[f"would send {MAC} to {LO}:9: " + magic_packet(MAC).hex()],
         err_prefix="office-pc: not a MAC address, and {missing} cannot be read: ", status=1),
    # SecureOn: six bytes in any MAC form, or four as a dotted quad, after
    # the 102; -n shows them all.
    dict(name="password_of_six_bytes", args="-i {lo} -p {a} -P 0a-0b-0c-0d-0e-ff 00:11:22:33:44:55",
         out=[sent(MAC, "{a}")], datagrams=[("a", MAC, "0a0b0c0d0eff")]),
    dict(name="password_of_four_bytes", args="-i {lo} -p {a} --password 192.168.1.254 -f {file}",
         file="00:11:22:33:44:55\n0A1B2C3D4E5F\n",
         out=[sent(MAC, "{a}"), sent("0A1B2C3D4E5F", "{a}")],
         datagrams=[("a", MAC, "c0a801fe"), ("a", "0A1B2C3D4E5F", "c0a801fe")]),
    dict(name="password_shown_by_a_dry_run", args="-n -i {lo} -P 8:0:0:0:0:1 00:11:22:33:44:55",
         out=[f"would send {MAC} to {LO}:9: " + magic_packet(MAC).hex() + "080000000001"]),
    dict(name="password_that_cannot_be_used", args="-i {lo} -p {a} -P 1.2.3.256 00:11:22:33:44:55",
         err=["PW must be six bytes as aa:bb:cc:dd:ee:ff or four as a dotted quad, "
              "not '1.2.3.256'", HINT], status=2),
    # IPv6 literals; names are resolved in the namespace tests, with a hosts
    # file of their own.
    dict(name="ipv6_literal", args="-n -i ::1 -p {a} 00:11:22:33:44:55",
         out=["would send 00:11:22:33:44:55 to [::1]:{a}: " + magic_packet(MAC).hex()]),
    dict(name="interface_unknown", args="-n -I no-such-if0 00:11:22:33:44:55",
         err_prefix="no-such-if0: no such interface; there are: ", status=1),
    # --up on loopback: a TCP port nobody listens on never answers (status
    # 3); a HOST that is no address is the wait's error. The sleeping
    # machine is in the namespace tests.
    dict(name="up_times_out", args="-i {lo} -p {a} --up {lo}:{a} -t 1 -r 0 00:11:22:33:44:55",
         out=[sent(MAC, "{a}")], err=["{lo}: not up after 1 s"], status=3,
         datagrams=[("a", MAC)]),
    dict(name="up_host_that_is_no_address", args="-q -i {lo} -p {a} --up 127.1 00:11:22:33:44:55",
         err=["127.1: not an IPv4 dotted quad"], status=1, datagrams=[("a", MAC)]),
    dict(name="up_after_a_failed_wake_up_waits_for_nothing",
         args="-i {lo} -p {a} --up {lo}:{a} 00:11:22:33:44:GG",
         err=["00:11:22:33:44:GG: mac contains non-hex characters"], status=1),
    # Command lines that cannot be used send nothing.
    dict(name="old_form_port_not_a_number", args="00:11:22:33:44:55 {lo} x",
         err=["PORT must be a number, not 'x'", HINT], status=2),
    dict(name="port_not_a_number", args="-i {lo} -p 9x 00:11:22:33:44:55",
         err=["PORT must be a number, not '9x'", HINT], status=2),
    dict(name="port_0", args="-i {lo} -p 0 00:11:22:33:44:55",
         err=["PORT must be from 1 to 65535, not '0'", HINT], status=2),
    dict(name="port_above_65535", args="-i {lo} -p 65536 00:11:22:33:44:55 11:22:33:44:55:66",
         err=["PORT must be from 1 to 65535, not '65536'", HINT], status=2),
    dict(name="negative_port", args="-i {lo} -p -5 00:11:22:33:44:55",
         err=["PORT must be a number, not '-5'", HINT], status=2),
    # -n as well where only a correct tool would name 127.0.0.1, so that a
    # broken one cannot broadcast either.
    dict(name="empty_address", args="-n -i  -p {a} 00:11:22:33:44:55",
         err=["ADDRESS must not be empty", HINT], status=2),
    dict(name="windows_help_switch", args="-n -i {lo} /?", err=["unknown option '/?'", HINT], status=2),
    dict(name="unknown_option", args="-i {lo} -z 00:11:22:33:44:55",
         err=["unknown option '-z'", HINT], status=2),
    dict(name="unknown_long_option", args="--ip {lo} --broadcast 00:11:22:33:44:55",
         err=["unknown option '--broadcast'", HINT], status=2),
    dict(name="missing_value", args="-i {lo} 00:11:22:33:44:55 -p",
         err=["option '-p' needs a value", HINT], status=2),
    dict(name="count_out_of_range", args="-i {lo} -c 0 00:11:22:33:44:55",
         err=["N must be from 1 to 1000, not '0'", HINT], status=2),
    dict(name="no_target", args="-i {lo} -p {a}",
         err=["no MAC address and no -f FILE given", HINT], status=2),
    dict(name="old_form_address_and_ip", args="-i {lo} 00:11:22:33:44:55 {lo} {a}",
         err=["an ADDRESS after the MAC and -i together", HINT], status=2),
    dict(name="all_interfaces_and_old_form_address", args="-n -a 00:11:22:33:44:55 {lo}",
         err=["-a sends to every interface's broadcast; it cannot go with an ADDRESS", HINT],
         status=2),
    dict(name="ipv6_with_ip", args="-n -6 -i {lo} 00:11:22:33:44:55",
         err=["-6 sends to ff02::1; it cannot go with -i", HINT], status=2),
    dict(name="ipv6_with_all_interfaces", args="-n -6a 00:11:22:33:44:55",
         err=["-6 sends to ff02::1; it cannot go with -a", HINT], status=2),
    dict(name="interface_with_ip", args="-n -I lo --ip {lo} 00:11:22:33:44:55",
         err=["-I sends out of one interface; it cannot go with -i", HINT], status=2),
    dict(name="interface_with_old_form_address", args="-n --interface=lo 00:11:22:33:44:55 {lo}",
         err=["-I sends out of one interface; it cannot go with an ADDRESS", HINT], status=2),
    dict(name="up_with_a_dry_run", args="-n -i {lo} --up {lo}:1 00:11:22:33:44:55",
         err=["--up waits for the machine to answer; it cannot go with -n", HINT], status=2),
    dict(name="up_with_two_targets", args="-i {lo} -p {a} -u {lo}:1 00:11:22:33:44:55 0A1B2C3D4E5F",
         err=["--up waits for one machine: give exactly one MAC, and no -f", HINT], status=2),
    dict(name="timeout_without_up", args="-i {lo} -p {a} -t 5 00:11:22:33:44:55",
         err=["-t and -r go with --up", HINT], status=2),
    dict(name="ethernet_without_an_interface", args="-n -e -i {lo} 00:11:22:33:44:55",
         err=[("-e sends raw Ethernet frames, which this build cannot: Linux only"
               if TOOL[0].endswith("wine-run.sh") else
               "-e sends a raw Ethernet frame; it cannot go with -i"), HINT], status=2),
    dict(name="version", args="-V", out=["wol-wake 1.0.0 (tarnwick-wol 1.0.0)"]),
]


class WolWake(unittest.TestCase):
    def run_case(self, case):
        receivers = {"a": Receiver(), "b": Receiver()}
        work = tempfile.mkdtemp()
        try:
            values = {"lo": LO, "a": receivers["a"].port, "b": receivers["b"].port,
                      "work": work, "file": os.path.join(work, "targets.txt"),
                      "ethers": os.path.join(work, "ethers"),
                      "missing": os.path.join(work, "missing.txt")}
            fill = lambda text: text.format(**values)  # noqa: E731
            if "file" in case:
                with open(values["file"], "wb") as f:
                    f.write(fill(case["file"]).encode("latin-1"))
            if "ethers" in case:
                with open(values["ethers"], "wb") as f:
                    f.write(fill(case["ethers"]).encode("latin-1"))
            if "file_bytes" in case:
                with open(values["file"], "wb") as f:
                    f.write(case["file_bytes"](fill))
            run = subprocess.run(TOOL + [fill(a) for a in case["args"].split(" ")],
                                 input=fill(case.get("stdin", "")).encode(),
                                 capture_output=True, timeout=120, check=False)
            out = run.stdout.decode().splitlines()
            err = run.stderr.decode().splitlines()
            self.assertEqual(run.returncode, case.get("status", 0), run.stderr.decode())
            self.assertEqual(out, [fill(line) for line in case.get("out", [])],
                             f"stderr: {run.stderr.decode()}")
            if "err_prefix" in case:
                self.assertEqual(len(err), 1, err)
                self.assertTrue(err[0].startswith("wol-wake: " + fill(case["err_prefix"])), err)
            else:
                self.assertEqual(err, ["wol-wake: " + fill(line) if line != HINT else line
                                       for line in case.get("err", [])])
            for name, receiver in receivers.items():
                expected = [magic_packet(each[1]) + bytes.fromhex(each[2] if len(each) > 2 else "")
                            for each in case.get("datagrams", []) if each[0] == name]
                self.assertEqual(receiver.take(len(expected)), expected, f"receiver {name}")
        finally:
            for receiver in receivers.values():
                receiver.close()
            for name in os.listdir(work):
                os.remove(os.path.join(work, name))
            os.rmdir(work)

    def test_closed_output_pipe_stops_no_wake_up(self):
        # The reading end is closed before the tool writes its first line.
        count = 100
        with Receiver() as receiver, tempfile.NamedTemporaryFile("w", delete=False) as f:
            for i in range(count):
                f.write(f"00:11:22:33:{i >> 8:02x}:{i & 255:02x}\n")
            f.close()
            read_end, write_end = os.pipe()
            os.close(read_end)
            try:
                run = subprocess.run(TOOL + ["-i", LO, "-p", str(receiver.port), "-f", f.name],
                                     stdin=subprocess.DEVNULL, stdout=write_end,
                                     stderr=subprocess.PIPE, timeout=120, check=False)
            finally:
                os.close(write_end)
                os.unlink(f.name)
            self.assertEqual(len(receiver.take(count)), count, run.stderr)
            self.assertEqual(run.returncode, 1)
            self.assertIn(b"wol-wake: cannot write the output: ", run.stderr)

    def test_standard_input_goes_a_line_at_a_time(self):
        # The first target must arrive while standard input is still open.
        with Receiver() as receiver:
            tool = subprocess.Popen(TOOL + ["-q", "-i", LO, "-p", str(receiver.port), "-f", "-"],
                                    stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
            try:
                tool.stdin.write(f"{MAC}\n".encode())
                tool.stdin.flush()
                receiver.sock.settimeout(120)  # a bound for a failure, not a wait
                self.assertEqual(receiver.sock.recv(2048), magic_packet(MAC))
                tool.stdin.write(b"0A1B2C3D4E5F\n")
                tool.stdin.close()
                self.assertEqual(tool.wait(timeout=120), 0)
                self.assertEqual(receiver.take(1), [magic_packet("0A1B2C3D4E5F")])
            finally:
                if tool.poll() is None:
                    tool.kill()
                    tool.wait()

    @unittest.skipIf(TOOL[0].endswith("wine-run.sh"), "the descriptor limit is for a native tool")
    def test_every_file_is_closed(self):
        # Three times as many files as descriptors: one left open each time
        # would exhaust them.
        import resource  # pylint: disable=import-outside-toplevel
        with tempfile.NamedTemporaryFile("w", delete=False) as f:
            f.write(MAC + "\n")
        try:
            limit = lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (32, 32))  # noqa: E731
            run = subprocess.run(TOOL + ["-n", "-i", LO] + ["-f", f.name] * 96,
                                 stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                 timeout=120, check=False, preexec_fn=limit)
        finally:
            os.unlink(f.name)
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        self.assertEqual(len(run.stdout.splitlines()), 96)

    @unittest.skipUnless(os.path.exists("/dev/full"), "no /dev/full")
    def test_full_output_is_reported(self):
        with open("/dev/full", "wb") as full:
            run = subprocess.run(TOOL + ["--version"], stdout=full, stderr=subprocess.PIPE,
                                 timeout=120, check=False)
        self.assertEqual(run.returncode, 1)
        self.assertTrue(run.stderr.startswith(b"wol-wake: cannot write the output: "), run.stderr)

    def test_wait_between_packets(self):
        # Lower bounds only: a slow machine may take longer, never less.
        with Receiver() as receiver:
            start = time.monotonic()
            subprocess.run(TOOL + ["-q", "-i", LO, "-p", str(receiver.port), "-c", "3", "-w", "300",
                                   MAC], check=True, timeout=120)
            self.assertGreaterEqual(time.monotonic() - start, 0.6)
            self.assertEqual(len(receiver.take(3)), 3)
            # One packet: nothing to wait between, whatever -w says.
            start = time.monotonic()
            subprocess.run(TOOL + ["-q", "-i", LO, "-p", str(receiver.port), "-w", "60000", MAC],
                           check=True, timeout=120)
            self.assertLess(time.monotonic() - start, 50)

    def test_up_by_a_tcp_connection(self):
        with Receiver() as receiver, socket.socket() as listener:
            listener.bind((LO, 0))
            listener.listen()
            port = listener.getsockname()[1]
            run = subprocess.run(TOOL + ["-i", LO, "-p", str(receiver.port), "--up", f"{LO}:{port}",
                                         MAC], capture_output=True, text=True, timeout=120,
                                 check=False)
            self.assertEqual((run.returncode, run.stderr), (0, ""))
            self.assertRegex(run.stdout, rf"^sent {MAC} to {LO}:{receiver.port}\r?\n"
                                         rf"up {LO} after \d+\.\d s\r?\n$")
            self.assertEqual(receiver.take(1), [magic_packet(MAC)])

    def test_help_manual_page_and_docs_name_the_same_options(self):
        root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        with open(os.path.join(root, "tools", "wol-wake", "wol-wake.1"), encoding="utf-8") as f:
            # Roff's escaped hyphens, font changes and quoted words aside:
            # .BR \-i ", " \-\-ip reads "-i, --ip".
            text = f.read().replace("\\-", "-").replace(' ", " ', ", ")
            manual = re.sub(r"\\f[BIRP]", "", text)
        with open(os.path.join(root, "docs", "wol-wake.md"), encoding="utf-8") as f:
            docs = f.read()
        run = subprocess.run(TOOL + ["--help"], capture_output=True, text=True, timeout=120,
                             check=False)
        pairs = lambda text: sorted(set(re.findall(r"(?<![\w-])(-[a-zA-Z]), (--[a-z][a-z-]*)",
                                                   text)))  # noqa: E731
        self.assertGreaterEqual(len(pairs(run.stdout)), 10, run.stdout)
        self.assertEqual(pairs(manual), pairs(run.stdout), "the manual page")
        self.assertEqual(pairs(docs), pairs(run.stdout), "docs/wol-wake.md")

    def test_help_shows_the_usage(self):
        run = subprocess.run(TOOL + ["--help"], capture_output=True, text=True, timeout=120,
                             check=False)
        self.assertEqual(run.returncode, 0)
        self.assertTrue(run.stdout.startswith("usage: wol-wake [OPTIONS] MAC...\n"), run.stdout)
        for option in ("--ip", "--port", "--all-interfaces", "--count", "--wait", "--dry-run",
                       "--quiet", "--file"):
            self.assertIn(option, run.stdout)


def setUpModule():
    # Under Wine, the first program starts the Wine server, which keeps that
    # program's stdout and stderr open for a few seconds after it exits: let
    # it start here, on no pipe of ours, so that each case ends when its
    # program does.
    subprocess.run(TOOL + ["--version"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=300, check=False)


def add_case(case):
    setattr(WolWake, "test_" + case["name"], lambda self: self.run_case(case))


for each in CASES:
    add_case(each)

if __name__ == "__main__":
    unittest.main(verbosity=1)
