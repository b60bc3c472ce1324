#!/usr/bin/env bash
# Installs what is needed, builds the benchmarks optimised and runs them.
# Extra arguments go to the benchmark (e.g. --benchmark_repetitions=5).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTKQ_TESTS=OFF -DTKQ_BENCH=ON >/dev/null
cmake --build build/bench --parallel
build/bench/bench/tkq_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
