#!/usr/bin/env bash
# Runs every fuzz target of the sanitizer build, two at a time, and prints per
# target: runs, runs per second (wall clock and CPU), coverage and findings.
#
#   fuzz/campaign.sh [seconds [runs]]
#   fuzz/campaign.sh --report      # the table of the last campaign of each target
#
# Each target runs for `seconds` (default 60) or until it has made `runs`
# inputs, whichever comes first. A finding stops libFuzzer; the target is then
# started again for the rest of its time, so one finding does not end the
# search. Every target keeps its corpus between campaigns and starts from its
# seeds in fuzz/seeds/<target>; findings are kept in
# build/sanitize/fuzz/campaign/<target>/findings.
#
# Environment: JOBS (targets at a time, 2), NICE (niceness, 10), TARGETS
# (a space-separated subset), BUILD (the build tree, build/sanitize).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
report_only=false
if [ "${1:-}" = --report ]; then report_only=true; shift; fi
seconds=${1:-60}
runs_wanted=${2:-0}
jobs=${JOBS:-2}
niceness=${NICE:-10}
build=${BUILD:-$root/build/sanitize}
fuzz=$build/fuzz
work=$fuzz/campaign

if [ ! -d "$build" ]; then cmake --preset sanitize >/dev/null; fi
# The slow document converters first, so that the short targets fill the gaps.
order="folio markload png gif pcx bmp uninstall_path"
available=$(cd "$fuzz" 2>/dev/null && ls ./*.options 2>/dev/null | sed 's|^\./||; s|\.options$||' || true)
if [ -z "$available" ]; then cmake --preset sanitize >/dev/null; available=$(cd "$fuzz" && ls ./*.options | sed 's|^\./||; s|\.options$||'); fi
targets=${TARGETS:-}
if [ -z "$targets" ]; then
  for t in $order; do
    if grep -qx "$t" <<<"$available"; then targets="$targets $t"; fi
  done
  for t in $available; do
    case " $targets " in *" $t "*) ;; *) targets="$targets $t" ;; esac
  done
fi
if $report_only; then
  kept=""
  # Only targets whose last run has ended.
  for t in $targets; do [ -f "$work/$t/started" ] && [ "$work/$t/wall" -nt "$work/$t/started" ] && kept="$kept $t"; done
  targets=$kept
else
  nice -n "$niceness" cmake --build "$build" --target $(for t in $targets; do echo "${t}_fuzz"; done) >/dev/null
fi

# One target: segments of libFuzzer until the time (or the runs) are used up.
run_target() {
  local t=$1 dir=$work/$1
  mkdir -p "$dir/corpus" "$dir/findings"
  rm -f "$dir"/segment-*.log "$dir/cpu"
  touch "$dir/started" # findings of earlier campaigns stay, but are not counted
  local seeds=$root/fuzz/seeds/$t
  [ -d "$seeds" ] || seeds=""
  local start=$SECONDS segment=0 done_runs=0
  while :; do
    local left=$((seconds - (SECONDS - start)))
    [ "$left" -gt 0 ] || break
    local limit=()
    if [ "$runs_wanted" -gt 0 ]; then
      [ "$done_runs" -lt "$runs_wanted" ] || break
      limit=(-runs=$((runs_wanted - done_runs)))
    fi
    segment=$((segment + 1))
    local log=$dir/segment-$segment.log
    # shellcheck disable=SC2046
    { TIMEFORMAT='%U %S'; time nice -n "$niceness" "$fuzz/${t}_fuzz" $(cat "$fuzz/$t.options") \
        -max_total_time="$left" "${limit[@]}" -print_final_stats=1 \
        -artifact_prefix="$dir/findings/" "$dir/corpus" $seeds >"$log" 2>&1 || true; } 2>>"$dir/cpu"
    local made
    made=$(runs_in "$log")
    done_runs=$((done_runs + made))
    # A segment that ends without a finding has used its time or its runs.
    grep -qE '^==[0-9]+== ?ERROR|^SUMMARY: ' "$log" || break
  done
  echo "$((SECONDS - start))" >"$dir/wall"
}

# Inputs run in one segment: the final count, or the last progress line of a
# segment that a finding stopped.
runs_in() {
  local n
  n=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$1" | tail -1)
  [ -n "$n" ] || n=$(sed -n 's/^#\([0-9][0-9]*\).*/\1/p' "$1" | tail -1)
  echo "${n:-0}"
}

# The reproducers that this campaign wrote for a target.
list_findings() {
  find "$work/$1/findings" -type f -newer "$work/$1/started" \
    \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort
}

if ! $report_only; then
  mkdir -p "$work"
  limit_text=""
  [ "$runs_wanted" -gt 0 ] && limit_text=" or $runs_wanted runs"
  echo "fuzz campaign: $seconds s$limit_text per target, $jobs at a time, nice $niceness"
  running=0
  for t in $targets; do
    if [ "$running" -ge "$jobs" ]; then wait -n; running=$((running - 1)); fi
    run_target "$t" &
    running=$((running + 1))
  done
  wait
fi

printf '\n%-16s %10s %8s %10s %8s %8s\n' target runs "runs/s" "runs/cpu-s" coverage findings
total_findings=0
for t in $targets; do
  dir=$work/$t
  runs=0
  for log in "$dir"/segment-*.log; do runs=$((runs + $(runs_in "$log"))); done
  wall=$(cat "$dir/wall")
  cpu=$(awk '{ s += $1 + $2 } END { printf "%.1f", s }' "$dir/cpu")
  coverage=$(cat "$dir"/segment-*.log | sed -n 's/.*cov: \([0-9]*\).*/\1/p' | sort -n | tail -1)
  findings=$(list_findings "$t" | wc -l)
  total_findings=$((total_findings + findings))
  printf '%-16s %10d %8d %10d %8s %8d\n' "$t" "$runs" $((runs / (wall > 0 ? wall : 1))) \
    "$(awk -v r="$runs" -v c="$cpu" 'BEGIN { printf "%d", (c > 0 ? r / c : 0) }')" "${coverage:-0}" "$findings"
done
if [ "$total_findings" -gt 0 ]; then
  echo
  echo "findings:"
  for t in $targets; do list_findings "$t"; done
  exit 1
fi
