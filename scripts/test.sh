#!/usr/bin/env bash
# Installs what is needed, builds and runs every test: the unit and tool
# tests in a normal build and under AddressSanitizer + UBSan, printing
# through a real print server, the Debian package installed and removed
# again, then a short run of each fuzz target. Ends
# with "N passed, N failed, N skipped".
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh || exit 1
jobs=$(nproc 2>/dev/null || echo 2)
passed=0
failed=0
skipped=0
fuzz_seconds=${TKQ_FUZZ_SECONDS:-20}

# ctest's "N% tests passed, F tests failed out of T" into the totals.
count_ctest() {
  local line total fail
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [ -z "$line" ]; then
    failed=$((failed + 1))
    return
  fi
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  fail=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
  passed=$((passed + total - fail))
  failed=$((failed + fail))
}

run_suite() {  # name, build dir, cmake options...
  local name=$1 dir=$2
  shift 2
  echo "=== $name"
  if ! cmake -S . -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1; then
    cat "$dir.configure.log"
    failed=$((failed + 1))
    return
  fi
  if ! cmake --build "$dir" --parallel "$jobs"; then
    failed=$((failed + 1))
    return
  fi
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 600) 2>&1 | tee "$dir.ctest.log"
  count_ctest "$dir.ctest.log"
}

mkdir -p build
run_suite "tests" build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite "tests under AddressSanitizer and UndefinedBehaviorSanitizer" build/asan \
  -DCMAKE_BUILD_TYPE=Debug -DTKQ_SANITIZE=ON

echo "=== printing through a print server"
bash scripts/test_print_server.sh build/test
case $? in
  0) passed=$((passed + 1)) ;;
  77) skipped=$((skipped + 1)) ;;
  *) failed=$((failed + 1)) ;;
esac

echo "=== the Debian package"
bash scripts/test_package.sh build/test
case $? in
  0) passed=$((passed + 1)) ;;
  77) skipped=$((skipped + 1)) ;;
  *) failed=$((failed + 1)) ;;
esac

echo "=== fuzz targets, ${fuzz_seconds} s each"
if cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTKQ_FUZZ=ON -DTKQ_TESTS=OFF -DTKQ_GUI=OFF \
     -DCMAKE_CXX_COMPILER=clang++ >build/fuzz.configure.log 2>&1 &&
   cmake --build build/fuzz --parallel "$jobs"; then
  build/fuzz/fuzz/make_fuzz_seeds build/fuzz/seeds
  for target in build/fuzz/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus="build/fuzz/corpus-$name"
    mkdir -p "$corpus"
    # The minimized corpus kept in the tree and the target's dictionary.
    extra=()
    [ -d "fuzz/corpus/$name" ] && extra+=("fuzz/corpus/$name")
    [ -f "fuzz/$name.dict" ] && extra+=("-dict=fuzz/$name.dict")
    if "$target" "$corpus" "build/fuzz/seeds/$name" "${extra[@]}" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 \
         >"build/fuzz/$name.log" 2>&1; then
      echo "$name: $(grep -E '^Done' "build/fuzz/$name.log" | tail -n 1)"
      passed=$((passed + 1))
    else
      tail -n 40 "build/fuzz/$name.log"
      echo "$name: FAILED"
      failed=$((failed + 1))
    fi
  done
else
  cat build/fuzz.configure.log
  failed=$((failed + 1))
fi

echo
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
