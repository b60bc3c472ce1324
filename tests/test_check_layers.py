#!/usr/bin/env python3
"""check_layers.py on small trees: each rule it keeps, broken once, is
named; the same tree kept to the rules passes."""
import pathlib
import subprocess
import sys
import tempfile

CHECK = pathlib.Path(__file__).parent / "check_layers.py"


def Check(files):
    """check_layers.py's exit code and lines over a tree of `files`."""
    with tempfile.TemporaryDirectory() as folder:
        src = pathlib.Path(folder)
        for name, includes in files.items():
            (src / name).parent.mkdir(parents=True, exist_ok=True)
            (src / name).write_text("".join(f'#include "{i}"\n' for i in includes), encoding="utf-8")
        run = subprocess.run([sys.executable, CHECK, src], capture_output=True, text=True)
        return run.returncode, run.stdout.splitlines()


# Every layer of the program, the render ring's two files one-way, the
# core's folders in order.
CLEAN = {
    "core/base/a.h": [],
    "core/archive/b.h": ["core/base/a.h"],
    "render/chart.h": ["render/layers.h", "core/archive/b.h"],
    "render/chart.cpp": ["render/chart.h"],
    "render/layers.h": [],
    "render/layers.cpp": ["render/layers.h"],
    "gui/base/profile.h": ["render/chart.h"],
    "gui/dialogs/dialog.h": ["gui/base/profile.h"],
    "gui/views/view.h": ["gui/dialogs/dialog.h", "gui/base/profile.h"],
    "gui/output/print.h": ["gui/views/view.h"],
    "gui/app/app.h": ["gui/output/print.h", "gui/views/view.h", "gui/dialogs/dialog.h", "gui/base/profile.h"],
}

BREACHES = [
    ("gui/views/view.cpp", ["gui/app/app.h"], "gui/views includes gui/app/app.h (above it)"),
    ("gui/base/profile.cpp", ["gui/dialogs/dialog.h"], "gui/base includes gui/dialogs/dialog.h (above it)"),
    ("gui/dialogs/dialog.cpp", ["gui/output/print.h"], "gui/dialogs includes gui/output/print.h (above it)"),
    ("gui/misc/thing.h", ["gui/base/profile.h"], "gui/misc is in no layer"),
    ("core/base/c.h", ["core/archive/b.h"], "core/base includes core/archive/b.h"),
    ("render/layers.cpp", ["render/layers.h", "render/chart.h"], "files including each other: render/chart, render/layers"),
    ("core/base/d.h", ["render/chart.h"], "core includes render/chart.h"),
]

failures = []
code, lines = Check(CLEAN)
if code != 0 or lines:
    failures.append(f"a tree kept to the rules fails: {lines}")
for name, includes, expected in BREACHES:
    code, lines = Check({**CLEAN, name: includes})
    if code != 1 or not any(expected in line for line in lines):
        failures.append(f"{name} including {includes}: expected «{expected}», got {code} {lines}")
for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
