#!/usr/bin/env python3
"""The README's table of messages holds every message of the library, word
for word as src/wol.cpp has it, and no other.

    docs_messages_test.py SOURCE_DIR
"""
import os
import re
import sys


def main():
    top = sys.argv[1]
    source = open(os.path.join(top, "src", "wol.cpp"), encoding="utf-8").read()
    library = set(re.findall(r'^constexpr char k\w+\[\] = "([^"]*)";', source, re.M))
    readme = open(os.path.join(top, "README.md"), encoding="utf-8").read()
    table = set(re.findall(r'^\| [^|]+ \| "([^"]*)" \|', readme, re.M))
    missing, unknown = sorted(library - table), sorted(table - library)
    for message in missing:
        print(f'FAIL: the README lacks "{message}"', file=sys.stderr)
    for message in unknown:
        print(f'FAIL: the README has "{message}", which the library does not', file=sys.stderr)
    print(f"{len(library)} messages in the library, {len(table)} in the README")
    return 1 if missing or unknown or not library else 0


if __name__ == "__main__":
    sys.exit(main())
