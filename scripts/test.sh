#!/usr/bin/env bash
# Installs what is needed, builds and runs every test: the unit and tool
# tests in a normal build (warnings are errors), under AddressSanitizer +
# UBSan, and those that run threads under ThreadSanitizer; printing through
# a real print server, the Debian package installed and removed again, the
# Windows build under wine (scripts/windows.sh, scripts/test_windows.sh),
# then a short run of each fuzz target. Each build is a preset of
# CMakePresets.json (build/<preset>). Ends with "N passed, N failed, N
# skipped".
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

# Each build here starts from nothing, where a developer's rebuilds one
# file: several sources are compiled as one (the command line parser's
# header, a third of the Linux build's time, is compiled once instead of
# once a command) and the debug information is line tables only (stack
# traces keep their lines). TKQ_CI_BUILD_OPTIONS="" builds as the presets do.
read -r -a ci_options <<<"${TKQ_CI_BUILD_OPTIONS--DCMAKE_UNITY_BUILD=ON -DTKQ_LINE_TABLES=ON}"

run_suite() {  # title, preset
  local name=$1 preset=$2
  echo "=== $name"
  if ! cmake --preset "$preset" "${ci_options[@]}" >"build/$preset.configure.log" 2>&1; then
    cat "build/$preset.configure.log"
    failed=$((failed + 1))
    return
  fi
  if ! cmake --build --preset "$preset" --parallel "$jobs"; then
    failed=$((failed + 1))
    return
  fi
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "build/$preset.ctest.log"
  count_ctest "build/$preset.ctest.log"
}

mkdir -p build

# The Windows libraries: a machine that has built them before keeps them
# in its cache and the Windows stage takes minutes; a new one builds them
# from Debian's sources (the longest part of a first run, about half an
# hour on 2 cores). Then they are built beside the Linux builds at the
# lowest priority, on the time those leave a core idle (links, tests), and
# the Windows stage waits for them.
echo "=== the Windows libraries"
libs_pid=
if bash scripts/windows_deps.sh >build/windows-deps.log 2>&1 && bash scripts/windows_libs.sh --check; then
  echo "all in the cache: the Windows stage only builds the project"
else
  echo "not all in the cache: built now from Debian's sources (about 30 minutes on 2 cores), beside the Linux builds"
  nice -n 19 bash scripts/windows_libs.sh >build/windows-libs.log 2>&1 &
  libs_pid=$!
fi
run_suite "tests" test
run_suite "tests under AddressSanitizer and UndefinedBehaviorSanitizer" asan
run_suite "the tests that run threads, under ThreadSanitizer" tsan

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

echo "=== the Windows build under wine"
windows_started=$SECONDS
if [ -n "$libs_pid" ]; then
  wait "$libs_pid" || tail -n 20 build/windows-libs.log
  echo "the Windows libraries were ready after $((SECONDS - windows_started)) s of waiting"
fi
if TKQ_WINDOWS_BUILD_OPTIONS="${ci_options[*]/-DTKQ_LINE_TABLES=ON/}" bash scripts/windows.sh >build/windows.log 2>&1; then
  tail -n 4 build/windows.log
  TKQ_LINUX_BUILD=build/test bash scripts/test_windows.sh 2>&1 | tee build/windows-test.log
  line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' build/windows-test.log | tail -n 1)
  if [ -n "$line" ]; then
    passed=$((passed + $(cut -d' ' -f1 <<<"$line")))
    failed=$((failed + $(cut -d' ' -f3 <<<"$line")))
  else
    failed=$((failed + 1))
  fi
else
  tail -n 40 build/windows.log
  echo "the Windows build failed"
  failed=$((failed + 1))
fi
echo "the Windows build and its tests: $((SECONDS - windows_started)) s"

echo "=== fuzz targets, ${fuzz_seconds} s each"
if cmake --preset fuzz "${ci_options[@]}" >build/fuzz.configure.log 2>&1 && cmake --build --preset fuzz --parallel "$jobs"; then
  build/fuzz/fuzz/make_fuzz_seeds build/fuzz/seeds
  # One target a core at a time; each leaves its exit status beside its log.
  fuzz_one() {  # target
    local target=$1 name corpus extra=()
    name=$(basename "$target")
    corpus="build/fuzz/corpus-$name"
    mkdir -p "$corpus"
    # The minimized corpus kept in the tree and the target's dictionary.
    [ -d "fuzz/corpus/$name" ] && extra+=("fuzz/corpus/$name")
    [ -f "fuzz/$name.dict" ] && extra+=("-dict=fuzz/$name.dict")
    "$target" "$corpus" "build/fuzz/seeds/$name" "${extra[@]}" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 \
      >"build/fuzz/$name.log" 2>&1
    echo $? >"build/fuzz/$name.status"
  }
  targets=()
  for target in build/fuzz/fuzz/fuzz_*; do
    [ -x "$target" ] && targets+=("$target")
  done
  for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
    fuzz_one "$target" &
  done
  wait
  for target in "${targets[@]}"; do
    name=$(basename "$target")
    if [ "$(cat "build/fuzz/$name.status" 2>/dev/null)" = 0 ]; then
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
echo "all stages: $((SECONDS / 60)) min $((SECONDS % 60)) s"
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
