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
