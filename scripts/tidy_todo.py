#!/usr/bin/env python3
"""Lists the translation units under src/ (or the folders named) that clang-tidy must look at again.

A unit is skipped when the contents of everything it includes from this repository
(ninja's dependency record), its compile command and .clang-tidy hash to a key that
an earlier clean run recorded in BUILD/tidy-clean. A clean build directory (CI's)
has no record, so everything is checked there.

Usage: tidy_todo.py BUILD list [DIR...] prints "FILE KEY" lines to check (DIR: src by default)
       tidy_todo.py BUILD record KEY... records keys that were found clean
"""
import hashlib
import json
import os
import subprocess
import sys

build, action = sys.argv[1], sys.argv[2]
record = os.path.join(build, "tidy-clean")
if action == "record":
    with open(record, "a", encoding="utf-8") as out:
        out.writelines(key + "\n" for key in sys.argv[3:])
    sys.exit(0)

root = os.getcwd()
folders = tuple(os.path.join(root, d) + os.sep for d in (sys.argv[3:] or ["src"]))
clean = set()
if os.path.exists(record):
    with open(record, encoding="utf-8") as f:
        clean = {line.strip() for line in f}
with open(os.path.join(root, ".clang-tidy"), "rb") as f:
    config = f.read()
with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as f:
    units = json.load(f)
for unit in units:
    source = unit["file"]
    if not source.startswith(folders) or not source.endswith(".cpp"):
        continue
    command = unit.get("command", " ".join(unit.get("arguments", [])))
    words = command.split()
    output = unit.get("output") or (words[words.index("-o") + 1] if "-o" in words else "")
    deps = subprocess.run(["ninja", "-C", build, "-t", "deps", output], capture_output=True, text=True).stdout
    files = [line.strip() for line in deps.splitlines()[1:] if line.startswith(" ")]
    files = [os.path.normpath(os.path.join(unit["directory"], p)) for p in files]
    files = sorted(p for p in files if p.startswith(root + os.sep))
    if source not in files:
        files.append(source)  # never built yet: its dependencies are unknown
        print(source, "")
        continue
    digest = hashlib.sha256(config)
    digest.update(command.replace(root, "").encode())
    for path in files:
        digest.update(path[len(root):].encode())
        with open(path, "rb") as f:
            digest.update(f.read())
    key = digest.hexdigest()
    if key not in clean:
        print(source, key)
