#!/usr/bin/env python3
"""The include rules of src/: every #include "..." names a header from src/
(or a generated one), and no folder includes one above it.

  core/base <- core/link, core/storage <- core/description <- core/archive
  <- core/output, core/journal <- render <- gui;  core <- cli (which may use
  render); core/output and core/journal include neither the other

  gui/base <- gui/dialogs <- gui/views <- gui/output <- gui/app

core includes no Qt header. In render, no two files include each other,
directly or round a longer ring (a file and its header are one). Prints
each breach; exits 1 when there is one.
"""
import pathlib
import re
import sys

SRC = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
CORE_ORDER = {"base": 0, "link": 1, "storage": 1, "description": 2, "archive": 3, "output": 4, "journal": 4}
GUI_ORDER = {"base": 0, "dialogs": 1, "views": 2, "output": 3, "app": 4}
# What each top folder may include besides itself.
ALLOWED = {"core": {"core"}, "render": {"core", "render"}, "cli": {"core", "render", "cli"},
           "gui": {"core", "render", "gui"}}
# The folders whose files must not include one another in a ring.
ACYCLIC = {"render"}
GENERATED = {"tkq_version.h"}


def LayerBreach(order, top, mine, theirs):
    """Why folder `mine` of `top` may not include folder `theirs`, or None."""
    if mine not in order:
        return f"{top}/{mine} is in no layer"
    if theirs not in order:
        return f"{top}/{theirs} is in no layer"
    if mine == theirs:
        return None
    if top == "core":
        # Folders of one rank (output, journal) include neither the other.
        return None if order[theirs] < order[mine] else "above or beside it"
    return None if order[theirs] < order[mine] else "above it"


def Rings(edges):
    """The strongly connected sets of more than one unit (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def Visit(unit):
        index[unit] = low[unit] = len(index)
        stack.append(unit)
        on_stack.add(unit)
        for other in sorted(edges.get(unit, ())):
            if other not in index:
                Visit(other)
                low[unit] = min(low[unit], low[other])
            elif other in on_stack:
                low[unit] = min(low[unit], index[other])
        if low[unit] == index[unit]:
            ring = []
            while True:
                other = stack.pop()
                on_stack.discard(other)
                ring.append(other)
                if other == unit:
                    break
            if len(ring) > 1:
                found.append(sorted(ring))

    for unit in sorted(edges):
        if unit not in index:
            Visit(unit)
    return found


breaches = []
edges = {}  # unit -> units of the same acyclic folder it includes
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
            continue
        if included.parts[0] != top:
            continue
        order = {"core": CORE_ORDER, "gui": GUI_ORDER}.get(top)
        if order is not None:
            why = LayerBreach(order, top, rel.parts[1], included.parts[1])
            if why is not None:
                breaches.append(f"{rel}:{number}: {top}/{rel.parts[1]} includes {included} ({why})")
        if top in ACYCLIC:
            mine, theirs = rel.with_suffix("").as_posix(), included.with_suffix("").as_posix()
            if mine != theirs:
                edges.setdefault(mine, set()).add(theirs)

for ring in Rings(edges):
    breaches.append("files including each other: " + ", ".join(ring))

for breach in breaches:
    print(breach)
sys.exit(1 if breaches else 0)
