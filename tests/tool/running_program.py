"""A program of the tools that keeps running (wol-listen, wol-relay), for
the tests that talk to it on 127.0.0.1: its output lines as they come, a
wait for the line that says it is ready, and a free UDP port for it.

Every wait is for a line or an exit, bounded by a generous timeout that
only a failure reaches."""
import os
import queue
import re
import socket
import subprocess
import threading

WAIT = 120  # seconds: a bound for a failure, never a wait


def free_udp_port():
    """A UDP port that nothing listens on now (over IPv4 and IPv6)."""
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.bind(("0.0.0.0", 0))
        return probe.getsockname()[1]


class RunningProgram:
    """`command` started with pipes; each of its output streams read into a
    queue of lines (CR LF or LF, without the line end)."""

    def __init__(self, command, env=None, stderr_pipe=None, stdout=subprocess.PIPE):
        """`stderr_pipe`: a pipe (read, write) of the caller's for standard
        error, whose writing end the program gets and the caller gives up.
        `stdout`: where standard output goes, if not to a queue of lines."""
        self.command = command
        self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=stdout,
                                        stderr=stderr_pipe[1] if stderr_pipe else subprocess.PIPE,
                                        env=env)
        if stderr_pipe:
            os.close(stderr_pipe[1])
            self.process.stderr = os.fdopen(stderr_pipe[0], "rb")
        self.lines = {"out": queue.Queue(), "err": queue.Queue()}
        self.seen = {"out": [], "err": []}
        self._readers = [threading.Thread(target=self._read, args=(stream, name), daemon=True)
                         for stream, name in ((self.process.stdout, "out"),
                                              (self.process.stderr, "err")) if stream]
        for reader in self._readers:
            reader.start()

    def _read(self, stream, name):
        for raw in iter(stream.readline, b""):
            self.lines[name].put(raw.decode("utf-8", "replace").rstrip("\r\n"))
        self.lines[name].put(None)

    def next_line(self, name="err"):
        """The next line of the stream, or None at its end."""
        line = self.lines[name].get(timeout=WAIT)
        if line is not None:
            self.seen[name].append(line)
        return line

    def wait_for(self, pattern, name="err"):
        """Reads lines until one matches `pattern`; returns its match, or
        None when the stream ends first."""
        while True:
            line = self.next_line(name)
            if line is None:
                return None
            match = re.search(pattern, line)
            if match:
                return match

    def rest(self, name):
        """Every line still to come, once the program has ended."""
        out = []
        while (line := self.next_line(name)) is not None:
            out.append(line)
        return out

    def signal(self, number):
        """Sends `number` (POSIX), or Ctrl-C through Wine's SIGINT."""
        self.process.send_signal(number)

    def finish(self):
        """Waits for the end; returns the status."""
        status = self.process.wait(timeout=WAIT)
        for reader in self._readers:
            reader.join(timeout=WAIT)
        return status

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        for stream in (self.process.stdout, self.process.stderr):
            if stream:
                stream.close()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()


def run_on_free_port(make_command, tries=5):
    """Runs make_command(port) to its end on a free port, again on another
    when another program took it in between; returns the completed run."""
    for _ in range(tries):
        result = subprocess.run(make_command(free_udp_port()), capture_output=True,
                                stdin=subprocess.DEVNULL, timeout=WAIT, check=False)
        if b"Address already in use" not in result.stderr:
            return result
    raise AssertionError("no free port after several tries")


def start_on_free_port(make_command, ready, env=None, tries=5, stderr_pipe=None,
                       stdout=subprocess.PIPE):
    """Starts make_command(port) on a free port, until its stderr shows
    `ready`; a port that another program took in between gives another try.
    Returns (program, port)."""
    for _ in range(tries):
        port = free_udp_port()
        pipe = stderr_pipe() if stderr_pipe else None  # before the command, which may name it
        program = RunningProgram(make_command(port), env=env, stderr_pipe=pipe, stdout=stdout)
        if program.wait_for(ready) is not None:
            return program, port
        taken = any("Address already in use" in line for line in program.seen["err"])
        status = program.finish()
        program.close()
        if not taken:
            raise AssertionError(f"{make_command(port)} did not start (status {status}): "
                                 f"{program.seen['err']}")
    raise AssertionError("no free port after several tries")

