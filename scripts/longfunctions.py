#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Lists the longest functions in the given folders (src/ by default), longest first.

A function is a body whose braces stand alone at the start of a line, as clang-format lays
out every function here; lambdas and class bodies are counted within their function.
Usage: scripts/longfunctions.py [--over N] [folder...]
"""
import argparse
import pathlib
import re

SIGNATURE = re.compile(r"([A-Za-z_][\w:~<>]*(?:operator\S+)?)\s*\(")


def signature(lines, brace):
    """The lines before an opening brace back to the blank line, comment or end before them."""
    first = brace
    while first > 0:
        above = lines[first - 1].strip()
        if not above or above.startswith("//") or above.endswith((";", "}", "{")):
            break
        first -= 1
    return " ".join(l.strip() for l in lines[first:brace])


def functions(path):
    lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
    start = None
    for number, line in enumerate(lines):
        if line == "{":
            start = number
        elif line == "}" and start is not None:
            names = SIGNATURE.findall(signature(lines, start))
            yield (number - start - 1, names[0] if names else "?", start + 1)
            start = None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--over", type=int, default=40, help="list bodies longer than this")
    parser.add_argument("folders", nargs="*", default=["src"])
    arguments = parser.parse_args()
    found = []
    for folder in arguments.folders:
        for path in sorted(pathlib.Path(folder).rglob("*.cpp")):
            for length, name, line in functions(path):
                if length > arguments.over:
                    found.append((length, f"{path}:{line}", name))
    for length, where, name in sorted(found, reverse=True):
        print(f"{length:4d}  {where}  {name}")


if __name__ == "__main__":
    main()
