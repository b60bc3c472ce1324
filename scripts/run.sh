#!/usr/bin/env bash
# Installs what is needed, builds the program and runs its main job.
#   bash scripts/run.sh                 list the supported firmware versions
#   bash scripts/run.sh ARCHIVE         ... and show a saved archive: its
#                                       summary, parameters and first rows
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTKQ_TESTS=OFF >/dev/null
cmake --build build/release --parallel

tool="$PWD/build/release/src/cli/tarvik-kq"
work="$PWD/out"
mkdir -p "$work"
cd "$work"
echo "== Поддерживаемые версии ПО прибора (описание: $work/TarvikKQ.def)"
"$tool" versions
if [ $# -ge 1 ]; then
  archive=$(cd "$OLDPWD" && realpath "$1")
  echo
  echo "== $archive"
  "$tool" info "$archive"
  echo
  "$tool" tree "$archive"
  echo
  "$tool" report "$archive" --view archive | head -n 20 | iconv -f CP1251 -t UTF-8
fi
