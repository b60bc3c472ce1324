#!/usr/bin/env python3
"""check_names.py on small trees: each rule it keeps, broken once, is
named with its file and line; the same tree kept to the rules passes."""
import pathlib
import subprocess
import sys
import tempfile

CHECK = pathlib.Path(__file__).parent / "check_names.py"


def Check(files):
    """check_names.py's exit code and lines over a src/ tree of `files`."""
    with tempfile.TemporaryDirectory() as folder:
        src = pathlib.Path(folder) / "src"
        for name, text in files.items():
            (src / name).parent.mkdir(parents=True, exist_ok=True)
            (src / name).write_text(text, encoding="utf-8")
        run = subprocess.run([sys.executable, CHECK, src], capture_output=True, text=True)
        return run.returncode, run.stdout.splitlines()


# Plain and given names, enum classes, platform code in platform files;
# old names only in comments and texts.
CLEAN = {
    "core/a.h": "enum class EStep : uint8_t { kOne };\nstruct CA {\n  int m_count = 0;\n  int m_nReadStatus = 0;\n"
                "  bool m_bVisible = false;  // was m_bShown\n};\n",
    "core/a.cpp": 'const char* kText = "m_nOld enum X {";\nbool g_done = false;\n',
    "core/io_posix.cpp": "#ifdef __linux__\n#endif\n",
    "core/io_win.cpp": "#ifdef _WIN32\n#endif\n",
    "gui/lock_keys_x11.cpp": "#if defined(Q_OS_LINUX)\n#endif\n",
    "gui/archive_windows.cpp": "",
}

BREACHES = [
    ("core/b.h", "struct CB {\n  int m_nCount;\n};\n", "src/core/b.h:2: m_nCount has an old type prefix"),
    ("core/b.cpp", "bool g_bDone = false;\n", "src/core/b.cpp:1: g_bDone has an old type prefix"),
    ("core/c.h", "int x;\nenum EKind : int { kA };\n", "src/core/c.h:2: enum EKind is not an enum class"),
    ("core/d.h", "enum { kB };\n", "src/core/d.h:1: enum (unnamed) is not an enum class"),
    ("gui/e.cpp", "#ifndef Q_OS_WIN\n#endif\n", "src/gui/e.cpp:1: a platform #if outside a platform file"),
    ("core/f.h", "#if defined(_WIN32) && 1\n#endif\n", "src/core/f.h:1: a platform #if outside a platform file"),
    ("core/win_serial.cpp", "", "src/core/win_serial.cpp: a platform file not named *_posix or *_win"),
]

failures = []
code, lines = Check(CLEAN)
if code != 0 or lines:
    failures.append(f"a tree kept to the rules fails: {lines}")
for name, text, expected in BREACHES:
    code, lines = Check({**CLEAN, name: text})
    if code != 1 or expected not in lines:
        failures.append(f"{name}: expected «{expected}», got {code} {lines}")
for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
