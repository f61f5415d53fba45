#!/usr/bin/env python3
"""Writes a build's compile commands with one command per translation unit.

CMake writes a command for every target that compiles a file, so a file
compiled into several targets (the program library into the fuzz target as
well) has several, and clang-tidy checks a file once for each command it has.
Commands for one file that define the same macros read the same code: they
differ only in instrumentation and in include folders the file does not use.
So the first of them is kept, and a file compiled with other macros (the two
benchmark floors) keeps one command for each set, as each reads other code.

usage: tidy_database.py BUILD_DIR OUT_DIR [COMMAND...]
writes OUT_DIR/compile_commands.json, then runs COMMAND (clang-tidy over it)
in its place.
"""
import json
import os
import shlex
import sys


def arguments(entry):
    if "arguments" in entry:
        return entry["arguments"]
    return shlex.split(entry["command"])


def macros(args):
    """The -D and -U options of a command, in order, each as one string."""
    found = []
    pending = None
    for arg in args:
        if pending:
            found.append(pending + arg)
            pending = None
        elif arg in ("-D", "-U"):
            pending = arg
        elif arg.startswith(("-D", "-U")):
            found.append(arg)
    return tuple(found)


def distinct(entries):
    """The entries, but only the first of each file and set of macros."""
    seen = set()
    kept = []
    for entry in entries:
        path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
        key = (path, macros(arguments(entry)))
        if key not in seen:
            seen.add(key)
            kept.append(entry)
    return kept


def main():
    build, out, *command = sys.argv[1:]
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as source:
        entries = json.load(source)
    kept = distinct(entries)
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "compile_commands.json"), "w", encoding="utf-8") as target:
        json.dump(kept, target, indent=2)
    print(f"clang-tidy reads {len(kept)} translation units ({len(entries)} compile commands)",
          flush=True)
    if command:
        os.execvp(command[0], command)


if __name__ == "__main__":
    main()
