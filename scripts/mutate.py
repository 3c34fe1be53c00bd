#!/usr/bin/env python3
"""Measures how many planted faults wol-wake's tests catch.

    scripts/mutate.py [--seed N] [--faults N] [--work DIR] [--quick]

Each fault is one line of wol-wake's sources (its own and the shared parts
it is built from, the POSIX side: what the Linux build compiles) changed in
one way. The line is drawn at random, every line of code equally likely
(blank lines, comments, preprocessor lines and lone braces aside), then one
change among those that apply to it: a comparison, a logical or arithmetic
operator, a constant one more or one less, true and false swapped, a
negation dropped or a condition negated, a string emptied, a statement
deleted, an empty value returned. A line to which none applies, and a change that does not compile,
are drawn again. The seed makes the draw the same on every run.

Each fault is built (from a copy of the sources in DIR, default
build/mutation, without warnings as errors) and tested: the unit tests and
wol_wake_test, inside a network namespace of the script's own (so that a
fault that would send elsewhere sends nowhere), then, if none of those
caught it, the network-namespace tests of wol-wake (which make namespaces of
their own). It needs root. It prints each fault and the first test that
caught it, and at the end the faults caught and those that survived.
"""
import argparse
import json
import os
import random
import re
import shutil
import subprocess
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCES = [
    "tools/wol-wake/command_line.cpp", "tools/wol-wake/main.cpp", "tools/wol-wake/password.cpp",
    "tools/wol-wake/probe.cpp", "tools/wol-wake/probe_posix.cpp",
    "tools/wol-wake/target_file.cpp", "tools/wol-wake/up.cpp", "tools/wol-wake/wake.cpp",
    "tools/common/address.cpp", "tools/common/destinations.cpp", "tools/common/ethers.cpp",
    "tools/common/interfaces.cpp", "tools/common/interfaces_posix.cpp", "tools/common/lines.cpp",
    "tools/common/mac_forms.cpp", "tools/common/options.cpp", "tools/common/program_posix.cpp",
    "tools/common/socket_address.cpp", "tools/common/text.cpp", "tools/common/transport.cpp",
    "tools/common/transport_posix.cpp",
]
TARGETS = ["wol-wake", "wol_wake_core_test", "tools_common_test", "library_send"]
BUILD_WAIT = 900  # seconds: a bound for a build on a loaded machine
TEST_WAIT = 180  # seconds: a bound for a fault that hangs, which counts as caught
SKIPPED = 77  # a test that could not run here: it caught nothing


def code_lines(path):
    """The (number, text) of every line of code of a source."""
    lines = []
    comment = False
    with open(path, encoding="utf-8") as f:
        for number, text in enumerate(f, 1):
            bare = text.strip()
            if comment:
                comment = "*/" not in bare
                continue
            if bare.startswith("/*"):
                comment = "*/" not in bare
                continue
            if (not bare or bare.startswith("//") or bare.startswith("#")
                    or re.fullmatch(r"[{}();,\s]*(//.*)?", bare)
                    or re.fullmatch(r"(namespace\b.*|\} // namespace.*|(public|private|protected):)",
                                    bare)):
                continue
            lines.append((number, text))
    return lines


def changes(text):
    """Every way of changing the line once: (description, new line)."""
    code, _, comment = text.partition(" //")
    code = code.rstrip("\n")
    out = []

    def each(pattern, replace, what):
        for match in re.finditer(pattern, code):
            new = code[:match.start()] + replace(match) + code[match.end():]
            if new != code:
                out.append((what, new + (" //" + comment if comment else "\n")))

    swaps = {" == ": " != ", " != ": " == ", " <= ": " < ", " >= ": " > ", " < ": " <= ",
             " > ": " >= ", " && ": " || ", " || ": " && ", " + ": " - ", " - ": " + ",
             " * ": " / ", " += ": " -= ", " -= ": " += "}
    each(r" (==|!=|<=|>=|<|>|&&|\|\||\+|-|\*|\+=|-=) ", lambda m: swaps[m.group(0)],
         "operator swapped")
    each(r"\+\+|--", lambda m: "--" if m.group(0) == "++" else "++", "increment swapped")
    each(r"(?<![\w.])(\d+)(?![\w.])", lambda m: str(int(m.group(1)) + 1), "constant + 1")
    each(r"(?<![\w.])([1-9]\d*)(?![\w.])", lambda m: str(int(m.group(1)) - 1), "constant - 1")
    each(r"(?<![\w.])(0x[0-9A-Fa-f]+)U?(?![\w.])",
         lambda m: hex(int(m.group(1), 16) ^ 1), "constant's low bit flipped")
    each(r"\btrue\b|\bfalse\b", lambda m: "false" if m.group(0) == "true" else "true",
         "true and false swapped")
    each(r"!(?!=)", lambda m: "", "negation dropped")
    each(r"(?<=\bif \()(.*)(?=\) \{$)", lambda m: "!(" + m.group(1) + ")", "condition negated")
    each(r'"(?:[^"\\]|\\.)+"', lambda m: '""', "string emptied")
    bare = code.strip()
    if bare.endswith(";") and not bare.startswith(("return", "}", "case", "default")) \
            and "(" in bare:
        out.append(("statement deleted", "\n"))
    if bare in ("break;", "continue;"):
        out.append(("statement deleted", "\n"))
    each(r"(?<=\breturn )(.+)(?=;$)", lambda m: "{}" if m.group(1) != "{}" else m.group(1),
         "nothing returned")
    return out


def run(command, cwd=TOP, env=None, wait=TEST_WAIT):
    try:
        done = subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=wait, check=False)
        return done.returncode, done.stdout.decode(errors="replace")
    except subprocess.TimeoutExpired:
        return -1, "timed out"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, default=20261223)
    parser.add_argument("--faults", type=int, default=80)
    parser.add_argument("--work", default=os.path.join(TOP, "build", "mutation"))
    parser.add_argument("--quick", action="store_true", help="no namespace tests")
    options = parser.parse_args()
    if os.geteuid() != 0:
        sys.exit("mutate.py: needs root (network namespaces)")
    source = os.path.join(options.work, "src")
    build = os.path.join(options.work, "build")
    if not os.path.isdir(source):
        os.makedirs(source)
        subprocess.run(f"git -C {TOP} archive HEAD | tar -x -C {source}", shell=True, check=True)
    subprocess.run(["cmake", "-S", source, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                    "-DCMAKE_C_COMPILER=gcc", "-DCMAKE_CXX_COMPILER=g++"],
                   check=True, stdout=subprocess.DEVNULL)
    build_targets = ["cmake", "--build", build, "-j2", "--target"] + TARGETS
    subprocess.run(build_targets, check=True, stdout=subprocess.DEVNULL)
    bin_dir = os.path.join(build, "bin")
    namespace = f"tarnwick-wol-mutation-{os.getpid()}"
    subprocess.run(["ip", "netns", "add", namespace], check=True)
    subprocess.run(["ip", "-n", namespace, "link", "set", "lo", "up"], check=True)
    inside = ["ip", "netns", "exec", namespace]
    quick = [
        ("wol_wake_core_test", inside + [os.path.join(bin_dir, "wol_wake_core_test")]),
        ("tools_common_test", inside + [os.path.join(bin_dir, "tools_common_test")]),
        ("wol_wake_test", inside + ["python3", os.path.join(source, "tests/tool/wol_wake_test.py"),
                                    os.path.join(bin_dir, "wol-wake")]),
    ]
    slow = [(f"{name}_netns_test",
             inside + ["bash", os.path.join(source, f"tests/broadcast/netns_{name}_test.sh"),
                       "00:11:22:33:44:55", "native", os.path.join(bin_dir, "wol-wake")])
            for name in ("interface", "all_interfaces", "up", "broadcast")]
    env = dict(os.environ, LIBRARY_SEND=os.path.join(bin_dir, "library_send"))
    for name, command in quick + ([] if options.quick else slow):
        status, output = run(command, env=env)
        if status not in (0, SKIPPED):
            subprocess.run(["ip", "netns", "del", namespace], check=False)
            sys.exit(f"mutate.py: {name} fails without a fault:\n{output}")
    population = [(path, number, text) for path in SOURCES
                  for number, text in code_lines(os.path.join(source, path))]
    print(f"seed {options.seed}: {len(population)} lines of code in {len(SOURCES)} sources",
          flush=True)
    draw = random.Random(options.seed)
    results = []
    drawn = set()
    redrawn = {"no change applies": 0, "does not compile": 0}
    try:
        while len(results) < options.faults:
            path, number, text = draw.choice(population)
            possible = changes(text)
            if not possible:
                redrawn["no change applies"] += 1
                continue
            what, new = draw.choice(possible)
            if (path, number, new) in drawn:
                continue  # the same fault twice counts once
            drawn.add((path, number, new))
            file = os.path.join(source, path)
            with open(file, encoding="utf-8") as f:
                original = f.readlines()
            mutated = list(original)
            mutated[number - 1] = new
            with open(file, "w", encoding="utf-8") as f:
                f.writelines(mutated)
            try:
                status, _ = run(build_targets, wait=BUILD_WAIT)
                if status != 0:
                    redrawn["does not compile"] += 1
                    continue
                caught = None
                started = time.monotonic()
                for name, command in quick + ([] if options.quick else slow):
                    status, output = run(command, env=env)
                    if status == SKIPPED:
                        print(f"    {name} skipped: {output.strip().splitlines()[-1:]}",
                              flush=True)
                    elif status != 0:
                        caught = name
                        break
                fault = dict(file=path, line=number, change=what, before=text.strip(),
                             after=new.strip(), caught=caught,
                             seconds=round(time.monotonic() - started))
                results.append(fault)
                print(f"{len(results):3} {path}:{number} {what}: {fault['before']!r} -> "
                      f"{fault['after']!r}: {caught or 'SURVIVED'}", flush=True)
            finally:
                with open(file, "w", encoding="utf-8") as f:
                    f.writelines(original)
    finally:
        subprocess.run(["ip", "netns", "del", namespace], check=False)
        subprocess.run(build_targets, check=False, stdout=subprocess.DEVNULL)
    caught = [r for r in results if r["caught"]]
    print(f"\nseed {options.seed}: {len(caught)} of {len(results)} faults caught; drawn again: "
          f"{redrawn['no change applies']} lines no change applies to, "
          f"{redrawn['does not compile']} changes that do not compile")
    for r in results:
        if not r["caught"]:
            print(f"survived: {r['file']}:{r['line']} {r['change']}: {r['before']!r} -> "
                  f"{r['after']!r}")
    with open(os.path.join(options.work, f"mutation-{options.seed}.json"), "w",
              encoding="utf-8") as f:
        json.dump(dict(seed=options.seed, results=results, redrawn=redrawn), f, indent=1)


if __name__ == "__main__":
    main()
