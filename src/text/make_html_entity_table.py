#!/usr/bin/env python3
"""Writes the table of HTML named character references that
html_entities.cpp includes, from the copy of the HTML standard's list that
Python's standard library carries (names with their semicolon, and the
legacy ones also without).

Usage: make_html_entity_table.py OUTPUT
"""

import html.entities
import os
import sys


def main():
    out = sys.argv[1]
    # Sorted by bytes, as the lookup compares them.
    rows = sorted(html.entities.html5.items(), key=lambda kv: kv[0].encode())
    lines = ["// Written by make_html_entity_table.py at build time.\n"]
    for name, chars in rows:
        points = [ord(c) for c in chars] + [0]
        lines.append('{"%s", 0x%X, 0x%X},\n' % (name, points[0], points[1]))
    os.makedirs(os.path.dirname(out), exist_ok=True)
    partial = out + ".part"
    with open(partial, "w") as f:
        f.writelines(lines)
    os.replace(partial, out)


if __name__ == "__main__":
    main()
