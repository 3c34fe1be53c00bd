#!/usr/bin/env python3
"""Every relative link in README.md and docs/*.md leads somewhere: to a file
or folder that exists and, with a #anchor, to a heading of that Markdown file
(or of the same file, for a bare #anchor), with anchors made from headings
as GitHub makes them.

    docs_links_test.py SOURCE_DIR
"""
import glob
import os
import re
import sys

LINK = re.compile(r"!?\[(?:[^\]\[]|\[[^\]]*\])*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
FENCE = re.compile(r"^\s*(```|~~~)")


def prose(path):
    """The file's lines outside fenced code blocks, with code spans blanked."""
    inside = False
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        if FENCE.match(line):
            inside = not inside
            continue
        if not inside:
            yield number, re.sub(r"`[^`]*`", "``", line)


def slug(heading):
    """GitHub's anchor for a heading: its text, lower case, without
    punctuation but hyphens and underscores, spaces turned into hyphens."""
    text = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", heading)
    text = text.replace("`", "").strip().lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(path):
    """The anchors of a Markdown file's headings; repeats get -1, -2..."""
    found, seen = set(), {}
    for _, line in prose(path):
        match = re.match(r"^#{1,6}\s+(.*?)\s*#*\s*$", line)
        if match:
            base = slug(match.group(1))
            count = seen.get(base, 0)
            seen[base] = count + 1
            found.add(base if count == 0 else f"{base}-{count}")
    return found


def main():
    top = os.path.abspath(sys.argv[1])
    files = [os.path.join(top, "README.md")] + sorted(glob.glob(os.path.join(top, "docs", "*.md")))
    problems, checked = [], 0
    for path in files:
        for number, line in prose(path):
            for target in LINK.findall(line):
                if re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I):
                    continue  # a URL, not ours to check
                checked += 1
                where = f"{os.path.relpath(path, top)}:{number}: {target}"
                file_part, _, anchor = target.partition("#")
                linked = os.path.normpath(os.path.join(os.path.dirname(path), file_part)) \
                    if file_part else path
                if not os.path.exists(linked):
                    problems.append(f"{where}: no such file")
                elif anchor and linked.endswith(".md") and anchor not in anchors(linked):
                    problems.append(f"{where}: no heading with the anchor #{anchor}")
                elif not os.path.realpath(linked).startswith(top + os.sep) and linked != top:
                    problems.append(f"{where}: leads outside the project")
    for problem in problems:
        print(f"FAIL: {problem}", file=sys.stderr)
    print(f"{checked} relative links in {len(files)} files, {len(problems)} broken")
    return 1 if problems or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
