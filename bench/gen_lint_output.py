#!/usr/bin/env python3
"""Writes a large PC-lint text output that mixes the layouts the reader knows.

Usage: gen_lint_output.py SIZE_BYTES OUT_FILE

Modules with parenthesised locations, two-blank layouts (with and without a column), quoted file
names, PC-lint Plus's file:line:column layout with supplemental follow-ups, messages without a
location under a wrap-up line, messages over two lines, echoed source lines, the "(Error -- ...)" form, 830
follow-ups, and about one repeat in twenty. Deterministic: the same size gives the same file.
"""
import random
import sys


def main():
    size, path = int(sys.argv[1]), sys.argv[2]
    rng = random.Random(20261209)
    texts = [
        "Symbol 'count' (line 38) not initialized",
        "Ignoring return value of function 'printf(const char *, ...)'",
        "Possible use of null pointer 'node' in argument to operator '->'",
        "Loss of sign (assignment) (int to unsigned int)",
        "Undeclared identifier 'lenght'",
        "Expecting ';'",
        "Header file 'stdio.h' not used in module",
    ]
    numbers = [(530, "Warning"), (534, "Warning"), (613, "Warning"), (732, "Info"),
               (40, "Error"), (10, "Error"), (766, "Info"), (1960, "Note"), (9029, "Note")]
    written = 0
    module = 0
    with open(path, "w", newline="\n") as out:
        out.write("PC-lint for C/C++ (NT) Vers. 9.00L, Copyright Gimpel Software 1985-2014\n")
        while written < size:
            module += 1
            name = f"src/mod{module % 500}/file{module}.c"
            block = [f"\n--- Module:   {name} (C)\n"]
            last = None
            for _ in range(rng.randint(20, 60)):
                number, kind = rng.choice(numbers)
                text = rng.choice(texts)
                line = rng.randint(1, 5000)
                layout = rng.random()
                if last is not None and rng.random() < 0.05:
                    block.append(last)  # a repeat
                    continue
                if layout < 0.35:
                    entry = f"{name}({line}): {kind} {number}: {text}\n"
                elif layout < 0.55:
                    entry = f"{name}  {line}  {kind} {number}: {text}\n"
                elif layout < 0.6:
                    entry = f"{name}  {line} {line % 80}  {kind} {number}: {text}\n"
                elif layout < 0.65:
                    entry = f'"{name}" {line} {line % 80} {kind} {number}: {text}\n'
                elif layout < 0.7:
                    entry = (f"{name}:{line}:{line % 80}: {kind.lower()} {number}: {text}\n"
                             f"src/decl.h:{line % 90}:1: supplemental 891: declared here\n")
                elif layout < 0.8:
                    entry = f"    x = y + {line};\n{name}({line}) : {kind} {number}: {text}\n"
                elif layout < 0.88:
                    entry = f"{name}({line})\n    {kind} {number}: {text}\n"
                elif layout < 0.95:
                    entry = f"{name}({line}): error {number}: ({kind} -- {text})\n"
                else:
                    entry = (f"{name}({line}): {kind} {number}: {text}\n"
                             f"{name}({line - 1}): Info 830: Location cited in prior message\n")
                block.append(entry)
                last = entry
            block.append(f"\n--- Wrap-up for Module: {name}\n")
            block.append(f"Info 766: Header file 'stdio.h' not used in module '{name}'\n")
            chunk = "".join(block)
            out.write(chunk)
            written += len(chunk)
        out.write("\n--- Global Wrap-up\n\nNote 900: Successful completion, 1 messages produced\n")


if __name__ == "__main__":
    main()
