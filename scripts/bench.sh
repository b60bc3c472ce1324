#!/usr/bin/env bash
# Installs what is needed, builds the benchmarks optimised and runs them:
# the core's throughput, then a read over a simulated line (about three
# minutes: a year of hourly records at 38,400 and at 9,600 baud).
# Extra arguments go to both benchmarks (e.g. --benchmark_filter=Decode).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTKQ_TESTS=OFF -DTKQ_BENCH=ON >/dev/null
cmake --build build/bench --parallel
build/bench/bench/tkq_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
build/bench/bench/tkq_bench_gui
build/bench/bench/tkq_bench_print
build/bench/bench/tkq_bench_link "$@"
