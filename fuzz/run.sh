#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, some at once.
#
#   fuzz/run.sh <build folder> <seconds per target> <targets at once> [target...]
#
# Each target starts from its committed seeds (fuzz/corpus/<target>, read
# only: found inputs go to <build>/corpus/<target>) and stops at the first
# crash, leak, timeout or failed check, leaving the input in
# <build>/artifacts/. The exit status is 1 when any target failed.
set -uo pipefail
cd "$(dirname "$0")/.."

build=${1:?build folder}
seconds=${2:-30}
jobs=${3:-2}
shift 3 2>/dev/null || shift $#
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(multipart upload mobile cookies settings template thread check)

# Longest input each target tries: a few records for the index, a few
# kilobytes for texts.
max_len() {
  case $1 in
    thread | check) echo 10200 ;;
    multipart | upload) echo 8192 ;;
    *) echo 4096 ;;
  esac
}

# The two index targets share one target's time: they read the same bytes.
time_of() {
  case $1 in
    thread | check) echo $(((seconds + 1) / 2)) ;;
    *) echo "$seconds" ;;
  esac
}

run_one() {
  local t=$1
  local work="$build/corpus/$t"
  mkdir -p "$work" "$build/artifacts" "$build/logs"
  "$build/fuzz/fuzz_$t" "$work" "fuzz/corpus/$t" \
    -dict="fuzz/dict/$t.dict" -max_len="$(max_len "$t")" -max_total_time="$(time_of "$t")" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" \
    >"$build/logs/$t.log" 2>&1
}

pids=()
names=()
for t in "${targets[@]}"; do
  if [ ! -x "$build/fuzz/fuzz_$t" ]; then
    echo "fuzz: $build/fuzz/fuzz_$t is missing" >&2
    exit 1
  fi
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  echo "fuzz: $t for $(time_of "$t")s"
  run_one "$t" &
  pids+=($!)
  names+=("$t")
done

failed=0
for i in "${!pids[@]}"; do
  t=${names[$i]}
  if wait "${pids[$i]}"; then
    # The last status line: coverage, features, corpus and speed.
    line=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE|INITED).*cov:' "$build/logs/$t.log" | tail -1)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/logs/$t.log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$build/logs/$t.log")
    cov=$(sed -E -n 's/.* cov: ([0-9]+) ft: ([0-9]+) corp: ([0-9]+).*/cov \1, ft \2, corpus \3/p' <<<"$line")
    printf 'fuzz: %-9s ok   %s runs, %s exec/s, %s\n' "$t" "$runs" "$speed" "$cov"
  else
    failed=1
    echo "fuzz: $t FAILED (log $build/logs/$t.log)"
    grep -E 'ERROR|check failed|runtime error|SUMMARY|Test unit written' "$build/logs/$t.log" | head -20
  fi
done
exit $failed
