#!/usr/bin/env bash
# Installs what is needed, builds the program and runs its main job: the
# desktop program tarvik-monitor connected to a simulated instrument.
#
# A simulated instrument (objects 1 and 2: a year and three months of hourly
# archives) is generated in out/instrument and served on a pseudo-terminal
# (out/tty, 38,400 baud); the program starts in out/ with its connection
# settings pointed at it (a profile of its own in out/config, so your own
# settings stay untouched). Choose "Файл" > "Чтение архива с прибора",
# object 1 or 2.
#
# Without a display, the command-line tool reads object 2 instead, saves
# the archive (out/obj02.sav) and its report (out/obj02.txt), shows the
# report's first lines and ends with status 0.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --parallel

bin="$PWD/build/release"
work="$PWD/out"
mkdir -p "$work"
cd "$work"

rm -rf instrument
"$bin/tools/simulator/tarvik-kq-sim" generate instrument --version "TARVIK 59.11.03.04" --objects 1 --records 8760
"$bin/tools/simulator/tarvik-kq-sim" generate instrument --version "TARVIK 59.11.03.04" --objects 2 --records 2160 \
  --first 0 --second 4 --seed 7
"$bin/tools/simulator/tarvik-kq-sim" serve instrument --baud 38400 --latency 2 --link "$work/tty" >sim.out 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$work/tty" ] && break; sleep 0.1; done
echo "Имитатор прибора: $work/tty -> $(head -n 1 sim.out)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Нет дисплея: вместо окна программы читаем объект 2 из командной строки."
  "$bin/src/cli/tarvik-kq" read --port "$work/tty" --baud 38400 --object 2 -o obj02.sav --journal "$work/Журнал"
  "$bin/src/cli/tarvik-kq" info obj02.sav
  # The whole report goes to a file; its first lines are shown from there
  # (head stops reading a file early, never a program still writing).
  "$bin/src/cli/tarvik-kq" report obj02.sav --view archive -o obj02.txt
  echo "Начало отчета (всего строк: $(wc -l <obj02.txt)):"
  head -n 12 obj02.txt | iconv -f CP1251 -t UTF-8
  echo "Готово: объект 2 прочитан с имитатора; архив: $work/obj02.sav, отчет (CP1251): $work/obj02.txt"
  exit 0
fi

# The program's profile for this run: the simulator's port at 38,400 baud.
config="$work/config/Tarvik KQ"
mkdir -p "$config"
cat >"$config/TarvikKQ.ini" <<INI
[Tarvik%20KQ]
ComIndex=1
ComBoudRate=5
DeviceAddress=1
PortName=$work/tty
INI
echo "Запуск tarvik-monitor: «Файл» > «Чтение архива с прибора», объект 1 или 2."
XDG_CONFIG_HOME="$work/config" "$bin/src/gui/tarvik-monitor"
