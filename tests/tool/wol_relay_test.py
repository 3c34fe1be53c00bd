#!/usr/bin/env python3
"""wol-relay on 127.0.0.1: each decision and its log line (forwarded, and
each kind of refusal), what reaches the machine it forwards to, its own
datagrams never forwarded again, the summary when it is stopped, the
allow-list read again on SIGHUP, the journal's stream, and the errors that
keep it from starting.

    wol_relay_test.py COMMAND...   (wol-relay, or cmake/wine-run.sh wol-relay.exe)

The relay forwards with -i 127.0.0.1 only, to a receiver of the test's.
"""
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.dirname(HERE))
from loopback_receiver import Receiver, magic_packet  # noqa: E402
from running_program import WAIT, run_on_free_port, start_on_free_port  # noqa: E402
from tool_docs import check_option_pairs  # noqa: E402

TOOL = sys.argv[1:]
del sys.argv[1:]
WINE = TOOL[0].endswith("wine-run.sh")
WAKE = TOOL[:-1] + [re.sub(r"wol-relay(\.exe)?$", r"wol-wake\1", TOOL[-1])]
HINT = "Try 'wol-relay --help' for more information."
LO = "127.0.0.1"
MAC = "00:11:22:33:44:55"
OTHER = "66:77:88:99:aa:bb"
STAMP = r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} "
# Wine turns SIGINT into Ctrl-C for a console program; elsewhere SIGTERM.
STOP = signal.SIGINT if WINE else signal.SIGTERM


def send(port, payload):
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.sendto(payload, (LO, port))
        return sock.getsockname()[1]


class Relay:
    """wol-relay on a free port, forwarding to 127.0.0.1:`to_port`, with an
    allow-list file of the test's (`allow`, or --allow-any when None)."""

    def __init__(self, work, to_port, *args, allow="00-11-22-33-44-55 office-pc\n", env=None):
        self.allow_file = os.path.join(work, "allow")
        choice = ["--allow-any"]
        if allow is not None:
            with open(self.allow_file, "w", encoding="ascii") as f:
                f.write(allow)
            choice = ["--allow", self.allow_file]
        self.program, self.port = start_on_free_port(
            lambda port: TOOL + ["-p", str(port), "-i", LO, "--to-port", str(to_port)] + choice +
            list(args), r"started: ", env=env)

    def decision(self):
        """The next log line, without its time."""
        line = self.program.next_line()
        assert line is not None and re.match(STAMP, line), (line, self.program.seen["err"])
        return re.sub("^" + STAMP, "", line)

    def stop(self):
        """Stops it; returns its status and its last lines, without their time."""
        self.program.signal(STOP)
        status = self.program.finish()
        return status, "\n".join(re.sub("^" + STAMP, "", line) for line in self.program.rest("err"))

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.program.close()


def wake(port, *args):
    subprocess.run(WAKE + ["-q", "-i", LO, "-p", str(port)] + list(args), check=True,
                   timeout=WAIT, stdin=subprocess.DEVNULL)


class WolRelay(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp()
        self.receiver = Receiver()

    def tearDown(self):
        self.receiver.close()
        for name in os.listdir(self.work):
            os.remove(os.path.join(self.work, name))
        os.rmdir(self.work)

    def test_each_decision_is_one_log_line_and_only_forwards_arrive(self):
        to = self.receiver.port
        with Relay(self.work, to, "--rate", "1/3600") as relay:
            p = relay.port
            wake(p, MAC)
            self.assertRegex(relay.decision(),
                             rf"^forwarded {MAC} \(office-pc\) from {LO}:\d+ to {LO}:{to}$")
            wake(p, "00-11-22-33-44-55")
            self.assertRegex(relay.decision(),
                             rf"^refused {MAC} \(office-pc\) from {LO}:\d+: rate-mac: this MAC was "
                             r"forwarded 1 time in the last 3600 s \(--rate 1/3600\)$")
            wake(p, OTHER)
            self.assertRegex(relay.decision(),
                             rf"^refused {OTHER} from {LO}:\d+: not-allowed: not in "
                             rf"{re.escape(relay.allow_file)}$")
            source = send(p, b"GET / HTTP/1.0\r\n\r\n")
            self.assertEqual(relay.decision(),
                             f"refused - from {LO}:{source}: not-magic: too-short, 18 bytes, "
                             "fewer than a magic packet's 102")
            status, last = relay.stop()
            self.assertEqual(status, 0)
            self.assertRegex(last, r"^summary after [\d.]+ s: 4 requests: 1 forwarded, 0 failed, "
                                   r"3 refused \(not-magic 1, not-allowed 1, rate-mac 1\)$")
        self.assertEqual(self.receiver.take(1), [magic_packet(MAC)])

    def test_a_password_goes_on_with_its_packet(self):
        with Relay(self.work, self.receiver.port, allow=None) as relay:
            wake(relay.port, "-P", "192.168.1.254", OTHER)
            self.assertRegex(relay.decision(),
                             rf"^forwarded {OTHER} from {LO}:\d+ with its password to ")
            send(relay.port, magic_packet(MAC) + bytes.fromhex("0a0b0c0d0e0f"))
            self.assertRegex(relay.decision(), rf"^forwarded {MAC} from .* with its password to ")
        self.assertEqual(self.receiver.take(2), [magic_packet(OTHER) + bytes([192, 168, 1, 254]),
                                                 magic_packet(MAC) + bytes.fromhex("0a0b0c0d0e0f")])

    def test_the_packet_sent_on_is_the_clean_packet(self):
        # What comes before the packet in the request stays behind.
        with Relay(self.work, self.receiver.port) as relay:
            send(relay.port, b"WOL header " + magic_packet(MAC))
            self.assertRegex(relay.decision(), rf"^forwarded {MAC} ")
        self.assertEqual(self.receiver.take(1), [magic_packet(MAC)])

    def test_a_burst_becomes_no_more_forwards_than_the_global_limit(self):
        with Relay(self.work, self.receiver.port, "--global-rate", "3/3600", allow=None) as relay:
            for i in range(8):
                wake(relay.port, f"02:00:00:00:00:{i:02x}")
            decisions = [relay.decision() for _ in range(8)]
        self.assertEqual([d.split(" ")[0] for d in decisions], ["forwarded"] * 3 + ["refused"] * 5)
        self.assertRegex(decisions[-1], r"rate-global: the relay forwarded 3 times in the last "
                                        r"3600 s \(--global-rate 3/3600\)$")
        self.assertEqual(len(self.receiver.take(3)), 3)

    def test_from_refuses_senders_outside_it(self):
        with Relay(self.work, self.receiver.port, "--from", "10.0.0.0/8", "--from",
                   "2001:db8::/32") as relay:
            wake(relay.port, MAC)
            self.assertRegex(relay.decision(),
                             rf"^refused {MAC} \(office-pc\) from {LO}:\d+: sender: not from a "
                             r"network of --from$")
        self.assertEqual(self.receiver.take(0), [])

    def test_its_own_datagram_is_never_forwarded_again(self):
        # Forwarding to its own port: the forward comes back once, refused.
        program, port = start_on_free_port(
            lambda port: TOOL + ["-p", str(port), "-i", LO, "--to-port", str(port), "--allow-any"],
            r"started: ")
        with program:
            send(port, magic_packet(MAC))
            self.assertRegex(program.next_line(),
                             rf"forwarded {MAC} from {LO}:\d+ to {LO}:{port}$")
            self.assertRegex(program.next_line(),
                             rf"refused {MAC} from {LO}:\d+: own: sent by this relay$")
            program.signal(STOP)
            self.assertEqual(program.finish(), 0)
            self.assertRegex("\n".join(program.rest("err")),
                             rf"^{STAMP}summary after [\d.]+ s: 2 requests: 1 forwarded, 0 failed, "
                             r"1 refused \(own 1\)$")

    @unittest.skipIf(WINE, "SIGHUP is POSIX's")
    def test_sighup_reads_the_allow_list_again(self):
        with Relay(self.work, self.receiver.port) as relay:
            with open(relay.allow_file, "a", encoding="ascii") as f:
                f.write(f"{OTHER} nas\n")
            relay.program.signal(signal.SIGHUP)
            self.assertEqual(relay.decision(), f"reload: {relay.allow_file}: 2 MACs")
            wake(relay.port, OTHER)
            self.assertRegex(relay.decision(), rf"^forwarded {OTHER} \(nas\) ")
            with open(relay.allow_file, "w", encoding="ascii") as f:
                f.write("not-a-mac nas\n")
            relay.program.signal(signal.SIGHUP)
            self.assertEqual(relay.decision(),
                             f"reload: kept the allow-list as it was: {relay.allow_file}:1: "
                             "the first field is not a MAC address")
            wake(relay.port, OTHER)  # still allowed: the old list holds
            self.assertRegex(relay.decision(), rf"^refused {OTHER} \(nas\) .* rate-mac: ")
            relay.program.signal(signal.SIGUSR1)
            self.assertRegex(relay.decision(), r"^summary after [\d.]+ s: 2 requests: 1 forwarded")
            wake(relay.port, MAC)  # a report does not stop it
            self.assertRegex(relay.decision(), rf"^forwarded {MAC} ")
        self.assertEqual(self.receiver.take(2), [magic_packet(OTHER), magic_packet(MAC)])

    @unittest.skipIf(WINE, "the journal is systemd's")
    def test_lines_bear_no_time_where_standard_error_is_the_journal(self):
        # JOURNAL_STREAM names standard error's device and inode, as systemd
        # sets it for a service whose output goes to the journal.
        env = dict(os.environ)

        def journal_pipe():
            pipe = os.pipe()
            status = os.fstat(pipe[1])
            env["JOURNAL_STREAM"] = f"{status.st_dev}:{status.st_ino}"
            return pipe

        program, port = start_on_free_port(
            lambda port: TOOL + ["-p", str(port), "-i", LO, "--to-port", str(self.receiver.port),
                                 "--allow-any"], r"^started: ", env=env, stderr_pipe=journal_pipe)
        with program:
            wake(port, MAC)
            self.assertRegex(program.next_line(), rf"^forwarded {MAC} from ")
            program.signal(STOP)
            self.assertEqual(program.finish(), 0)
            self.assertRegex("\n".join(program.rest("err")), r"^summary after ")

    def test_command_lines_it_cannot_use_and_files_it_cannot_start_with(self):
        missing = os.path.join(self.work, "missing")
        bad = os.path.join(self.work, "bad")
        with open(bad, "w", encoding="ascii") as f:
            f.write(f"{MAC} ok\n\nnot-a-mac pc\n")
        cases = [
            ([], 2, ["no allow-list: give --allow FILE with the MACs to forward for, or "
                     "--allow-any to forward for every MAC", HINT]),
            (["--allow-any", "-a", "-i", LO], 2,
             ["-a sends to every interface's broadcast; it cannot go with -i", HINT]),
            (["--allow", missing], 1, [f"{missing}: cannot be read: No such file or directory"]),
            (["--allow", bad], 1, [f"{bad}:3: the first field is not a MAC address"]),
            (["--allow-any", "-i", "127.1"], 2,
             ["ADDRESS must be a dotted quad (four numbers from 0 to 255), not '127.1'", HINT]),
            (["--allow-any", "-I", "wol9"], 1, None),
        ]
        if WINE:
            cases.append((["--allow-any", "--log", "syslog"], 2, [
                "--log syslog: Windows has no syslog; the log goes to standard error", HINT]))
        for args, status, err in cases:
            with self.subTest(args=args):
                result = run_on_free_port(lambda port, a=args: TOOL + ["-p", str(port)] + a)
                lines = result.stderr.decode().replace("\r", "").splitlines()
                self.assertEqual(result.returncode, status, lines)
                if err is None:
                    self.assertRegex(lines[0], r"^wol-relay: wol9: no such interface; there are: ")
                else:
                    self.assertEqual(lines, [e if e == HINT else "wol-relay: " + e for e in err])

    def test_a_port_that_is_taken_is_named(self):
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as holder:
            holder.bind(("0.0.0.0", 0))  # receives only
            port = holder.getsockname()[1]
            result = subprocess.run(TOOL + ["-p", str(port), "--allow-any", "-i", LO],
                                    capture_output=True, text=True, timeout=WAIT, check=False)
        self.assertEqual(result.returncode, 1)
        self.assertRegex(result.stderr.strip(),
                         rf"^wol-relay: UDP port {port}: .+; another program listens there; "
                         r"stop it, or choose another port with -p PORT$")

    def test_version(self):
        result = subprocess.run(TOOL + ["-V"], capture_output=True, text=True, timeout=WAIT,
                                check=False)
        self.assertEqual((result.returncode, result.stdout.strip()),
                         (0, "wol-relay 1.0.0 (tarnwick-wol 1.0.0)"))

    def test_help_manual_page_and_docs_name_the_same_options(self):
        check_option_pairs(self, TOOL, "wol-relay", "wol-relay.1")


def setUpModule():
    subprocess.run(TOOL + ["--version"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=300, check=False)


if __name__ == "__main__":
    unittest.main(verbosity=1)
