"""The check that a tool's --help, its manual page and its page in docs/
name the same options."""
import os
import re
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
WAIT = 120


def check_option_pairs(test, tool, name, manual_page):
    """--help, the manual page and docs/NAME.md name the same "-x, --long"
    pairs and the same long options."""
    root = os.path.dirname(os.path.dirname(HERE))
    with open(os.path.join(root, "tools", name, manual_page), encoding="utf-8") as f:
        manual = re.sub(r"\\f[BIRP]", "", f.read().replace("\\-", "-").replace(' ", " ', ", "))
    with open(os.path.join(root, "docs", name + ".md"), encoding="utf-8") as f:
        docs = f.read()
    result = subprocess.run(tool + ["--help"], capture_output=True, text=True, timeout=WAIT,
                            check=False)
    test.assertEqual(result.returncode, 0)
    test.assertTrue(result.stdout.startswith(f"usage: {name} "), result.stdout)

    def pairs(text):
        return sorted(set(re.findall(r"(?<![\w-])(-[a-zA-Z0-9]), (--[a-z][a-z-]*)", text)))

    def longs(text):
        return set(re.findall(r"(?<![\w-])(--[a-z][a-z-]+)", text))

    test.assertGreaterEqual(len(pairs(result.stdout)), 5, result.stdout)
    test.assertEqual(pairs(manual), pairs(result.stdout), "the manual page")
    test.assertEqual(pairs(docs), pairs(result.stdout), f"docs/{name}.md")
    for where, text in (("the manual page", manual), (f"docs/{name}.md", docs)):
        test.assertEqual(longs(result.stdout) - longs(text), set(), f"missing from {where}")


def roff_text(line):
    """A line of a manual page as man shows its words: a font macro's
    arguments (.B, .BR, ...: alternating fonts run together, the others
    joined by spaces), escapes and font changes undone."""
    if line.startswith("."):
        macro, _, rest = line[1:].partition(" ")
        words = [m.group(1) if m.group(1) is not None else m.group(2)
                 for m in re.finditer(r'"([^"]*)"|(\S+)', rest)]
        line = ("" if len(macro) == 2 and macro[0] in "BIR" and macro[1] in "BIR" else " ").join(
            words) if macro in ("B", "I", "BR", "RB", "IR", "RI", "BI", "IB", "SM") else ""
    line = re.sub(r"\\f[BIRP]", "", line)
    return line.replace("\\-", "-").replace("\\e", "\\").replace("\\&", "").replace("\\(aq", "'")


def manual_options(text):
    """Each option of the OPTIONS section: its tag and its text, as shown."""
    section = "\n" + text.split("\n.SH OPTIONS\n", 1)[1].split("\n.SH ", 1)[0]
    options = []
    for item in section.split("\n.TP\n")[1:]:
        lines = item.split("\n.PP\n", 1)[0].split("\n")
        body = " ".join(roff_text(line) for line in lines[1:])
        options.append((roff_text(lines[0]), " ".join(body.split())))
    return options


def help_options(text):
    """Each option of --help: its names and value, and its help joined."""
    options = []
    for line in text.splitlines():
        match = re.match(r"^(  -\S, |      )(--\S+(?: \S+)?)  +(\S.*)$", line)
        if match:
            names = (match.group(1).strip() + " " + match.group(2)).strip()
            options.append([names, match.group(3)])
        elif options and re.match(r"^ {20,}\S", line):
            options[-1][1] += " " + line.strip()
    return [tuple(option) for option in options]


def check_help_text(test, help_text, name, manual_page):
    """docs/NAME.md holds --help whole, in its first block that starts
    with "usage:"; each option of the manual page is --help's, in its order,
    its text beginning with the option's help as a sentence."""
    root = os.path.dirname(os.path.dirname(HERE))
    with open(os.path.join(root, "docs", name + ".md"), encoding="utf-8") as f:
        blocks = re.findall(r"^```\n(usage:.*?)^```$", f.read(), re.M | re.S)
    test.assertTrue(blocks, f"docs/{name}.md has no block of the usage")
    test.assertEqual(blocks[0], help_text, f"docs/{name}.md")
    with open(os.path.join(root, "tools", name, manual_page), encoding="utf-8") as f:
        manual = manual_options(f.read())
    options = help_options(help_text)
    test.assertGreaterEqual(len(options), 10, help_text)
    test.assertEqual([tag for tag, _ in manual], [names for names, _ in options],
                     "the manual page's options")
    for (tag, body), (_, text) in zip(manual, options):
        test.assertTrue(body.startswith(text[0].upper() + text[1:] + "."),
                        f"{tag}: the manual page says\n{body}\n--help says\n{text}")
