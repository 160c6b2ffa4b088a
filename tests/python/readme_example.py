#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Runs the README's Python example exactly as it is written there.

The example is the first ```python block after the heading "## Python".
Fails when there is none, when it is not five lines, or when it raises.
"""

import pathlib
import sys


def example(readme):
    text = pathlib.Path(readme).read_text()
    section = text.split("\n## Python\n", 1)
    if len(section) != 2:
        sys.exit(f"{readme}: no section \"## Python\"")
    block = section[1].split("```python\n", 1)[1].split("```", 1)[0]
    return block


def main():
    code = example(sys.argv[1])
    lines = code.strip().splitlines()
    if len(lines) != 5:
        sys.exit(f"the README's Python example has {len(lines)} lines, not five")
    exec(compile(code, "README.md (Python example)", "exec"), {"__name__": "__main__"})


if __name__ == "__main__":
    main()
