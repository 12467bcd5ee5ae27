#!/usr/bin/env python3
"""Writes a large PC-lint XML output (the "doc" of "message" elements that -format_xml gives).

Usage: gen_lint_xml.py SIZE_BYTES OUT_FILE

Message texts hold entity references now and then, and about one message in twenty repeats the
one before it. Deterministic: the same size gives the same file.
"""
import random
import sys


def main():
    size, path = int(sys.argv[1]), sys.argv[2]
    rng = random.Random(20261210)
    texts = [
        "Symbol 'count' (line 38) not initialized",
        "Ignoring return value of function 'printf(const char *, ...)'",
        "Possible use of null pointer 'node' in argument to operator '-&gt;'",
        "Loss of sign (assignment) (int to unsigned int)",
        "Boolean within 'if' always evaluates to False [Reference: a &amp;&amp; b]",
        "Expecting ';'",
        "Header file 'stdio.h' not used in module",
    ]
    numbers = [(530, "Warning"), (534, "Warning"), (613, "Warning"), (732, "Info"),
               (40, "Error"), (10, "Error"), (766, "Info"), (1960, "Note"), (9029, "Note")]
    written = 0
    module = 0
    with open(path, "w", newline="\n") as out:
        out.write('<?xml version="1.0" ?>\n<doc>\n')
        while written < size:
            module += 1
            name = f"src\\mod{module % 500}\\file{module}.c"
            block = []
            last = None
            for _ in range(rng.randint(20, 60)):
                if last is not None and rng.random() < 0.05:
                    block.append(last)
                    continue
                number, kind = rng.choice(numbers)
                entry = (f"<message><file>{name}</file> <line>{rng.randint(1, 5000)}</line> "
                         f"<type>{kind}</type> <code>{number}</code> "
                         f"<desc>{rng.choice(texts)}</desc></message>\n")
                block.append(entry)
                last = entry
            chunk = "".join(block)
            out.write(chunk)
            written += len(chunk)
        out.write("</doc>\n")


if __name__ == "__main__":
    main()
