#!/usr/bin/env bash
# Soak of reads, not part of the quick tests: builds tkq_soak (Release, no
# GUI, no tests) and runs it.
#  1. TKQ_SOAK_READS (500) runs of `tarvik-kq read` against `tarvik-kq-sim
#     serve` with a random fault of the simulator (or none). Each read must
#     end in the saved archive the instrument's files make (byte for byte
#     apart from the read time, and with the request count a clean line
#     takes), or in the fault's message and no file.
#  2. TKQ_SOAK_READER_READS (1000) reads in one process against simulators
#     with and without faults; its open file descriptors must not grow, its
#     resident memory not beyond a small margin after warm-up.
# Prints the count, the outcomes by kind, descriptors, memory and the time
# taken; exit status 1 on any unexpected outcome. TKQ_SOAK_SEED repeats a
# run's choice of faults (default: from the clock).
set -uo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
build=build/soak

echo "=== building in $build (preset soak)"
mkdir -p build
if ! cmake --preset soak >"$build.configure.log" 2>&1; then
  cat "$build.configure.log"
  exit 1
fi
cmake --build --preset soak --parallel "$jobs" --target tarvik-kq tarvik-kq-sim tkq_soak || exit 1

started=$(date +%s)
"$build/tools/soak/tkq_soak" ${TKQ_SOAK_READS:+--reads "$TKQ_SOAK_READS"} \
  ${TKQ_SOAK_READER_READS:+--reader-reads "$TKQ_SOAK_READER_READS"} ${TKQ_SOAK_SEED:+--seed "$TKQ_SOAK_SEED"}
status=$?
echo "soak: $(( $(date +%s) - started )) s in all"
# 2 (the soak could not be set up) fails the run too.
[ "$status" -eq 0 ] || exit 1
