#!/usr/bin/env python3
"""The include rules of src/: every #include "..." names a header from src/
(or a generated one), and no folder includes one above it.

  core/base <- core/link, core/storage <- core/description <- core/archive
  <- core/output, core/journal <- render <- gui;  core <- cli (which may use
  render); core/output and core/journal include neither the other

core includes no Qt header. Prints each breach; exits 1 when there is one.
"""
import pathlib
import re
import sys

SRC = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
CORE_ORDER = {"base": 0, "link": 1, "storage": 1, "description": 2, "archive": 3, "output": 4, "journal": 4}
# What each top folder may include besides itself.
ALLOWED = {"core": {"core"}, "render": {"core", "render"}, "cli": {"core", "render", "cli"},
           "gui": {"core", "render", "gui"}}
GENERATED = {"tkq_version.h"}

breaches = []
for path in sorted(SRC.rglob("*")):
    if path.suffix not in (".h", ".cpp"):
        continue
    rel = path.relative_to(SRC)
    top = rel.parts[0]
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        system = re.match(r'\s*#include\s+<(Q\w+)', line)
        if system and top == "core":
            breaches.append(f"{rel}:{number}: Qt header <{system.group(1)}> in the core")
        match = re.match(r'\s*#include\s+"([^"]+)"', line)
        if not match or match.group(1) in GENERATED or match.group(1).endswith(".moc"):
            continue
        included = pathlib.PurePosixPath(match.group(1))
        if not (SRC / included).is_file():
            breaches.append(f"{rel}:{number}: \"{included}\" is not named from src/")
            continue
        if included.parts[0] not in ALLOWED.get(top, {top}):
            breaches.append(f"{rel}:{number}: {top} includes {included}")
        elif top == "core" and included.parts[0] == "core":
            mine, theirs = rel.parts[1], included.parts[1]
            if mine != theirs and (mine not in CORE_ORDER or CORE_ORDER[theirs] >= CORE_ORDER[mine]):
                breaches.append(f"{rel}:{number}: core/{mine} includes {included}")

for breach in breaches:
    print(breach)
sys.exit(1 if breaches else 0)
