#!/usr/bin/env bash
# Installs what is needed, builds the program and runs its main job: reads
# object 1 from a simulated instrument (a year of hourly archives) over a
# pseudo-terminal and shows what was read. Everything lands in out/.
#   bash scripts/run.sh            the simulated instrument
#   bash scripts/run.sh ARCHIVE    show a saved archive instead
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTKQ_TESTS=OFF >/dev/null
cmake --build build/release --parallel

tool="$PWD/build/release/src/cli/tarvik-kq"
sim="$PWD/build/release/tools/simulator/tarvik-kq-sim"
work="$PWD/out"
mkdir -p "$work"

show() {
  echo
  "$tool" info "$1"
  echo
  "$tool" tree "$1"
  echo
  echo "== Архив измерений (первые строки отчета)"
  "$tool" report "$1" --view archive | head -n 12 | iconv -f CP1251 -t UTF-8
  echo
  echo "== Архив нештатных ситуаций (первые строки отчета)"
  "$tool" report "$1" --view abnormal | head -n 8 | iconv -f CP1251 -t UTF-8
}

if [ $# -ge 1 ]; then
  archive=$(realpath "$1")
  cd "$work"
  show "$archive"
  exit 0
fi

cd "$work"
echo "== Поддерживаемые версии ПО прибора (описание: $work/TarvikKQ.def)"
"$tool" versions | tr '\n' ' '
echo
echo
echo "== Имитатор прибора: $work/instrument"
rm -rf instrument
"$sim" generate instrument --version "TARVIK 59.11.03.04" --objects 1,2 --records 8760
"$sim" serve instrument --baud 38400 --latency 5 --link "$work/tty" >sim.out 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$work/tty" ] && break; sleep 0.1; done
echo "== Идентификация: $("$tool" identify --port "$work/tty" --baud 38400)"
echo "== Чтение объекта 1 на 38400 бод (около 40 с)"
"$tool" read --port "$work/tty" --baud 38400 --object 1 -o obj01.sav --description "Имитатор прибора"
show "$work/obj01.sav"
