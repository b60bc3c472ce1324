#!/usr/bin/env bash
# Soak of reads, not part of the quick tests:
#  1. TKQ_SOAK_READS (500) runs of `tarvik-kq read` against `tarvik-kq-sim
#     serve` with a random fault of the simulator (or none). Each read must
#     end in the saved archive that `tarvik-kq import` makes of the
#     instrument's files (byte for byte apart from the read time, and with
#     the request count a clean line takes), or in the fault's message and
#     no file.
#  2. soak_reader: TKQ_SOAK_READER_READS (1000) reads in one process against
#     simulators with and without faults; its open file descriptors must
#     not grow, its resident memory not beyond a small margin after warm-up.
# Prints the count, the outcomes by kind, descriptors, memory and the time
# taken; exit status 1 on any unexpected outcome. TKQ_SOAK_SEED repeats a
# run's choice of faults.
set -uo pipefail
cd "$(dirname "$0")/.."

reads=${TKQ_SOAK_READS:-500}
reader_reads=${TKQ_SOAK_READER_READS:-1000}
seed=${TKQ_SOAK_SEED:-$(( $(date +%s) % 32768 ))}
jobs=$(nproc 2>/dev/null || echo 2)
build=build/soak
# Resident memory may grow by this much between the warm-up and the end.
rss_margin_kb=1024

msg_connection="НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ"
msg_files="ОШИБКА ЧТЕНИЯ ФАЙЛОВ"

echo "=== building in $build"
mkdir -p build
if ! cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTKQ_GUI=OFF -DTKQ_TESTS=OFF -DTKQ_SOAK=ON \
     >"$build.configure.log" 2>&1; then
  cat "$build.configure.log"
  exit 1
fi
cmake --build "$build" --parallel "$jobs" --target tarvik-kq tarvik-kq-sim soak_reader || exit 1
cli=$PWD/$build/src/cli/tarvik-kq
sim=$PWD/$build/tools/simulator/tarvik-kq-sim
reader=$PWD/$build/tools/soak/soak_reader

work=$(mktemp -d "${TMPDIR:-/tmp}/tkq-soak.XXXXXX")
sim_pids=()
cleanup() {
  local pid
  for pid in "${sim_pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Starts the simulator on DIR with the given options; its pseudo-terminal
# into $pty, its process into $sim_pid (also remembered for the cleanup).
start_sim() {
  local dir=$1 out
  shift
  out=$(mktemp "$work/sim.XXXXXX")
  "$sim" serve "$dir" "$@" >"$out" 2>"$out.err" &
  sim_pid=$!
  sim_pids+=("$sim_pid")
  pty=
  for _ in $(seq 500); do
    if IFS= read -r pty <"$out" && [ -n "$pty" ]; then return 0; fi
    sleep 0.01
  done
  echo "tarvik-kq-sim serve $dir $* did not start: $(cat "$out.err")"
  return 1
}

# Ends the simulator $1; false when it did not end cleanly.
stop_sim() {
  kill "$1" 2>/dev/null
  wait "$1"
}

ceil128() { echo $(( ($1 + 127) / 128 )); }

# --- the instruments and what import makes of them ---
# target: folder, object; per target the expected archive, the length of
# the file's tail behind the read time and the requests of a clean read.
echo "=== instruments"
t_dir=() t_obj=() t_expected=() t_tail=() t_requests=()
add_instrument() {  # name, objects, generate options...
  local name=$1 objects=$2
  shift 2
  "$sim" generate "$work/$name" --objects "$objects" --end 1700000000 "$@" || exit 1
}
add_instrument a 1,2 --records 300 --seed 3
add_instrument b 7 --records 200 --seed 5 --version "TARVIK 59.11.00.02" --serial "SN 77"
add_instrument c 20 --records 500 --seed 9 --version "TARVIK 59.11.02.03" --first 2 --second 3 --corrupt-record

add_target() {  # folder name, object
  local dir=$work/$1 obj=$2 stem id files requests f size i
  stem=$(printf 'Obj%02d_0' "$obj")
  id="$(sed -n 1p "$dir/identification.txt") $(sed -n 2p "$dir/identification.txt")"
  i=${#t_dir[@]}
  t_dir[i]=$dir
  t_obj[i]=$obj
  t_expected[i]=$work/expected-$1-$obj.sav
  mkdir -p "$work/import"
  (cd "$work/import" && "$cli" import "$dir" --object "$obj" --id "$id" --description "Ввод $obj" \
     -o "${t_expected[i]}") || exit 1
  # The file ends: read time (8), the two parameter types (1 + 1), the
  # parameter and system files (count of 2 + bytes) and the identification
  # text (length of 1 + bytes; ASCII here).
  t_tail[i]=$(( 8 + 2 + 2 + $(stat -c %s "$dir/$stem.par") + 2 + $(stat -c %s "$dir/System_0.dev") + 1 + ${#id} ))
  # Requests of a clean read: identification; the directory (begin, open,
  # control block, pieces of 128 bytes of 32 per file); each file the
  # instrument has (begin, open, control block, pieces).
  files=$(find "$dir" -maxdepth 1 -type f ! -name identification.txt | wc -l)
  requests=$(( 1 + 3 + $(ceil128 $((32 * files))) ))
  for f in "$dir/$stem.arc" "$dir/$stem.err" "$dir/$stem.ads" "$dir/$stem.par" "$dir/System_0.dev"; do
    [ -f "$f" ] || continue
    size=$(stat -c %s "$f")
    requests=$(( requests + 3 + $(ceil128 "$size") ))
  done
  t_requests[i]=$requests
  echo "$dir object $obj: $(stat -c %s "${t_expected[i]}") bytes, $requests requests"
}
add_target a 1
add_target a 2
add_target b 7
add_target c 20

# --- part 1: reads by the tool ---
# Sets fault (options), kind, expect ("ok" or a message) and silent (the
# requests left unanswered before the first answer) for target $1.
choose_fault() {
  local r=$((RANDOM % 100)) requests=${t_requests[$1]} k n code from sub
  fault=()
  silent=0
  expect=ok
  if [ "$r" -lt 12 ]; then
    kind=clean
  elif [ "$r" -lt 16 ]; then
    kind=--latency
    fault=(--latency $((1 + RANDOM % 5)))
  elif [ "$r" -lt 20 ]; then
    kind=--silent
    fault=(--silent)
    expect=$msg_connection
  elif [ "$r" -lt 28 ]; then
    # Three attempts: up to two requests unanswered still read.
    kind=--silent-first
    k=$((1 + RANDOM % 4))
    fault=(--silent-first "$k")
    if [ "$k" -le 2 ]; then silent=$k; else expect=$msg_connection; fi
  elif [ "$r" -lt 42 ]; then
    # Any answer of the read with a bad CRC ends it; past the last, none.
    kind=--bad-crc-at
    n=$((1 + RANDOM % (requests + 4)))
    fault=(--bad-crc-at "$n")
    [ "$n" -le "$requests" ] && expect=$msg_connection
  elif [ "$r" -lt 48 ]; then
    kind=--wrong-address
    fault=(--wrong-address)
    expect=$msg_connection
  elif [ "$r" -lt 62 ]; then
    # Codes 1, 2, 3, 5 and 6 are link failures; others leave the link
    # status alone, so a refused file request is a file error. An exception
    # to the identification is always no connection.
    kind=--exception
    code=$(echo 1 2 3 4 5 6 7 11 | cut -d' ' -f $((1 + RANDOM % 8)))
    from=$((1 + RANDOM % (requests + 3)))
    fault=(--exception "$code@$from")
    expect=$(exception_outcome "$code" "$from" 0 "$requests")
  elif [ "$r" -lt 74 ]; then
    kind=--refuse
    sub=$(echo 1 3 8 12 14 0 2 5 | cut -d' ' -f $((1 + RANDOM % 8)))
    fault=(--refuse "$sub")
    case $sub in 1 | 3 | 8 | 12 | 14) expect=$msg_files ;; esac
  elif [ "$r" -lt 80 ]; then
    kind=--bad-fcb-length
    fault=(--bad-fcb-length)
    expect=$msg_files
  elif [ "$r" -lt 86 ]; then
    kind=--short-pieces
    fault=(--short-pieces)
    expect=$msg_files
  else
    # One or two unanswered requests, then another fault: exceptions count
    # requests (the unanswered ones too), bad CRCs count answers.
    k=$((1 + RANDOM % 2))
    silent=$k
    case $((RANDOM % 4)) in
      0)
        kind=--silent-first+--bad-crc-at
        n=$((1 + RANDOM % (requests + 2)))
        fault=(--silent-first "$k" --bad-crc-at "$n")
        [ "$n" -le "$requests" ] && expect=$msg_connection
        ;;
      1)
        kind=--silent-first+--exception
        code=$(echo 2 4 6 | cut -d' ' -f $((1 + RANDOM % 3)))
        from=$((1 + RANDOM % (requests + k + 2)))
        fault=(--silent-first "$k" --exception "$code@$from")
        expect=$(exception_outcome "$code" "$from" "$k" "$requests")
        ;;
      2)
        kind=--silent-first+--refuse
        sub=$(echo 1 3 8 12 14 | cut -d' ' -f $((1 + RANDOM % 5)))
        fault=(--silent-first "$k" --refuse "$sub")
        expect=$msg_files
        ;;
      *)
        kind=--silent-first+--short-pieces
        fault=(--silent-first "$k" --short-pieces)
        expect=$msg_files
        ;;
    esac
  fi
}

exception_outcome() {  # code, from (in requests), unanswered requests first, requests of a clean read
  local code=$1 from=$2 silent=$3 requests=$4
  if [ "$from" -le $((silent + 1)) ]; then
    echo "$msg_connection"
  elif [ $((from - silent)) -gt "$requests" ]; then
    echo ok
  else
    case $code in 1 | 2 | 3 | 5 | 6) echo "$msg_connection" ;; *) echo "$msg_files" ;; esac
  fi
}

# Checks the read in $work/run against the expectation: sets outcome, and
# problem when it returns 1.
check_read() {  # target, status, started, ended
  local i=$1 status=$2 started=$3 ended=$4 last files size at diff when
  last=$(tail -n 1 "$work/err.txt")
  files=$(ls -A "$work/run")
  if [ "$expect" != ok ]; then
    outcome=$last
    [ "$status" -eq 1 ] && [ "$last" = "$expect" ] && [ -z "$files" ] && return 0
    problem="status $status, files \"$files\", last line \"$last\""
    return 1
  fi
  outcome=ok
  if [ "$status" -ne 0 ] || [ "$files" != out.sav ]; then
    outcome=$last
    problem="status $status, files \"$files\", last line \"$last\""
    return 1
  fi
  if [[ "$last" != *"запросов $((t_requests[i] + silent)),"* ]]; then
    problem="not the requests of a clean read (${t_requests[i]} + $silent unanswered): $last"
    return 1
  fi
  size=$(stat -c %s "$work/run/out.sav")
  if [ "$size" -ne "$(stat -c %s "${t_expected[i]}")" ]; then
    problem="$size bytes, import made $(stat -c %s "${t_expected[i]}")"
    return 1
  fi
  # Only the eight bytes of the read time may differ, and they must hold
  # the time of the read.
  at=$((size - t_tail[i]))
  diff=$(cmp -l "$work/run/out.sav" "${t_expected[i]}" | awk -v lo=$((at + 1)) -v hi=$((at + 8)) '$1 < lo || $1 > hi')
  if [ -n "$diff" ]; then
    problem="differs from the import beyond the read time: $(head -n 3 <<<"$diff")"
    return 1
  fi
  when=$(od -An -t d8 -j "$at" -N 8 "$work/run/out.sav" | tr -d ' ')
  if [ "$when" -lt "$started" ] || [ "$when" -gt "$ended" ]; then
    problem="read time $when outside $started..$ended"
    return 1
  fi
  return 0
}

echo "=== $reads reads by tarvik-kq read (seed $seed)"
RANDOM=$seed
declare -A by_kind
unexpected=0
soak_started=$(date +%s%N)
for ((n = 1; n <= reads; n++)); do
  i=$((RANDOM % ${#t_dir[@]}))
  choose_fault "$i"
  if ! start_sim "${t_dir[i]}" "${fault[@]}"; then
    unexpected=$((unexpected + 1))
    stop_sim "$sim_pid"
    sim_pids=()
    continue
  fi
  rm -rf "$work/run"
  mkdir "$work/run"
  started=$(date +%s)
  (cd "$work/run" && exec timeout 60 "$cli" read --port "$pty" --baud 115200 --object "${t_obj[i]}" \
     -o out.sav --description "Ввод ${t_obj[i]}") 2>"$work/err.txt"
  status=$?
  ended=$(date +%s)
  if ! check_read "$i" "$status" "$started" "$ended"; then
    unexpected=$((unexpected + 1))
    echo "read $n: object ${t_obj[i]} of ${t_dir[i]##*/}, ${fault[*]:-no fault}: expected \"$expect\": $problem"
    [ "$status" -eq 124 ] && outcome="no end within 60 s"
  fi
  if ! stop_sim "$sim_pid"; then
    unexpected=$((unexpected + 1))
    echo "read $n: the simulator did not end cleanly: $(cat "$work"/sim.*.err)"
  fi
  sim_pids=()
  rm -f "$work"/sim.*
  by_kind["$kind|$outcome"]=$((${by_kind["$kind|$outcome"]:-0} + 1))
  ((n % 50 == 0)) && echo "$n reads, $unexpected unexpected"
done
soak_seconds=$(( ($(date +%s%N) - soak_started) / 1000000000 ))
echo
echo "$reads reads in $soak_seconds s, $unexpected unexpected; outcomes by kind:"
for key in "${!by_kind[@]}"; do
  printf '  %-30s %4d  %s\n' "${key%%|*}" "${by_kind[$key]}" "${key#*|}"
done | sort
failed=$unexpected

# --- part 2: one process reading for long ---
echo
echo "=== $reader_reads reads in one process (soak_reader)"
lines=()
add_line() {  # expected, options...
  local expected=$1
  shift
  start_sim "${t_dir[1]}" "$@" || exit 1
  lines+=(--line "$pty=$expected")
}
add_line ok
add_line "$msg_files" --short-pieces
add_line ok --silent-first 2
add_line "$msg_connection" --wrong-address
add_line ok
add_line "$msg_connection" --exception 6@5
add_line ok --latency 1
add_line "$msg_files" --refuse 8
add_line ok
add_line "$msg_files" --bad-fcb-length
add_line ok
add_line "$msg_files" --refuse 14
id="$(sed -n 1p "${t_dir[1]}/identification.txt") $(sed -n 2p "${t_dir[1]}/identification.txt")"
reader_started=$(date +%s%N)
"$reader" --folder "${t_dir[1]}" --object "${t_obj[1]}" --id "$id" --reads "$reader_reads" --warmup 100 \
  "${lines[@]}" | tee "$work/reader.txt"
reader_status=${PIPESTATUS[0]}
reader_seconds=$(( ($(date +%s%N) - reader_started) / 1000000000 ))
for pid in "${sim_pids[@]}"; do stop_sim "$pid" || { echo "a simulator did not end cleanly"; failed=$((failed + 1)); }; done
sim_pids=()
[ "$reader_status" -eq 0 ] || failed=$((failed + 1))

sample() {  # when, field (fds or VmRSS)
  sed -nE "s/^$1 \([0-9]+ reads\): fds ([0-9]+), VmRSS ([0-9]+) kB$/\\$2/p" "$work/reader.txt"
}
fds_start=$(sample start 1)
fds_end=$(sample end 1)
rss_start=$(sample start 2)
rss_warm=$(sample after\ warm-up 2)
rss_end=$(sample end 2)
echo "soak_reader: $reader_seconds s; fds $fds_start at the start, $fds_end at the end;" \
  "VmRSS $rss_start kB at the start, $rss_warm kB after warm-up, $rss_end kB at the end"
if [ -z "$fds_end" ] || [ -z "$rss_end" ]; then
  echo "soak_reader gave no figures"
  failed=$((failed + 1))
else
  if [ "$fds_end" -gt "$fds_start" ]; then
    echo "open file descriptors grew"
    failed=$((failed + 1))
  fi
  if [ "$rss_end" -gt $((rss_warm + rss_margin_kb)) ]; then
    echo "resident memory grew by more than $rss_margin_kb kB after warm-up"
    failed=$((failed + 1))
  fi
fi

echo
if [ "$failed" -eq 0 ]; then
  echo "soak passed (seed $seed)"
else
  echo "soak FAILED: $failed unexpected (seed $seed)"
fi
[ "$failed" -eq 0 ]
