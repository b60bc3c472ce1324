#!/usr/bin/env python3
"""The naming and platform rules of the sources (src/ and tools/ unless
folders are given):

  - members and globals have plain names (m_camelCase, g_camelCase), not
    the old prefixes of their type (m_bShown, m_nCount, m_strName, m_pLink,
    g_bDone, ...), unless the name is one of the protocol's and documents'
    given names, which keep theirs;
  - every enumeration is an enum class;
  - a platform #if (_WIN32, Q_OS_WIN, __linux__, ...) appears only in a
    platform file, and a platform file is named *_posix, *_win (or *_x11,
    *_none for the lock keys), so that CMake chooses it.

Prints each breach with its file:line; exits 1 when there is one.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).parent.parent
FOLDERS = [pathlib.Path(a) for a in sys.argv[1:]] or [ROOT / "src", ROOT / "tools"]

# The protocol's and documents' given names: the members a reader of the
# instrument's protocol or of the program's documents looks for, prefixes
# included.
GIVEN_NAMES = {
    "m_abRequest", "m_abResponse", "m_arcRecords", "m_bAccepted", "m_bResult", "m_bShowAbnormal",
    "m_bShowArchivingTime", "m_bShowFirst", "m_bShowIntervalEnd", "m_bShowIntervalStart", "m_bShowNumber",
    "m_bShowSecond", "m_bVisible", "m_cbBaudRate", "m_cbPort", "m_devBytes", "m_dwSeconds", "m_enumTexts",
    "m_errRecords", "m_fArchivingPercent", "m_fValue1", "m_fValue2", "m_hPort", "m_nAbnormalCode",
    "m_nAbnormalCursor", "m_nAddress", "m_nBaudRate", "m_nBegin", "m_nCharWidth", "m_nCode", "m_nComBoudRate",
    "m_nComIndex", "m_nCurParamSet", "m_nCurVersion", "m_nDevAddress", "m_nDeviceAddress", "m_nEnd",
    "m_nEnumBase", "m_nFirstArchParam", "m_nFirstRowY", "m_nFlags", "m_nFormat", "m_nGroupCount", "m_nGroup",
    "m_nLineHeight", "m_nNextRow", "m_nObjectNumber", "m_nOutputType1", "m_nOutputType2", "m_nPageCount",
    "m_nParamCount", "m_nParamSet", "m_nParamType1", "m_nParamType2", "m_nReadStatus", "m_nRowCursor",
    "m_nRowsPerPage", "m_nSecondArchParam", "m_nStatus", "m_nTime", "m_nType1", "m_nType2", "m_nUnit1",
    "m_nUnit2", "m_pCurrentObject", "m_pLink", "m_pVersionList", "m_parBytes", "m_strArchivePath",
    "m_strCaption", "m_strDescription", "m_strDeviceId", "m_strName", "m_strPortName", "m_tRead",
}

# A type prefix: a short run of lower-case letters naming the type, then
# the capital of the name proper.
OLD_PREFIX = re.compile(r"\b[mg]_(?:b|n|str|p|arr|ar|f|fl|dw|w|h|sz|by|ab|cb|par|t|c|l|ul|u|i|d|lp|pfn|fn)[A-Z]\w*")
UNSCOPED_ENUM = re.compile(r"\benum\s+(?!class\b|struct\b)(\w*)\s*(?::[^{;]*)?\{")
PLATFORM_MACRO = re.compile(
    r"\b(?:_WIN32|_WIN64|WIN32|_WINDOWS|Q_OS_\w+|__linux__|__linux|__APPLE__|__MACH__|__unix__|__unix|"
    r"_MSC_VER|__MINGW32__|__MINGW64__|__CYGWIN__|__FreeBSD__|_POSIX_VERSION|_POSIX_C_SOURCE)\b")
CONDITIONAL = re.compile(r"^\s*#\s*(?:if|ifdef|ifndef|elif)\b(.*)")
# ("windows" alone names the program's own windows, not the platform.)
PLATFORM_WORDS = {"win", "win32", "posix", "linux", "unix", "x11", "mac", "macos"}
PLATFORM_SUFFIXES = ("_posix", "_win", "_x11", "_none")


def Code(text):
    """`text` with its comments and the contents of its literals blanked,
    lines kept where they were."""
    def Blank(match):
        return re.sub(r"[^\n]", " ", match.group(0))
    pattern = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)
    return pattern.sub(Blank, text)


def IsPlatformFile(path):
    return path.stem.endswith(PLATFORM_SUFFIXES)


breaches = []
seen_names = set()
for folder in FOLDERS:
    for path in sorted(folder.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        where = path.relative_to(folder.parent) if folder.parent in path.parents else path
        if not IsPlatformFile(path) and set(path.stem.lower().split("_")) & PLATFORM_WORDS:
            breaches.append(f"{where}: a platform file not named *_posix or *_win")
        code = Code(path.read_text(encoding="utf-8", errors="replace"))
        for number, line in enumerate(code.splitlines(), 1):
            for name in OLD_PREFIX.findall(line):
                if name not in GIVEN_NAMES and name not in seen_names:
                    seen_names.add(name)
                    breaches.append(f"{where}:{number}: {name} has an old type prefix")
            for match in UNSCOPED_ENUM.finditer(line):
                breaches.append(f"{where}:{number}: enum {match.group(1) or '(unnamed)'} is not an enum class")
            conditional = CONDITIONAL.match(line)
            if conditional and not IsPlatformFile(path) and PLATFORM_MACRO.search(conditional.group(1)):
                breaches.append(f"{where}:{number}: a platform #if outside a platform file")

for breach in breaches:
    print(breach)
sys.exit(1 if breaches else 0)
