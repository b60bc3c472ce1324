#!/usr/bin/env bash
# Installs what is needed, builds the benchmarks optimised and runs them:
# the core's throughput, then a read over a simulated line (about three
# minutes: a year of hourly records at 38,400 and at 9,600 baud).
# Extra arguments go to both benchmarks (e.g. --benchmark_filter=Decode).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset bench >/dev/null
cmake --build --preset bench --parallel
build/bench/bench/tkq_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
build/bench/bench/tkq_bench_gui
build/bench/bench/tkq_bench_print
build/bench/bench/tkq_bench_link "$@"
build/bench/bench/tkq_bench_journal --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
build/bench/bench/tkq_bench_journal_gui
build/bench/bench/tkq_bench_journal_cli
