#!/usr/bin/env python3
"""wol-wake's command lines, each with the output, exit status and datagrams
it must give, run against receivers on 127.0.0.1.

    wol_wake_test.py COMMAND...      (wol-wake, or cmake/wine-run.sh wol-wake.exe)

Every command that could send names 127.0.0.1, so that even a broken tool
cannot send anywhere else; the default address and -a are tested inside
network namespaces (tests/broadcast).
"""
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from loopback_receiver import Receiver, magic_packet  # noqa: E402
from tool_docs import check_help_text, check_option_pairs  # noqa: E402

TOOL = sys.argv[1:]
del sys.argv[1:]
if sys.platform != "win32":
    import resource  # pylint: disable=import-error

LO = "127.0.0.1"
MAC = "00:11:22:33:44:55"
HINT = "Try 'wol-wake --help' for more information."
WINE = TOOL[0].endswith("wine-run.sh")
# Run by qemu-user, which maps the guest's memory itself: no limit of the
# process's address space fits both it and a proof of bounded reads.
EMULATED = len(TOOL) > 1 and not WINE
# A sanitized build reserves more address space than any memory limit allows.
with open(TOOL[-1], "rb") as _program:
    ASAN = b"__asan_init" in _program.read()
NOT_DOTTED_QUAD = "ADDRESS must be a dotted quad (four numbers from 0 to 255), not "
BAD_PORT = "PORT (the third field) must be a number from 1 to 65535"
LINE_NOT_DOTTED_QUAD = "ADDRESS (the second field) must be a dotted quad (four numbers from 0 to 255)"
NO_SUCH_FILE = "No such file or directory"
# Wine's message table words a refused connection as POSIX does.
REFUSED = "Connection refused"
# The ethers file used without --ethers (Wine's %SystemRoot% is C:\windows).
DEFAULT_ETHERS = r"C:\windows\System32\drivers\etc\ethers" if WINE else "/etc/ethers"
# Under Wine, arguments and file names reach the program as UTF-8 in a
# UTF-8 locale; natively they are bytes whatever the locale.
ENV = dict(os.environ, LC_ALL="C.UTF-8")


def sent(mac, port):
    """What the tool says it sent: every MAC in one form, whatever form it
    was given in."""
    digits = mac.replace(":", "").replace("-", "").replace(".", "").lower()
    colon = ":".join(digits[i:i + 2] for i in range(0, 12, 2))
    return f"sent {colon} to {LO}:{port}"


# Each case: the arguments, then what must come of them. {a} and {b} stand
# for the ports of two receivers, {file} for a file holding `file`.
# `datagrams` lists (receiver, MAC[, PASSWORD in hex]) in the order they must
# arrive. {ethers} is a file holding `ethers`.
CASES = [
    dict(name="one_mac", args="-i {lo} -p {a} 00:11:22:33:44:55",
         out=[sent(MAC, "{a}")], datagrams=[("a", MAC)]),
    dict(name="every_mac_form_shown_in_one",
         args="-i {lo} -p {a} 0A-1B-2C-3D-4E-5F 0a1b.2c3d.4e5f 0A1B2C3D4E5F 0a1b-2c3d-4e5f "
              "A:1B:2C:3D:4E:5F",
         out=[sent("0a1b2c3d4e5f", "{a}")] * 5, datagrams=[("a", "0a1b2c3d4e5f")] * 5),
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
    # Digits and dots are an address, and must be a dotted quad: a resolver
    # would read 127.1 and 0x7f.1 as 127.0.0.1. One usage error, before
    # anything is sent, in the tool's own words.
    dict(name="address_of_two_parts", args="-i 127.1 00:11:22:33:44:55 0A1B2C3D4E5F",
         err=[NOT_DOTTED_QUAD + "'127.1'", HINT], status=2),
    dict(name="address_in_hex", args="-i 0x7f.1 00:11:22:33:44:55",
         err=[NOT_DOTTED_QUAD + "'0x7f.1'", HINT], status=2),
    dict(name="address_past_255", args="-i 10.77.0.256 00:11:22:33:44:55 0A1B2C3D4E5F",
         err=[NOT_DOTTED_QUAD + "'10.77.0.256'", HINT], status=2),
    dict(name="old_form_address_of_two_parts", args="00:11:22:33:44:55 127.1",
         err=[NOT_DOTTED_QUAD + "'127.1'", HINT], status=2),
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
         err=[NOT_DOTTED_QUAD + "'127.1'", HINT], status=2),
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
              "00:11:22:33:44:02#office\n"
              "00:11:22:33:44:55 0x7f.1\n"
              "00:11:22:33:44:55 fe80::zz",
         out=[sent(MAC, "{a}"), sent("0A:1B:2C:3D:4E:5F", "{b}"),
              sent("aa:bb:cc:dd:ee:ff", "{b}"), sent("00:11:22:33:44:02", "{a}")],
         # A file's fields are named, never shown: it may be one that only
         # the tool could read (run with sudo).
         err=["{file}:7: mac contains non-hex characters",
              "{file}:8: " + BAD_PORT,
              "{file}:9: too many fields (expected MAC [ADDRESS [PORT]])",
              "{file}:10: " + LINE_NOT_DOTTED_QUAD,
              "{file}:11: " + BAD_PORT,
              "{file}:12: " + BAD_PORT,
              "{file}:13: " + BAD_PORT,
              "{file}:15: " + LINE_NOT_DOTTED_QUAD,
              "{file}:16: ADDRESS (the second field) must be an IPv6 address"],
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
         out=[sent("0A1B2C3D4E5F", "{a}")], err=["{file}:1: line longer than 1023 bytes"],
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
    # The ethers file is read as files of targets are (a byte order mark,
    # UTF-16), a line at a time; a line keyed by an address is found
    # through the host's addresses, as wakeonlan finds it.
    dict(name="ethers_file_in_utf16", args="-i {lo} -p {a} --ethers={ethers} office-pc",
         ethers_bytes="\ufeff# office\r\n00:11:22:33:44:55 office-pc\r\n".encode("utf-16-le"),
         out=[sent(MAC, "{a}")], datagrams=[("a", MAC)]),
    dict(name="ethers_file_with_a_utf8_byte_order_mark",
         args="-i {lo} -p {a} --ethers={ethers} office-pc",
         ethers_bytes=b"\xef\xbb\xbf00:11:22:33:44:55 office-pc\n",
         out=[sent(MAC, "{a}")], datagrams=[("a", MAC)]),
    dict(name="ethers_line_keyed_by_the_host_address",
         args="-i {lo} -p {a} --ethers={ethers} localhost backend-database01",
         ethers="0A:1B:2C:3D:4E:5F 192.0.2.1\n00:11:22:33:44:55 127.0.0.1\n"
                "0a-1b-2c-3d-4e-5e backend-database01\n",
         out=[sent(MAC, "{a}"), sent("0a1b2c3d4e5e", "{a}")],
         datagrams=[("a", MAC), ("a", "0a1b2c3d4e5e")]),
    dict(name="ethers_file_that_is_no_text", args="-n -i {lo} --ethers=/dev/zero office-pc",
         err=["office-pc: not a MAC address, and /dev/zero cannot be read: line 1: NUL byte in "
              "line"], status=1, native=True),
    dict(name="name_not_in_the_default_ethers_file", args="-n -i {lo} no-such-machine.example",
         err=["no-such-machine.example: not a MAC address, and not in " + DEFAULT_ETHERS], status=1),
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
    # A password is never shown, not even when it cannot be used; it may
    # come from a file or standard input, out of sight of ps.
    dict(name="password_that_cannot_be_used", args="-i {lo} -p {a} -P 1.2.3.256 00:11:22:33:44:55",
         err=["PW must be six bytes in a MAC form (aa:bb:cc:dd:ee:ff) or four as a dotted quad",
              HINT], status=2),
    dict(name="password_from_a_file",
         args="-i {lo} -p {a} --password-file {file} 00:11:22:33:44:55",
         file="0a-0b-0c-0d-0e-ff\n", out=[sent(MAC, "{a}")], datagrams=[("a", MAC, "0a0b0c0d0eff")]),
    dict(name="password_from_standard_input", args="-i {lo} -p {a} -P - 00:11:22:33:44:55",
         stdin="192.168.1.254\r\n", out=[sent(MAC, "{a}")], datagrams=[("a", MAC, "c0a801fe")]),
    dict(name="password_file_that_holds_no_password",
         args="-i {lo} -p {a} --password-file {file} 00:11:22:33:44:55",
         file="TopSecretToken123\n",
         err=["{file}: its first line must be the password alone: six bytes in a MAC form or "
              "four as a dotted quad"], status=1),
    dict(name="password_file_that_cannot_be_read",
         args="-i {lo} -p {a} --password-file {missing} 00:11:22:33:44:55",
         err_prefix="{missing}: cannot open: ", status=1),
    # IPv6 literals; names are resolved in the namespace tests, with a hosts
    # file of their own.
    dict(name="ipv6_literal", args="-n -i ::1 -p {a} 00:11:22:33:44:55",
         out=["would send 00:11:22:33:44:55 to [::1]:{a}: " + magic_packet(MAC).hex()]),
    dict(name="interface_unknown", args="-n -I no-such-if0 00:11:22:33:44:55",
         err_prefix="no-such-if0: no such interface; there are: ", status=1),
    # An IPv6 scope is an interface, named with the known ones when it is none.
    dict(name="ipv6_scope_unknown", args="-n -i fe80::1%no-such-if0 -p {a} 00:11:22:33:44:55",
         err_prefix="no-such-if0: no such interface; there are: ", status=1),
    # Control characters of any kind are shown escaped: C0, and C1 as UTF-8
    # writes them (CSI, \xc2\x9b).
    dict(name="control_characters_shown_escaped",
         args="-n -i {lo} -f {work}/\u009b31m.txt \u009b[31m\x1b[2J",
         err=["\\xc2\\x9b[31m\\x1b[2J: mac contains non-hex characters",
              "{work}/\\xc2\\x9b31m.txt: cannot open: " + NO_SUCH_FILE], status=1),
    # File names and arguments in UTF-8, on Windows too.
    # A frame goes to every machine on the link; a line that names an
    # address is refused rather than sent another way (Linux: -e).
    dict(name="raw_frame_refuses_a_lines_address", args="-n -e -I lo -f {file}",
         file="00:11:22:33:44:55 127.0.0.1\n",
         err=["{file}:1: -e sends a raw Ethernet frame; a line's own ADDRESS cannot go with it"],
         status=1, native=True),
    dict(name="file_name_beyond_ascii", args="-i {lo} -p {a} -f {work}/файл.txt",
         named_file=("файл.txt", "00:11:22:33:44:55\n"), out=[sent(MAC, "{a}")],
         datagrams=[("a", MAC)]),
    dict(name="missing_file_name_beyond_ascii", args="-n -i {lo} -f {work}/нет.txt",
         err=["{work}/нет.txt: cannot open: " + NO_SUCH_FILE], status=1),
    # --up on loopback: a TCP port nobody listens on never answers (status
    # 3); a HOST that is no address is the wait's error. The sleeping
    # machine is in the namespace tests.
    dict(name="up_times_out_saying_why", args="-i {lo} -p {a} --up {lo}:{a} -t 1 -r 0 00:11:22:33:44:55",
         out=[sent(MAC, "{a}")], err=["{lo}: not up after 1 s; last try: " + REFUSED], status=3,
         datagrams=[("a", MAC)]),
    dict(name="up_host_that_is_no_address", args="-q -i {lo} -p {a} --up 127.1:22 00:11:22:33:44:55",
         err=["HOST must be a dotted quad (four numbers from 0 to 255), not '127.1'", HINT],
         status=2),
    dict(name="up_host_with_an_unknown_scope",
         args="-i {lo} -p {a} --up [fe80::1%no-such-if0]:22 00:11:22:33:44:55",
         err_prefix="no-such-if0: no such interface; there are: ", status=1),
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
    dict(name="empty_file_name", args="-n -i {lo} -f  00:11:22:33:44:55",
         err=["FILE must not be empty", HINT], status=2),
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
    # -I keeps every datagram on its interface, -i's too.
    dict(name="interface_with_ip", args="-I lo -i {lo} -p {a} 00:11:22:33:44:55",
         out=[sent(MAC, "{a}")], datagrams=[("a", MAC)], native=True),
    dict(name="interface_with_all_interfaces", args="-n -a -I lo 00:11:22:33:44:55",
         err=["-I sends out of one interface; it cannot go with -a", HINT], status=2),
    dict(name="up_with_a_dry_run", args="-n -i {lo} --up {lo}:1 00:11:22:33:44:55",
         err=["--up waits for the machine to answer; it cannot go with -n", HINT], status=2),
    dict(name="up_with_two_targets", args="-i {lo} -p {a} -u {lo}:1 00:11:22:33:44:55 0A1B2C3D4E5F",
         err=["--up waits for one machine: give exactly one MAC, and no -f", HINT], status=2),
    dict(name="timeout_without_up", args="-i {lo} -p {a} -t 5 00:11:22:33:44:55",
         err=["-t and -r go with --up", HINT], status=2),
    dict(name="ethernet_without_an_interface", args="-n -e -i {lo} 00:11:22:33:44:55",
         err=[("-e sends raw Ethernet frames, which this build cannot: Linux only"
               if WINE else
               "-e sends a raw Ethernet frame; it cannot go with -i"), HINT], status=2),
    dict(name="version", args="-V", out=["wol-wake 2.0.0 (tarnwick-wol 1.0.0)"]),
]


class WolWake(unittest.TestCase):
    def run_case(self, case):
        if WINE and case.get("native"):
            self.skipTest("Linux's own interface or device")
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
            if "ethers_bytes" in case:
                with open(values["ethers"], "wb") as f:
                    f.write(case["ethers_bytes"])
            if "named_file" in case:
                name, text = case["named_file"]
                with open(os.path.join(work, name), "w", encoding="utf-8") as f:
                    f.write(text)
            run = subprocess.run(TOOL + [fill(a) for a in case["args"].split(" ")],
                                 input=fill(case.get("stdin", "")).encode(), env=ENV,
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
        # The first target must arrive while standard input is still open,
        # a line as short as three bytes too (the reader waits for three to
        # know the encoding).
        with Receiver() as receiver, tempfile.NamedTemporaryFile("w", delete=False) as ethers:
            ethers.write(f"{MAC} pc\n")
            ethers.close()
            tool = subprocess.Popen(TOOL + ["-q", "-i", LO, "-p", str(receiver.port), "--ethers",
                                            ethers.name, "-f", "-"],
                                    stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
            try:
                tool.stdin.write(b"pc\n")
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
                os.unlink(ethers.name)

    @unittest.skipIf(TOOL[0].endswith("wine-run.sh"), "the descriptor limit is for a native tool")
    def test_every_file_is_closed(self):
        # Three times as many files as descriptors: one left open each time
        # would exhaust them.
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

    def test_help_manual_page_and_docs_say_the_same(self):
        # --help is written from the option table; docs/wol-wake.md holds it
        # whole, and each option of the manual page begins with its line.
        run = subprocess.run(TOOL + ["--help"], capture_output=True, text=True, timeout=120,
                             check=False)
        self.assertEqual(run.returncode, 0)
        self.assertTrue(run.stdout.startswith("usage: wol-wake [OPTIONS] MAC...\n"), run.stdout)
        lines = run.stdout.splitlines()
        self.assertEqual([line for line in lines if len(line) > 80], [])
        if WINE:
            # Windows' help names its own ethers file; the pages describe
            # both, and are checked against Linux's help.
            check_option_pairs(self, TOOL, "wol-wake", "wol-wake.1")
            return
        check_help_text(self, run.stdout, "wol-wake", "wol-wake.1")

    def test_timing(self):
        # Lower and upper bounds, each wide enough for a loaded machine (and
        # Wine's start): the faults they catch take ten seconds more.
        most = 6
        for case in TIMING:
            with self.subTest(case["name"]), Receiver() as receiver:
                args = [a.format(lo=LO, a=receiver.port) for a in case["args"].split(" ")]
                start = time.monotonic()
                run = subprocess.run(TOOL + args, stdin=subprocess.DEVNULL, capture_output=True,
                                     timeout=120, check=False)
                took = time.monotonic() - start
                self.assertEqual(run.returncode, case["status"], run.stderr)
                self.assertGreaterEqual(took, case["least"])
                self.assertLess(took, case["least"] + most)
                low, high = case["datagrams"]
                got = receiver.take(low)
                self.assertTrue(low <= len(got) <= high, f"{len(got)} datagrams")

    @unittest.skipIf(WINE or ASAN, "limits of a native process without a sanitizer")
    def test_every_input_is_bounded(self):
        # Under a limit of memory, a file of zeros is no file of names, no
        # password, and a line of targets that is reported at once (under
        # qemu-user the same answers, without the limit).
        limit = None if EMULATED else (
            lambda: resource.setrlimit(resource.RLIMIT_AS, (256 << 20, 256 << 20)))
        for args, message in (
                (["--ethers", "/dev/zero", "office-pc"],
                 "wol-wake: office-pc: not a MAC address, and /dev/zero cannot be read: line 1: "
                 "NUL byte in line"),
                (["--password-file", "/dev/zero", MAC], "wol-wake: /dev/zero:1: NUL byte in line")):
            with self.subTest(args[0]):
                run = subprocess.run(TOOL + ["-n", "-i", LO] + args, stdin=subprocess.DEVNULL,
                                     capture_output=True, text=True, timeout=120, check=False,
                                     preexec_fn=limit)
                self.assertEqual((run.returncode, run.stderr), (1, message + "\n"))
        # -f reads on past a bad line, and /dev/zero has no end: its problem
        # is told while it reads.
        tool = subprocess.Popen(TOOL + ["-n", "-i", LO, "-f", "/dev/zero"], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                preexec_fn=limit)
        try:
            self.assertEqual(tool.stderr.readline(), b"wol-wake: /dev/zero:1: NUL byte in line\n")
            self.assertIsNone(tool.poll())
        finally:
            tool.kill()
            tool.wait()
            tool.stderr.close()

    @unittest.skipIf(WINE or ASAN, "descriptors of a native process without a sanitizer")
    def test_a_socket_on_descriptor_0_is_kept(self):
        # With standard input closed and room for one descriptor, the
        # socket is descriptor 0; taken for none, a second would be opened.
        def limit():
            os.close(0)
            resource.setrlimit(resource.RLIMIT_NOFILE, (3, 3))
        with Receiver() as receiver:
            run = subprocess.run(TOOL + ["-q", "-i", LO, "-p", str(receiver.port), "-c", "3",
                                         "-w", "0", MAC], capture_output=True, text=True,
                                 timeout=120, check=False, preexec_fn=limit)
            self.assertEqual((run.returncode, run.stderr), (0, ""))
            self.assertEqual(receiver.take(3), [magic_packet(MAC)] * 3)


# Each: arguments ({lo}, {a}: a receiver's port, whose TCP port nobody
# listens on), the least time it takes, its status and how many datagrams
# (at least, at most) arrive.
TIMING = [
    dict(name="waits_of_a_second_or_more_are_waited",
         args="-q -i {lo} -p {a} -c 2 -w 1200 " + MAC, least=1.2, status=0, datagrams=(2, 2)),
    # Each resend sends at once; the wait ends at the timeout.
    dict(name="up_wait_longer_than_the_timeout",
         args="-q -i {lo} -p {a} --up {lo}:{a} -t 2 -r 1 -w 10000 " + MAC, least=2, status=3,
         datagrams=(1, 2)),
    dict(name="up_copies_past_the_timeout",
         args="-q -i {lo} -p {a} --up {lo}:{a} -t 2 -r 0 -c 2 -w 10000 " + MAC, least=2, status=3,
         datagrams=(1, 1)),
]


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
