#!/usr/bin/env bash
# The Windows build under wine, beside the Linux one (part of
# scripts/test.sh; run scripts/windows.sh first, which it does when
# build/windows is missing):
#  1. the core's and the tool's unit tests, built for Windows, under wine;
#  2. tarvik-kq.exe writes the same bytes as the Linux tarvik-kq for report
#     and export (CSV), the same pages for print, the same picture for
#     plot and the same protocol (PDF text, ODT content), on the same
#     archives, also in a folder and under a file name in Cyrillic;
#  3. serial: tarvik-kq-sim serve on a pseudo-terminal mapped into wine as
#     COM5; identify, list, read (one object and --objects all) and find give what the
#     Linux tool reads; the simulator's faults give the same messages; a
#     port numbered past 256 is listed and opened; the tool leaves the
#     console's code page as it was; a port that does not exist gives «ПОРТ ЗАНЯТ ИЛИ НЕ
#     СУЩЕСТВУЕТ»;
#  4. tarvik-monitor.exe under wine with Xvfb: opens a saved archive given
#     on its command line with its four windows (screenshot in
#     build/windows/test/), reads an object from the simulator through its
#     dialogs, prints it to a PDF file (no printer in the prefix) through
#     the program's own print dialog, and on closing saves the archive it
#     read when asked;
#  5. the program files and the installer carry their manifest, version
#     information and icon (read back with scripts/pe_resources.py); the
#     installer runs silently into a folder chosen (/D), its uninstall entry
#     names version, publisher, icon and folder (read from wine's registry),
#     the installed programs run; the Start menu entry (read back from the
#     .lnk file) names the installed program and its folder, and starts it;
#     the installed help is that of Windows; while the program runs, setup
#     and uninstaller ask to close it (silently: give up, status 2) and
#     replace nothing; an upgrade lands in the folder chosen first; the
#     uninstaller asks and keeps the user's settings and description file by
#     default, removes them with /PURGE, and then leaves nothing behind;
#  6. deep folders and files held by another program;
#  7. the survey journal in a folder deeper than Windows' plain 260
#     characters: a read of tarvik-kq.exe kept there, found by journal list,
#     its file given by journal path and opened by the program; a folder of
#     Cyrillic names added; a listing while another process keeps a read;
#     the program's equal read not kept twice, and not asked about on
#     closing.
# Ends with "N passed, N failed"; exit status 1 when anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

[ -f build/windows/portable/tarvik-kq.exe ] || bash scripts/windows.sh || exit 1
linux=${TKQ_LINUX_BUILD:-build/test}
[ -x "$linux/src/cli/tarvik-kq" ] || { echo "no Linux build in $linux (scripts/test.sh makes it)"; exit 1; }
lin_cli=$root/$linux/src/cli/tarvik-kq
sim=$root/$linux/tools/simulator/tarvik-kq-sim
portable=$root/build/windows/portable
work=$root/build/windows/test
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$root/build/windows/wine WINEDEBUG=-all
export LANG=C.UTF-8
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok: $1"; }
fail() { failed=$((failed + 1)); echo "FAILED: $1"; }
check() { if eval "$2"; then pass "$1"; else fail "$1"; fi; }  # title, condition

echo "=== wine"
started=$SECONDS
wineboot --init >/dev/null 2>&1
# Wine links the user's documents to the home folder: the journal the
# programs keep there by default stays inside the prefix instead.
documents="$WINEPREFIX/drive_c/users/$(whoami)/Documents"
[ -L "$documents" ] && rm "$documents"
mkdir -p "$documents"
# One wine server for the whole run, its own messages in a log of their
# own (it reports a pseudo-terminal that went away on standard error).
wineserver -k 2>/dev/null
wineserver -p 2>"$work/wineserver.log"
echo "prefix ready in $((SECONDS - started)) s"
win_cli() { wine "$portable/tarvik-kq.exe" "$@"; }

# --- 1. the unit tests ------------------------------------------------------
echo "=== unit tests under wine"
# A test whose process wine fails to start (seen as a failure after 0.01 s
# of a test that passes on every other run) gets one more run; a test that
# fails twice fails.
if ctest --preset windows -j 2 --repeat until-pass:2 2>&1 | tee "$work/ctest.log" | tail -n 3; then
  pass "unit tests under wine ($(grep -Eo '[0-9]+ tests? failed out of [0-9]+' "$work/ctest.log"))"
else
  fail "unit tests under wine"
fi

# --- 2. the same files from both tools ---------------------------------------
echo "=== the same bytes as the Linux tool"
inst=$work/instrument
"$sim" generate "$inst" --objects 1,2 --records 3000 --version "TARVIK 59.11.03.04" >/dev/null
instrument_id="$(sed -n 1p "$inst/identification.txt") $(sed -n 2p "$inst/identification.txt")"
cyr=$work/Объекты
mkdir -p "$cyr"
(cd "$work" && "$lin_cli" import "$inst" --object 1 --id "$instrument_id" -o "$cyr/Насосная.sav")
for view in archive abnormal params; do
  (cd "$cyr" && "$lin_cli" report Насосная.sav --view "$view" -o "linux-$view.txt" &&
    win_cli report Насосная.sav --view "$view" -o "Отчёт $view.txt" && win_cli report Насосная.sav --view "$view" \
    >"stdout-$view.txt")
  check "report --view $view: the same bytes (to a Cyrillic name and to standard output)" \
    "cmp -s '$cyr/linux-$view.txt' '$cyr/Отчёт $view.txt' && cmp -s '$cyr/linux-$view.txt' '$cyr/stdout-$view.txt'"
  (cd "$cyr" && "$lin_cli" export Насосная.sav --view "$view" -o "linux-$view.csv" &&
    win_cli export Насосная.sav --view "$view" -o "windows-$view.csv")
  check "export --view $view (CSV): the same bytes" "cmp -s '$cyr/linux-$view.csv' '$cyr/windows-$view.csv'"
done
# Two surveys' parameter sets: the rows that differ and the exit status
# (1: they differ), those of a set of an older version beside it.
"$sim" generate "$work/older" --records 10 --version "TARVIK 59.11.01.02" >/dev/null
(cd "$work" && "$lin_cli" import "$work/older" --object 1 --id "TARVIK 59.11.01.02" -o "$cyr/Старый.sav")
(cd "$cyr" && { "$lin_cli" diff Насосная.sav Старый.sav >linux-diff.txt; echo "exit $?" >>linux-diff.txt; } &&
  { win_cli diff Насосная.sav Старый.sav >windows-diff.txt; echo "exit $?" >>windows-diff.txt; })
check "diff: the rows and the exit status of the Linux tool" \
  "cmp -s '$cyr/linux-diff.txt' '$cyr/windows-diff.txt' && grep -q '—' '$cyr/linux-diff.txt' &&
  [ \"\$(tail -n 1 '$cyr/linux-diff.txt')\" = 'exit 1' ]"
(cd "$cyr" && "$lin_cli" print Насосная.sav --view archive -o linux.pdf 2>/dev/null &&
  win_cli print Насосная.sav --view archive -o windows.pdf)
pages() { pdftoppm -r 40 -gray "$1" "$2" && ls "$2"-*.pgm | wc -l; }
check "print: the same pages" "[ \"\$(pages '$cyr/linux.pdf' '$work/lp')\" = \"\$(pages '$cyr/windows.pdf' '$work/wp')\" ] &&
  for p in '$work'/lp-*.pgm; do cmp -s \"\$p\" \"\${p/lp-/wp-}\" || exit 1; done"
# The chart: the picture the Linux tool draws (both panels over the
# archive's time, every text in the program's own font). Both rasterise
# with FreeType, unhinted: the pixels agree, bar a few a different FreeType
# might smooth otherwise; a panel left empty, dates of 1970 or texts drawn
# as boxes change thousands.
(cd "$cyr" && "$lin_cli" plot Насосная.sav -o linux.png && win_cli plot Насосная.sav -o "График.png")
said=$(compare -metric AE "$cyr/linux.png" "$cyr/График.png" null: 2>&1)
differ=${said%% *}  # the count (a newer ImageMagick adds its share)
[[ $differ =~ ^[0-9]+$ ]] || { echo "compare: $said"; differ=unknown; }
check "plot: the picture of the Linux tool ($differ pixels of 1200x600 differ)" "[ $differ != unknown ] && [ $differ -le 100 ]"
# The survey protocol: the PDF of the same pages and text, the ODT of the
# same content.xml (nothing in it depends on the time it is written).
protocol=(--number 7 --date 01.02.2026 --client "ТСЖ «Ленина»" --technician "Иванов И. И." --profile none.ini)
(cd "$cyr" && "$lin_cli" protocol Насосная.sav "${protocol[@]}" -o linux-protocol.pdf &&
  "$lin_cli" protocol Насосная.sav "${protocol[@]}" -o linux-protocol.odt &&
  win_cli protocol Насосная.sav "${protocol[@]}" -o "Протокол.pdf" &&
  win_cli protocol Насосная.sav "${protocol[@]}" -o "Протокол.odt")
pdf_pages() { pdfinfo "$1" 2>/dev/null | awk '/^Pages:/ { print $2 }'; }
content() { python3 -c 'import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read("content.xml"))' "$1"; }
check "protocol (PDF): the same pages and text" "[ -n \"\$(pdf_pages '$cyr/linux-protocol.pdf')\" ] &&
  [ \"\$(pdf_pages '$cyr/linux-protocol.pdf')\" = \"\$(pdf_pages '$cyr/Протокол.pdf')\" ] &&
  cmp -s <(pdftotext '$cyr/linux-protocol.pdf' -) <(pdftotext '$cyr/Протокол.pdf' -)"
check "protocol (ODT): the same content.xml" "cmp -s <(content '$cyr/linux-protocol.odt') <(content '$cyr/Протокол.odt')"

# --- 3. the serial line ------------------------------------------------------
echo "=== a COM port of wine on the simulator"
serve() {  # options...: starts the simulator on $served (the instrument), maps its pty as COM5
  rm -f "$work/sim.out"
  "$sim" serve "${served:-$inst}" --baud 38400 "$@" >"$work/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do [ -s "$work/sim.out" ] && break; sleep 0.05; done
  ln -sfn "$(head -n 1 "$work/sim.out")" "$WINEPREFIX/dosdevices/com5"
}
unserve() { kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; rm -f "$WINEPREFIX/dosdevices/com5"; }
serve
# What a read of object 1 takes, by the Linux tool on the same line.
(cd "$work" && "$lin_cli" read --port "$(readlink "$WINEPREFIX/dosdevices/com5")" --baud 38400 --object 1 \
  -o linux1.sav --no-journal >linux1.txt 2>&1)
requests1=$(sed -n 's/.*запросов \([0-9]*\),.*/\1/p' "$work/linux1.txt")
win_cli identify --port COM5 --baud 38400 >"$work/identify.txt" 2>&1
check "identify over COM5" "grep -qF 'TARVIK 59.11.03.04' '$work/identify.txt'"
win_cli list --port COM5 --baud 38400 >"$work/list.txt" 2>&1
check "list over COM5" "grep -q 'Obj01_0.arc' '$work/list.txt' && grep -q 'Obj02_0.arc' '$work/list.txt'"
started=$SECONDS
(cd "$work" && win_cli read --port COM5 --baud 38400 --object 2 -o read2.sav >read.txt 2>&1)
echo "read of object 2 under wine: $((SECONDS - started)) s"
(cd "$work" && win_cli read --port COM5 --baud 38400 --objects all -o all >readall.txt 2>&1)
unserve
# find: the simulator at address 9 answers only at its own 38400 baud; a port
# that does not exist is said and the search goes on.
serve --address 9
win_cli find --port COM299 --port COM5 --address 9 >"$work/find.txt" 2>"$work/find.err"
find_status=$?
unserve
check "find over COM5: the simulator's rate and address" \
  "[ $find_status = 0 ] && grep -qP '^COM5\t38400\t9\tTARVIK 59.11.03.04 .*\t--port COM5 --baud 38400 --address 9' '$work/find.txt'"
check "find: the port that does not open is said" "grep -qF 'COM299: ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ' '$work/find.err'"
(cd "$work" && "$lin_cli" import "$inst" --object 2 --id "$instrument_id" -o import2.sav)
same_archive() {  # a, b: the same reports of every view
  local v
  for v in archive abnormal params; do
    cmp -s <("$lin_cli" report "$1" --view "$v") <("$lin_cli" report "$2" --view "$v") || return 1
  done
}
check "read --object 2 over COM5: the archive the instrument holds" "same_archive '$work/read2.sav' '$work/import2.sav'"
check "read --objects all over COM5: both objects" \
  "same_archive '$work/all/Obj02.sav' '$work/import2.sav' && [ -f '$work/all/Obj01.sav' ]"
# Each fault of the simulator: the message of the Linux tool (Windows ends
# the lines of its messages with CR LF), and a file only where it saves one.
for fault in "--silent" "--silent-first 2" "--bad-crc-at 9" "--wrong-address" "--exception 2@4" "--exception 4@6" \
             "--refuse 12" "--bad-fcb-length" "--short-pieces"; do
  # shellcheck disable=SC2086
  rm -rf "$work/fault-linux" "$work/fault-windows"
  mkdir -p "$work/fault-linux" "$work/fault-windows"
  serve $fault
  (cd "$work/fault-linux" && "$lin_cli" read --port "$(readlink "$WINEPREFIX/dosdevices/com5")" --baud 38400 \
    --object 1 -o fault.sav --no-journal >said.txt 2>&1)
  unserve
  # shellcheck disable=SC2086
  serve $fault
  (cd "$work/fault-windows" && win_cli read --port COM5 --baud 38400 --object 1 -o fault.sav --no-journal >said.txt 2>&1)
  unserve
  check "the simulator's $fault: what the Linux tool says ($(tail -n 1 "$work/fault-linux/said.txt"))" \
    "[ \"\$(tail -n 1 '$work/fault-windows/said.txt' | tr -d '\r')\" = \"\$(tail -n 1 '$work/fault-linux/said.txt')\" ] &&
     [ \"\$(ls '$work/fault-windows')\" = \"\$(ls '$work/fault-linux')\" ]"
done

# A year of hourly records at 38,400 Bd: the read's time against the line's
# (what tarvik-kq list estimates from the traffic), and the identification.
served=$work/year
"$sim" generate "$served" --objects 3 --records 8760 --version "TARVIK 59.11.03.04" >/dev/null
serve
estimate=$("$lin_cli" list --port "$(readlink "$WINEPREFIX/dosdevices/com5")" --baud 38400 |
  awk '$1 == 3 { for (i = 1; i <= NF; ++i) if ($i == "мин") m = $(i - 1); else if ($i == "с") s = $(i - 1) } END { print m * 60 + s }')
started=$(date +%s.%N)
(cd "$work" && win_cli read --port COM5 --baud 38400 --object 3 -o year.sav >year.txt 2>&1)
ended=$(date +%s.%N)
started_id=$(date +%s.%N)
win_cli identify --port COM5 --baud 38400 >/dev/null 2>&1
ended_id=$(date +%s.%N)
unserve
served=
started_v=$(date +%s.%N)
win_cli --version >/dev/null
ended_v=$(date +%s.%N)
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
echo "figures: a year's archive at 38400 Bd under wine in $(calc "$ended - $started") s, the line takes" \
  "$estimate s: ratio $(calc "($ended - $started) / $estimate"); identify $(calc "$ended_id - $started_id") s" \
  "(a start of tarvik-kq.exe alone $(calc "$ended_v - $started_v") s)"
check "a year's archive read over COM5" "[ -f '$work/year.sav' ]"
# A port numbered past 256, as port databases give them: found where the
# drivers announce it, opened by its device name.
serve
ln -sfn "$(readlink "$WINEPREFIX/dosdevices/com5")" "$WINEPREFIX/dosdevices/com300"
wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\TkqSerial300' /d COM300 /f >/dev/null 2>&1
win_cli identify --port COM300 --baud 38400 >"$work/identify300.txt" 2>&1
win_cli ports >"$work/ports300.txt" 2>/dev/null
wine reg delete 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\TkqSerial300' /f >/dev/null 2>&1
rm -f "$WINEPREFIX/dosdevices/com300"
unserve
check "identify over COM300" "grep -qF 'TARVIK 59.11.03.04' '$work/identify300.txt'"
check "ports lists COM300" "grep -q '^COM300' '$work/ports300.txt'"
# The console the tool is started from keeps the code page it had (the
# tool writes to it in UTF-16 through the console's own calls). Wine gives a program a console of its own
# only on a terminal: `script` makes one.
printf 'chcp 866\r\n"%s" info nothing.sav\r\nchcp\r\n' "$(winepath -w "$portable/tarvik-kq.exe")" >"$work/page.cmd"
kq_page=$(cd "$work" && timeout 60 script -qec "wine cmd /c page.cmd" /dev/null 2>/dev/null | tr -d '\r' |
  sed -n 's/.*Active code page: \([0-9]*\).*/\1/p' | tail -n 1)
check "tarvik-kq leaves the console's code page as it was (866: $kq_page)" "[ '$kq_page' = 866 ]"
win_cli identify --port COM9 >"$work/busy.txt" 2>&1
check "a port that does not exist: «ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ»" "grep -q 'ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ' '$work/busy.txt'"

# --- 4. the program ----------------------------------------------------------
echo "=== tarvik-monitor.exe under wine"
display=${TKQ_TEST_DISPLAY:-:$((90 + RANDOM % 9))}
Xvfb "$display" -screen 0 1400x900x24 >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
sleep 1
appdata="$WINEPREFIX/drive_c/users/$(whoami)/AppData/Roaming/Tarvik KQ"
mkdir -p "$appdata"
# Keeping reads in the journal is turned off here, so that closing asks to
# save the read (the journal's part is further on).
printf '[Tarvik%%20KQ]\r\nComIndex=-1\r\nComBoudRate=5\r\nDeviceAddress=1\r\nPortName=COM5\r\nJournalKeeps=false\r\n' \
  >"$appdata/TarvikKQ.ini"
gui=$work/program
mkdir -p "$gui"
cp "$cyr/Насосная.sav" "$gui/"
# The first start writes the description file and says so: a key closes
# the message.
shot() { import -window root "$work/$1.png" 2>/dev/null; }
# Waits (up to a minute) for a window whose title holds $1 and gives it the
# keyboard: there is no window manager to do so.
window() {
  local id
  id=$(timeout 60 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1)
  [ -n "$id" ] || return 1
  xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
  echo "$id"
}
press() {  # window title, key
  local id
  id=$(window "$1") || { echo "no window «$1»"; return 1; }
  xdotool key --window "$id" "$2"
}
(cd "$gui" && wine "$portable/tarvik-monitor.exe" Насосная.sav >"$work/program.log" 2>&1) &
program_pid=$!
press 'MONITOR Tarvik KQ' Return
window 'Архив измерений' >/dev/null
sleep 2
shot program-archive
check "the program opens the archive on its command line (a recent file now)" \
  "[ -f '$gui/TarvikKQ.def' ] && grep -q 'Насосная.sav' '$appdata/TarvikKQ.ini'"
serve --log "$work/program-read.log"
# The first toolbar button reads; object 1 in «Выбор объекта»; an empty
# description. (Places within the main window, which has no frame here.)
main=$(window 'Монитор Тарвик')
xdotool mousemove --window "$main" 22 34 click 1
press 'Выбор объекта' Return
for _ in $(seq 60); do
  [ "$(grep -c ' RX ' "$work/program-read.log" 2>/dev/null)" -ge "$requests1" ] && break
  sleep 1
done
press 'Редактирование описания' Return
window 'Архив измерений' >/dev/null
sleep 2
shot program-read
unserve
check "the program reads object 1 through its dialogs: every request of a read, answered" \
  "[ \"\$(grep -c ' TX ' '$work/program-read.log')\" -eq $requests1 ]"
# Ctrl+P: wine's prefix has no printer, so the program prints to a PDF file
# and asks for it with a dialog of its own (Windows' print dialog shows
# nothing for such a printer). The full name typed, Enter: the pages of the
# Linux tool's printout of the same archive.
printed=$gui/printed.pdf
xdotool key --window "$(window 'Монитор Тарвик')" ctrl+p
if id=$(window 'Печать в файл'); then
  sleep 1
  shot program-print
  xdotool key --window "$id" ctrl+a
  xdotool type --delay 20 "$(winepath -w "$printed" 2>/dev/null)"
  xdotool key --window "$id" Return
fi
for _ in $(seq 120); do [ -f "$printed" ] && break; sleep 0.5; done
check "Ctrl+P with no printer: a PDF through the program's own dialog ($(pdf_pages "$printed") pages)" \
  "[ -n \"\$(pdf_pages '$printed')\" ] && [ \"\$(pdf_pages '$printed')\" = \"\$(pdf_pages '$cyr/linux.pdf')\" ]"
# Closing the window with the archive just read asks to save it: «Да»
# (the default button), then Explorer's «Сохранить как»: the name it
# proposes (object and read date) replaced by a path typed.
xdotool key --window "$(window 'Монитор Тарвик')" alt+F4
press 'MONITOR Tarvik KQ' Return
window 'Сохранить как' >/dev/null && sleep 1
shot program-save-dialog
saved_win="Z:${work//\//\\}\\program-read.sav"
xdotool key --window "$(window 'Сохранить как')" Home shift+End
xdotool type --delay 20 --window "$(window 'Сохранить как')" "$saved_win"
xdotool key --window "$(window 'Сохранить как')" Return
for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
check "closing after a read asks to save: the archive read is saved, then the program ends" \
  "! kill -0 $program_pid 2>/dev/null && same_archive '$work/program-read.sav' '$work/linux1.sav'"
kill "$program_pid" 2>/dev/null
kill "$xvfb_pid" 2>/dev/null
unset DISPLAY

# --- 5. the program files and the installer ---------------------------------
echo "=== the program files' resources"
# What Windows reads from the files themselves (scripts/pe_resources.py):
# the manifest, the version information and the icon.
pe() { python3 "$root/scripts/pe_resources.py" "$@"; }
version=$(sed -n 's/^#define TKQ_VERSION_TEXT "\(.*\)"$/\1/p' "$root/build/windows/project/generated/tkq_version.h")
numbers=$(python3 -c 'import sys; parts = sys.argv[1].split("."); print(".".join((parts + ["0"] * 4)[:4]))' "$version")
product='Монитор Тарвик КУ'
company='Разработчики Монитора Тарвик КУ'
setup=$(ls "$root"/build/windows/tarvik-kq-monitor-*-setup.exe | head -n 1)
# What a manifest lacks of what the programs ask of Windows, one a line.
manifest_faults() {
  python3 - "$1" <<'EOF'
import sys
import xml.etree.ElementTree as ET

ns = {'v1': 'urn:schemas-microsoft-com:asm.v1', 'v3': 'urn:schemas-microsoft-com:asm.v3',
      'c': 'urn:schemas-microsoft-com:compatibility.v1',
      'ws05': 'http://schemas.microsoft.com/SMI/2005/WindowsSettings',
      'ws16': 'http://schemas.microsoft.com/SMI/2016/WindowsSettings'}
root = ET.parse(sys.argv[1]).getroot()
def text(path):
    found = root.find(path, ns)
    return None if found is None else (found.text or '').strip()
def fault(condition, what):
    if not condition:
        print(what)
level = root.find('v3:trustInfo/v3:security/v3:requestedPrivileges/v3:requestedExecutionLevel', ns)
fault(level is not None and level.get('level') == 'asInvoker' and level.get('uiAccess') == 'false', 'asInvoker')
settings = 'v3:application/v3:windowsSettings/'
fault(text(settings + 'ws16:longPathAware') == 'true', 'longPathAware')
fault(text(settings + 'ws05:dpiAware') == 'true/pm', 'dpiAware true/pm')
fault((text(settings + 'ws16:dpiAwareness') or '').split(',')[0].strip() == 'PerMonitorV2', 'dpiAwareness PerMonitorV2')
controls = [a for a in root.findall('v1:dependency/v1:dependentAssembly/v1:assemblyIdentity', ns)
            if a.get('name') == 'Microsoft.Windows.Common-Controls']
fault(len(controls) == 1 and controls[0].get('version') == '6.0.0.0'
      and controls[0].get('publicKeyToken') == '6595b64144ccf1df', 'common controls 6')
systems = {s.get('Id') for s in root.findall('c:compatibility/c:application/c:supportedOS', ns)}
for name, guid in (('7', '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}'), ('8', '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}'),
                   ('8.1', '{1f676c76-80e1-4239-95bb-83d0f6d0da78}'),
                   ('10 and 11', '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}')):
    fault(guid in systems, 'supportedOS Windows ' + name)
EOF
}
# Whether a file of "Name=value" lines holds every line given.
has_lines() {
  local file=$1 line
  shift
  for line in "$@"; do grep -qxF "$line" "$file" || { echo "$file: no «$line»"; return 1; }; done
}
ico="$root/build/windows/project/src/gui/icons/io.github.tarvik.kq_monitor.ico"
pe icon "$ico" >"$work/icon-file.txt"
for program in "tarvik-monitor:$product" 'tarvik-kq:Архивы расходомера Тарвик КУ из командной строки'; do
  exe=${program%%:*}
  description=${program#*:}
  faults=$(pe manifest "$portable/$exe.exe" 2>&1 >"$work/$exe.manifest") && faults=$(manifest_faults "$work/$exe.manifest" 2>&1)
  check "$exe.exe: its manifest (id 1) asks asInvoker, per-monitor v2, long paths, common controls 6, Windows 7 to 11${faults:+ (not: $(echo $faults))}" \
    "[ -z '$faults' ]"
  pe version "$portable/$exe.exe" >"$work/$exe.version" 2>&1
  check "$exe.exe: version $numbers, «$product», «$description», its publisher and file name" \
    "has_lines '$work/$exe.version' 'FILEVERSION=$numbers' 'PRODUCTVERSION=$numbers' 'FileVersion=$version' \
       'ProductVersion=$version' 'ProductName=$product' 'FileDescription=$description' 'CompanyName=$company' \
       'LegalCopyright=© $company' 'OriginalFilename=$exe.exe' 'Translation=0419:04b0'"
  pe icon "$portable/$exe.exe" >"$work/$exe.icon" 2>&1
  check "$exe.exe: the program's icon in every size ($(cut -d' ' -f1 "$work/$exe.icon" | tr '\n' ' '))" \
    "[ -s '$work/icon-file.txt' ] && cmp -s '$work/icon-file.txt' '$work/$exe.icon'"
done
pe version "$setup" >"$work/setup.version" 2>&1
check "the installer: version $numbers, «$product», its publisher and file name" \
  "has_lines '$work/setup.version' 'PRODUCTVERSION=$numbers' 'FILEVERSION=$numbers' 'ProductVersion=$version' \
     'ProductName=$product' 'CompanyName=$company' 'LegalCopyright=© $company' 'OriginalFilename=$(basename "$setup")'"

echo "=== the installer"
# The run's own wine server ends here: the installer's steps each wait for
# the server of their wine to end.
wineserver -k 2>/dev/null
# Installed first into a folder of the user's choice (/D, which takes no
# quotes, so no spaces under wine; and no Cyrillic: wine's shell links keep
# the target in the ANSI code page only, where Windows adds it in Unicode).
folder='C:\Programs\TarvikKQ'
installed="$WINEPREFIX/drive_c/Programs/TarvikKQ"
default_folder="$WINEPREFIX/drive_c/Program Files/Tarvik KQ Monitor"
wine "$setup" /S "/D=$folder" && wineserver -w
check "the installer puts the programs in the folder chosen and the entry in the Start menu" \
  "[ -f '$installed/tarvik-monitor.exe' ] && [ ! -e '$default_folder' ] &&
   find '$WINEPREFIX/drive_c/ProgramData' -name 'Монитор Тарвик КУ.lnk' | grep -q ."
check "the installed tarvik-kq runs" "wine '$folder\\tarvik-kq.exe' --version | grep -q 'tarvik-kq'"

# A value of HKEY_LOCAL_MACHINE as wine keeps it (system.reg, characters
# beyond ASCII as \xNNNN): key, name.
registry() {
  python3 - "$WINEPREFIX/system.reg" "$1" "$2" <<'EOF'
import re, sys

def text(raw):
    out, i = [], 0
    while i < len(raw):
        if raw[i] == '\\' and i + 1 < len(raw):
            n = raw[i + 1]
            if n == 'x':
                digits = re.match(r'[0-9a-fA-F]{1,4}', raw[i + 2:]).group(0)
                out.append(chr(int(digits, 16)))
                i += 2 + len(digits)
                continue
            out.append({'n': '\n', 'r': '\r', 't': '\t', '0': '\0'}.get(n, n))
            i += 2
            continue
        out.append(raw[i])
        i += 1
    return ''.join(out)

key, name, inside = sys.argv[2].lower(), sys.argv[3], False
for line in open(sys.argv[1], encoding='utf-8', errors='replace'):
    line = line.rstrip('\n')
    if line.startswith('['):
        inside = text(line[1:line.rindex(']')]).lower() == key
    elif inside:
        match = re.match(r'"((?:[^"\\]|\\.)*)"=(?:str\(\d\):)?"((?:[^"\\]|\\.)*)"$', line)
        if match and text(match.group(1)) == name:
            print(text(match.group(2)))
            sys.exit(0)
        match = re.match(r'"((?:[^"\\]|\\.)*)"=dword:([0-9a-fA-F]{8})$', line)
        if match and text(match.group(1)) == name:
            print(int(match.group(2), 16))
            sys.exit(0)
sys.exit(1)
EOF
}
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvik KQ Monitor'
entry_values() {
  for value in DisplayName DisplayVersion Publisher DisplayIcon InstallLocation UninstallString; do
    echo "$value=$(registry "$uninstall_key" "$value")"
  done
}
entry_values | tee "$work/uninstall-entry.txt"
check "«Приложения и возможности»: the name, version, publisher, the program's icon and the folder" \
  "has_lines '$work/uninstall-entry.txt' 'DisplayName=$product' 'DisplayVersion=$version' 'Publisher=$company' \
     'DisplayIcon=$folder\\tarvik-monitor.exe' 'InstallLocation=$folder'"
# The size shown there: what the folder holds, in KB (the file sizes).
size=$(registry "$uninstall_key" EstimatedSize)
folder_kb=$(du -sk --apparent-size "$installed" | cut -f1)
check "«Приложения и возможности»: the installation's size (${size:-none} KB; the folder holds $folder_kb KB)" \
  "[ -n '$size' ] && [ '$size' -gt $((folder_kb * 9 / 10)) ] && [ '$size' -lt $((folder_kb * 11 / 10 + 1)) ]"
# What the pages say, as the installer's script has it (the pages themselves
# show only when it runs by hand): the name in the genitive after
# «Установка», the program started from the last page.
nsis_script=$(find "$root/build/windows/project/_CPack_Packages" -name project.nsi | head -n 1)
check "the installer's pages: «Установка программы «$product»», «Запустить программу» on the last, the Start menu folder «$product»" \
  "[ -n '$nsis_script' ] && grep -qF 'Name \"программы «$product»\"' '$nsis_script' &&
   grep -qF 'MUI_FINISHPAGE_RUN_TEXT \"Запустить программу\"' '$nsis_script' &&
   grep -qF 'MUI_FINISHPAGE_RUN_FUNCTION TkqRunProgram' '$nsis_script' &&
   grep -qF 'MUI_STARTMENUPAGE_DEFAULTFOLDER \"$product\"' '$nsis_script'"

# What a shortcut (.lnk) stores, as Windows reads it: the target as shell
# items from the desktop down ("idlist") and as the path on its volume
# ("linkinfo"), the target relative to the shortcut's folder ("relative"),
# the working folder ("workdir"); one "key=value" a line.
shortcut() {
  python3 - "$1" <<'EOF'
import ntpath, struct, sys

data = open(sys.argv[1], 'rb').read()
flags, = struct.unpack_from('<I', data, 0x14)
at = 0x4C
found = {}
if flags & 0x01:  # HasLinkTargetIDList: the shell's items from the desktop down
    size, = struct.unpack_from('<H', data, at)
    item, end, parts = at + 2, at + 2 + size, []
    while item < end:
        length, = struct.unpack_from('<H', data, item)
        if length == 0:
            break
        body = data[item + 2:item + length]
        kind = body[0] & 0x70
        if kind == 0x20:  # a drive: "C:\"
            parts.append(body[1:].split(b'\0')[0].decode('ascii'))
        elif kind == 0x30:  # a folder or file: short name, then the long one in an 0xBEEF0004 block
            short = body[12:].split(b'\0')[0].decode('mbcs' if sys.platform == 'win32' else 'latin-1')
            name, block = short, body.find(b'\x04\x00\xef\xbe') - 4
            if block >= 0:
                version, = struct.unpack_from('<H', body, block + 2)
                start = block + {3: 20, 4: 20, 5: 20, 6: 20, 7: 38, 8: 42}.get(version, 46 if version > 8 else 0)
                if start > block:
                    text = body[start:]
                    name = text[:len(text) // 2 * 2].decode('utf-16-le').split('\0')[0] or short
            parts.append(name)
        item += length
    found['idlist'] = ntpath.join(*parts) if parts else ''
    at = end
if flags & 0x02:  # HasLinkInfo
    size, header, info_flags, _, base = struct.unpack_from('<IIIII', data, at)
    if info_flags & 1:
        if header >= 0x24:
            unicode_base, = struct.unpack_from('<I', data, at + 0x1C)
            text = data[at + unicode_base:at + size]
            found['linkinfo'] = text[:len(text) // 2 * 2].decode('utf-16-le').split('\0')[0]
        else:
            found['linkinfo'] = data[at + base:at + size].split(b'\0')[0].decode('latin-1')
    at += size
unicode = flags & 0x80
for bit, key in ((0x04, 'name'), (0x08, 'relative'), (0x10, 'workdir'), (0x20, 'arguments'), (0x40, 'icon')):
    if flags & bit:
        count, = struct.unpack_from('<H', data, at)
        width = 2 if unicode else 1
        raw = data[at + 2:at + 2 + count * width]
        # (wine counts the terminating NUL in, Windows does not)
        found[key] = raw.decode('utf-16-le' if unicode else 'latin-1').split('\0')[0]
        at += 2 + count * width
for key, value in found.items():
    print(f'{key}={value}')
EOF
}
entry=$(find "$WINEPREFIX/drive_c/ProgramData" -name 'Монитор Тарвик КУ.lnk' | head -n 1)
uninstall_entry=$(find "$WINEPREFIX/drive_c/ProgramData" -name 'Удалить Монитор Тарвик КУ.lnk' | head -n 1)
shortcut "$entry" >"$work/shortcut.txt" 2>&1
cat "$work/shortcut.txt"
stored() { sed -n "s/^$1=//p" "$work/shortcut.txt"; }
target="$folder\\tarvik-monitor.exe"
# Windows follows the shell items first, the volume path where they fail:
# both name the program; the relative path, taken from the Start menu
# folder, too; the program starts in its own folder.
relative=$(python3 -c 'import ntpath, sys; print(ntpath.normpath(ntpath.join(ntpath.dirname(sys.argv[1]), sys.argv[2])))' \
  "$(winepath -w "$entry" 2>/dev/null)" "$(stored relative)")
check "the Start menu entry names the installed program (shell items, volume path, relative path)" \
  "[ \"\$(stored idlist)\" = '$target' ] && [ \"\$(stored linkinfo)\" = '$target' ] &&
   { [ -z \"\$(stored relative)\" ] || [ '$relative' = '$target' ]; }"
check "the Start menu entry starts the program in its folder" "[ \"\$(stored workdir)\" = '$folder' ]"
# No version in the folder's name: an upgrade keeps the one folder.
check "the Start menu folder is «$product» ($(basename "$(dirname "$entry")"))" \
  "[ \"\$(basename \"\$(dirname '$entry')\")\" = '$product' ]"
check "the uninstaller's Start menu entry is Russian" \
  "[ -n '$uninstall_entry' ] && ! find '$WINEPREFIX/drive_c/ProgramData' -iname 'uninstall*.lnk' | grep -q ."

# Started through its Start menu entry: the first start in the program's
# folder (which users may not write) keeps the description file in the
# user's data folder; a key closes the message that says it was written.
display=${TKQ_TEST_DISPLAY:-:$((90 + RANDOM % 9))}
Xvfb "$display" -screen 0 1400x900x24 >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
sleep 1
local_data="$WINEPREFIX/drive_c/users/$(whoami)/AppData/Local/Tarvik KQ"
rm -rf "$local_data"
wine start "$(winepath -w "$entry" 2>/dev/null)" >"$work/start-entry.log" 2>&1
press 'MONITOR Tarvik KQ' Return
main=$(window 'Монитор Тарвик')
sleep 2
shot installed-program
check "the Start menu entry starts the program, in its own folder" \
  "[ -n '$main' ] && [ -f '$local_data/TarvikKQ.def' ] && [ ! -e '$installed/TarvikKQ.def' ]"
[ -n "$main" ] && xdotool key --window "$main" alt+F4
timeout 30 wineserver -w

# The help beside the program is that of Windows: COM ports and Device
# Manager, no Linux devices and commands, no simulator; every link leads to
# a page (and a place on it) there.
help="$installed/help"
check "the installed help tells of COM ports, Device Manager and the Windows settings file" \
  "grep -q 'Диспетчер устройств' '$help/connection.html' && grep -q 'Порты (COM и LPT)' '$help/connection.html' &&
   grep -qF '%APPDATA%\\Tarvik KQ\\TarvikKQ.ini' '$help/connection.html' &&
   grep -qF '%LOCALAPPDATA%\\Tarvik KQ\\TarvikKQ.def' '$help/versions.html'"
check "the installed help has nothing of Linux and no simulator" \
  "[ -f '$help/index.html' ] && [ ! -e '$help/simulator.html' ] &&
   ! grep -lE '/dev/|~/|\\.config|dialout|sudo|apt |ModemManager|brltty|tarvik-kq-sim|simulator|имитатор|<!--' '$help'/*.html"
broken=$(cd "$help" && for page in *.html; do
  grep -o 'href="[^"]*"' "$page" | sed 's/^href="//; s/"$//' | grep -v '^https\?:' | while read -r link; do
    file=${link%%#*}; anchor=${link#"$file"}; file=${file:-$page}
    if [ ! -f "$file" ] || { [ -n "$anchor" ] && ! grep -q "name=\"${anchor#\#}\"" "$file"; }; then
      echo "$page: $link"
    fi
  done
done)
check "every link of the installed help leads to a page there${broken:+ (not: $broken)}" "[ -z '$broken' ]"

# The user's files: the settings (written by the program's run above) and
# the description file (by its start from the Start menu).
settings="$WINEPREFIX/drive_c/users/$(whoami)/AppData/Roaming/Tarvik KQ/TarvikKQ.ini"
user_files() { md5sum "$settings" "$local_data/TarvikKQ.def" 2>&1; }
user_files >"$work/user-files.txt"
cat "$work/user-files.txt"
# Something to tell a replaced installation from the one in place.
mark() { echo "not replaced" >>"$installed/LICENSES.txt"; }
replaced() { cmp -s "$installed/LICENSES.txt" "$portable/LICENSES.txt"; }

# While the program runs, neither the setup nor the uninstaller touches its
# folder: started by hand, the setup asks to close it («Повтор» asks again
# while it still runs, «Отмена» ends the setup); silently, both give up
# with status 2.
wine start "$(winepath -w "$entry" 2>/dev/null)" >"$work/start-entry2.log" 2>&1
main=$(window 'Монитор Тарвик')
mark
(wine "$setup" >"$work/setup-running.log" 2>&1; echo $? >"$work/setup-running.status") &
box=$(window 'Установка')
sleep 1
shot installer-program-running
[ -n "$box" ] && xdotool key --window "$box" Return
sleep 3
box_again=$(window 'Установка')
[ -n "$box_again" ] && xdotool key --window "$box_again" Escape
for _ in $(seq 100); do [ -s "$work/setup-running.status" ] && break; sleep 0.2; done
check "setup by hand while the program runs: asks to close it, asks again on «Повтор», «Отмена» ends it (status $(cat "$work/setup-running.status" 2>/dev/null))" \
  "[ -n '$main' ] && [ -n '$box' ] && [ -n '$box_again' ] && [ \"\$(cat '$work/setup-running.status')\" = 2 ] && ! replaced"
wine "$setup" /S
status=$?
check "a silent setup while the program runs gives up (status $status) and replaces nothing" \
  "[ $status -eq 2 ] && ! replaced && [ -f '$installed/Uninstall.exe' ]"
wine "$folder\\Uninstall.exe" /S "_?=$folder"
status=$?
check "a silent uninstall while the program runs gives up (status $status) and removes nothing" \
  "[ $status -eq 2 ] && [ -f '$installed/tarvik-monitor.exe' ] && [ -n \"\$(registry '$uninstall_key' DisplayName)\" ]"
[ -n "$main" ] && xdotool key --window "$main" alt+F4
timeout 30 wineserver -w

# The program closed, a silent setup over it lands in the folder chosen the
# first time, and the user's files stay as they were.
wine "$setup" /S && wineserver -w
check "a silent setup over the installation replaces it in the folder chosen first" \
  "replaced && [ ! -e '$default_folder' ] && [ \"\$(registry '$uninstall_key' InstallLocation)\" = '$folder' ]"
shortcut "$entry" >"$work/shortcut2.txt" 2>&1
check "after the new setup the Start menu entry still starts the program in that folder" \
  "grep -qxF 'workdir=$folder' '$work/shortcut2.txt' && grep -qxF 'linkinfo=$target' '$work/shortcut2.txt'"
check "the new setup keeps the user's settings and description file" "user_files | cmp -s - '$work/user-files.txt'"

# Removed by hand: the uninstaller asks whether to remove the user's files
# too; Enter takes its default, «Нет».
# (The question has the uninstaller's title too: it is the newer window.)
titled() { xdotool search --onlyvisible --name "$1" 2>/dev/null | sort -n; }
wine "$folder\\Uninstall.exe" >"$work/uninstall.log" 2>&1 &
press 'Удаление' Return
question=
for _ in $(seq 100); do
  [ "$(titled 'Удаление' | wc -l)" -ge 2 ] && question=$(titled 'Удаление' | tail -n 1) && break
  sleep 0.3
done
sleep 1
shot uninstaller-question
[ -n "$question" ] && xdotool windowfocus "$question" 2>/dev/null && xdotool key --window "$question" Return
# «Закрыть» once it is done.
for _ in $(seq 60); do
  ids=$(titled 'Удаление')
  [ -z "$ids" ] && break
  xdotool key --window "$(head -n 1 <<<"$ids")" Return
  sleep 1
done
timeout 60 wineserver -w
check "the uninstaller by hand asks, and by default keeps the settings and the description; removes the program" \
  "[ -n '$question' ] && [ ! -e '$installed' ] && [ ! -e '$uninstall_entry' ] && ! registry '$uninstall_key' DisplayName >/dev/null &&
   user_files | cmp -s - '$work/user-files.txt'"
kill "$xvfb_pid" 2>/dev/null
unset DISPLAY

# Installed again (into Program Files: nothing is remembered now) and
# removed silently with /PURGE: the user's files go too, nothing is left.
wine "$setup" /S && wineserver -w
wine 'C:\Program Files\Tarvik KQ Monitor\Uninstall.exe' /S /PURGE && wineserver -w
check "the uninstaller with /PURGE removes the settings and the description file as well" \
  "[ ! -e '$settings' ] && [ ! -e '$local_data' ] && [ ! -e \"\$(dirname '$settings')\" ]"
check "the uninstaller leaves nothing behind" \
  "[ ! -e '$default_folder' ] && ! find '$WINEPREFIX/drive_c' -iname '*тарвик*' | grep -q . && [ ! -e '$uninstall_entry' ] &&
   ! registry '$uninstall_key' DisplayName >/dev/null"

# --- 6. deep folders and files held by another program ------------------------
# Wine takes names past Windows' 260 characters without the extended-length
# form Windows needs: that every name reaches Windows in that form is the
# unit tests' part (FileRules.*), and that the core's file calls all go
# through the one place that makes it, this grep's. Here: the tool in such
# folders, and a second process holding the file as an open editor does.
echo "=== deep folders and held files"
calls=$(grep -rnE '(CreateFileW|MoveFileW|MoveFileExW|DeleteFileW|GetFileAttributesW|FindFirstFileW|CreateDirectoryW|_wfopen|_wopen|fopen|ifstream|ofstream)\b' \
  src/core --include='*.cpp' | grep -v '^src/core/link/' | grep -v '^src/core/storage/file_io_win.cpp:' | grep -v '^\S*:[0-9]*: *//')
check "the core's file calls are all in the Windows file layer${calls:+ (not: $calls)}" "[ -z '$calls' ]"
# std::filesystem's calls reach Windows through the C runtime, in plain
# names, which stop at 260 characters: the journal, whose folder may be
# deeper, goes through the file layer. Only what touches no file stays
# (absolute, and path arithmetic: operator/, filename, parent_path,
# lexically_normal).
journal_calls=$(grep -nE '(fs|std::filesystem)::(exists|status|symlink_status|is_regular_file|is_directory|is_symlink|is_empty|file_size|last_write_time|create_directories|create_directory|remove|remove_all|rename|copy|copy_file|directory_iterator|recursive_directory_iterator|equivalent|canonical|weakly_canonical|relative|proximate|space|permissions|resize_file|read_symlink|hard_link_count)\b' \
  src/core/journal/*.cpp | grep -v '^\S*:[0-9]*: *//')
check "the journal's file calls are all in the file layer${journal_calls:+ (not: $journal_calls)}" "[ -z '$journal_calls' ]"
# The length of the Windows name of a path under the build folder, which
# wine shows on its drive Z: ("Z:" and the path, '/' made '\'); winepath
# itself gives up past 260 characters.
win_length() { echo $((${#1} + 2)); }
deep_folder() {  # base, characters: a folder whose Windows name is at least that long
  local folder=$1
  while [ "$(win_length "$folder")" -lt "$2" ]; do folder="$folder/Узел учёта №1"; done
  mkdir -p "$folder" && echo "$folder"
}
deep=$(deep_folder "$work/Глубоко" 285)
sav="$deep/Насосная узла.sav"
saved_length=$(win_length "$sav")
(cd "$work" && win_cli import "$inst" --object 1 --id "$instrument_id" -o "$sav" 2>"$work/deep-import.err")
check "import into a $saved_length-character path" \
  "[ $saved_length -ge 300 ] && [ -s '$sav' ] && [ ! -s '$work/deep-import.err' ] &&
   '$lin_cli' info '$sav' >/dev/null 2>&1"
(cd "$cyr" && win_cli report Насосная.sav --view archive -o "$deep/Отчёт об архиве узла.txt" &&
  win_cli export Насосная.sav --view params -o "$deep/Параметры узла.csv")
check "report and export (CSV) into $(win_length "$deep/Отчёт об архиве узла.txt")-character paths" \
  "cmp -s '$deep/Отчёт об архиве узла.txt' '$cyr/linux-archive.txt' && cmp -s '$deep/Параметры узла.csv' '$cyr/linux-params.csv'"
book_folder=$(deep_folder "$work/Книги" 322)
book="$book_folder/Объект 01.xlsx"
(cd "$cyr" && win_cli export Насосная.sav -o "$book" 2>"$work/deep-book.err")
check "export (XLSX) into a $(win_length "$book_folder")-character folder: a workbook, nothing on standard error" \
  "unzip -tq '$book' >/dev/null 2>&1 && [ ! -s '$work/deep-book.err' ] && [ \"\$(ls -A '$book_folder')\" = 'Объект 01.xlsx' ]"

hold=$root/build/windows/project/bin/tkq_hold_file.exe
held=$cyr/Занят.csv
held_win=$(winepath -w "$held")
holding() {  # milliseconds: a second process holds $held, from the export's temporary file on, that long
  wine "$hold" "$held_win" "$1" >"$work/hold.out" 2>&1 &
  hold_pid=$!
  for _ in $(seq 200); do grep -q '^held' "$work/hold.out" 2>/dev/null && break; sleep 0.05; done  # "held\r"
}
held_for() { tr -d '\r' <"$work/hold.out" | sed -n 's/^temporary file there for \([0-9]*\) ms$/\1/p'; }
no_temporary() { ! ls -A "$cyr" | grep -q '^Занят.csv.tmp'; }
printf 'previous\r\n' >"$work/previous.csv"
cp "$work/previous.csv" "$held"
holding 200
(cd "$cyr" && win_cli export Насосная.sav --view abnormal -o Занят.csv >"$work/held-short.out" 2>&1)
short_status=$?
wait "$hold_pid"
echo "held 200 ms: the export replaced the file $(held_for) ms after making its temporary file"
check "a file held 200 ms by another process: replaced after a wait ($(held_for) ms)" \
  "[ $short_status -eq 0 ] && cmp -s '$held' '$cyr/linux-abnormal.csv' && no_temporary && [ \"\$(held_for)\" -ge 200 ]"
cp "$work/previous.csv" "$held"
holding 5000
started_ms=$(date +%s%3N)
(cd "$cyr" && win_cli export Насосная.sav --view abnormal -o Занят.csv >"$work/held-long.out" 2>&1)
long_status=$?
ended_ms=$(date +%s%3N)
wait "$hold_pid"
echo "held on: the export gave up $(held_for) ms after making its temporary file ($((ended_ms - started_ms)) ms in all under wine): $(head -n 1 "$work/held-long.out" | tr -d '\r')"
check "a file held on: status 1, «Файл открыт в другой программе», the file as it was, no temporary file" \
  "[ $long_status -eq 1 ] && [ \"\$(head -n 1 '$work/held-long.out' | tr -d '\r')\" = 'Файл открыт в другой программе. Закройте его там и повторите.' ] &&
   cmp -s '$held' '$work/previous.csv' && no_temporary"

# --- 7. the survey journal ----------------------------------------------------
echo "=== the survey journal"
# The journal folder, made by the tool, in a folder far past Windows' plain
# 260 characters (wine takes such names as they are: that the index is
# opened through SQLite's layer for long names is the unit tests' part).
journal="$(deep_folder "$work/Журналы" 300)/Журнал"
journal_win="Z:${journal//\//\\}"
unix_of() { local p=${1#'\\?\'}; p=${p#Z:}; echo "${p//\\//}"; }  # a name under wine's Z: drive
surveys() { win_cli journal list --journal "$journal" 2>/dev/null | tr -d '\r'; }
serve
(cd "$work" && win_cli read --port COM5 --baud 38400 --object 1 --journal "$journal" >"$work/journal-read.txt" 2>&1)
read_status=$?
unserve
kept=$(find "$journal" -maxdepth 1 -name '*.sav' | head -n 1)
check "read keeps the survey in a $(win_length "$journal")-character journal folder: the archive read, named after instrument, object and time, and the index" \
  "[ $read_status = 0 ] && [ \"\$(find '$journal' -maxdepth 1 -name '*.sav' | wc -l)\" = 1 ] &&
   [[ \"\$(basename '$kept')\" =~ ^'SN 0001234 Объект 01 '[0-9]{4}-[0-9]{2}-[0-9]{2}' '[0-9]{2}-[0-9]{2}-[0-9]{2}\.sav$ ]] &&
   [ -f '$journal/journal.sqlite' ] && same_archive '$kept' '$work/linux1.sav'"
surveys >"$work/journal-list.txt"
id=$(cut -f1 "$work/journal-list.txt" | head -n 1)
check "journal list finds it: one line, its id first, the instrument and the object" \
  "[ \"\$(wc -l <'$work/journal-list.txt')\" = 1 ] && grep -qP '^[0-9]+\t' '$work/journal-list.txt' &&
   grep -qP '\tSN 0001234\t0?1\t' '$work/journal-list.txt'"
win_cli journal list --journal "$journal" --instrument 0001234 --object 1 --text 'sn 0001234' 2>&1 | tr -d '\r' \
  >"$work/journal-found.txt"
win_cli journal list --journal "$journal" --object 2 2>&1 | tr -d '\r' >"$work/journal-none.txt"
check "journal list with filters: found by instrument, object and text, not by another object" \
  "cmp -s '$work/journal-found.txt' '$work/journal-list.txt' && [ ! -s '$work/journal-none.txt' ]"
kept_win=$(win_cli journal path "$id" --journal "$journal" 2>&1 | tr -d '\r')
check "journal path $id gives the kept file ($kept_win)" "[ -n '$id' ] && [ \"\$(unix_of '$kept_win')\" = '$kept' ]"

# A second process lists the journal, again and again, while a read is
# kept: none waits in vain or fails.
serve
(cd "$work" && win_cli read --port COM5 --baud 38400 --object 2 --journal "$journal" >"$work/journal-read2.txt" 2>&1
 echo $? >"$work/journal-read2.status") &
listings=0
listing_failures=0
for _ in $(seq 300); do
  [ -s "$work/journal-read2.status" ] && break
  win_cli journal list --journal "$journal" >/dev/null 2>>"$work/journal-during.err" ||
    listing_failures=$((listing_failures + 1))
  listings=$((listings + 1))
done
wait $!
unserve
check "journal list while another process reads and keeps: $listings listings, $listing_failures failed; then both surveys" \
  "[ $listings -ge 1 ] && [ $listing_failures = 0 ] && [ \"\$(cat '$work/journal-read2.status')\" = 0 ] &&
   [ \"\$(surveys | wc -l)\" = 2 ]"

# Archives added from a folder with Cyrillic names and subfolders: one of
# another instrument, a copy of a survey kept already, a damaged one.
added="$work/Архивы объектов"
mkdir -p "$added/Котельная на Ленина/Март"
"$sim" generate "$work/другой прибор" --objects 4 --records 200 --version "TARVIK 59.11.03.04" >/dev/null
"$lin_cli" import "$work/другой прибор" --object 4 --id "TARVIK 59.11.03.04 SN 0005678" \
  -o "$added/Котельная на Ленина/Март/Обследование котельной.sav" >/dev/null
cp "$kept" "$added/Котельная на Ленина/Повтор обследования.sav"
head -c 300 "$kept" >"$added/Испорченный архив.sav"
(cd "$added" && find . -type f -exec md5sum {} + | sort >"$work/journal-added.md5")
(cd "$work" && win_cli journal add "$added" --journal "$journal" >"$work/journal-add.txt" 2>&1)
add_status=$?
check "journal add of a Cyrillic folder: the new archive added, the copy known, the damaged one named and skipped (status $add_status), the originals untouched" \
  "[ $add_status = 1 ] && [ \"\$(surveys | wc -l)\" = 3 ] && surveys | grep -qP '\tSN 0005678\t0?4\t' &&
   grep -q 'Испорченный архив.sav' '$work/journal-add.txt' &&
   [ \"\$(find '$journal' -maxdepth 1 -name '*.sav' | wc -l)\" = 3 ] &&
   (cd '$added' && find . -type f -exec md5sum {} + | sort | cmp -s - '$work/journal-added.md5')"

# The program: opens the file journal path gave, then reads object 1 again
# with keeping on, into this journal: equal to the survey kept, it is not
# kept twice, and closing asks nothing.
display=${TKQ_TEST_DISPLAY:-:$((90 + RANDOM % 9))}
Xvfb "$display" -screen 0 1400x900x24 >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
sleep 1
mkdir -p "$appdata"
printf '[Tarvik%%20KQ]\r\nComIndex=-1\r\nComBoudRate=5\r\nDeviceAddress=1\r\nPortName=COM5\r\nJournalFolder=%s\r\n' \
  "${journal_win//\\//}" >"$appdata/TarvikKQ.ini"
(cd "$gui" && wine "$portable/tarvik-monitor.exe" "$kept_win" >"$work/program-journal.log" 2>&1) &
program_pid=$!
window 'Архив измерений' >/dev/null
sleep 2
shot program-journal-open
check "the program opens the file journal path gave (a recent file now)" \
  "grep -qF \"\$(basename '$kept')\" '$appdata/TarvikKQ.ini'"
serve --log "$work/program-journal-read.log"
main=$(window 'Монитор Тарвик')
xdotool mousemove --window "$main" 22 34 click 1
press 'Выбор объекта' Return
for _ in $(seq 60); do
  [ "$(grep -c ' RX ' "$work/program-journal-read.log" 2>/dev/null)" -ge "$requests1" ] && break
  sleep 1
done
press 'Редактирование описания' Return
window 'Архив измерений' >/dev/null
sleep 2
shot program-journal-read
unserve
xdotool key --window "$(window 'Монитор Тарвик')" alt+F4
for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
check "the program's read equal to the kept survey: not kept twice, and closing asks nothing" \
  "[ \"\$(grep -c ' TX ' '$work/program-journal-read.log')\" -eq $requests1 ] && ! kill -0 $program_pid 2>/dev/null &&
   [ \"\$(surveys | wc -l)\" = 3 ] && [ \"\$(find '$journal' -maxdepth 1 -name '*.sav' | wc -l)\" = 3 ]"
kill "$program_pid" 2>/dev/null
timeout 30 wineserver -w
kill "$xvfb_pid" 2>/dev/null
unset DISPLAY

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
