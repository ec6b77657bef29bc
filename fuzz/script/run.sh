#!/usr/bin/env bash
# Runs the hostile script generator (fuzz/script/hostile.lua) for a range of
# seeds, each in its own engine (kest2d_script_runner, built with the
# sanitizers for a meaningful run), several at once, and sums up: seeds,
# calls, distinct bound functions called and returning normally. A seed
# fails when its run ends in a signal, a sanitizer report, an exit code
# other than 0 or takes longer than the time limit; Lua errors inside the
# script are expected and counted as calls.
#
#   fuzz/script/run.sh [first-seed [count]]        (default 1 300)
#
# Environment:
#   KEST2D_RUNNER       the runner (default build-test/tests/kest2d_script_runner)
#   KEST2D_FUZZ_STEPS   top-level steps per seed (default 300)
#   KEST2D_FUZZ_KINDS   step kinds (hostile.lua; default all)
#   KEST2D_FUZZ_AVOID   bound functions never called (hostile.lua)
#   KEST2D_FUZZ_JOBS    seeds run at once (default: the number of cores, at most 4)
#   KEST2D_FUZZ_LIMIT   seconds a seed may take (default 120)
#   KEST2D_FUZZ_OUT     folder for the logs of failing seeds (default: a temporary folder)
#
# A failing seed is run again alone with
#   KEST2D_FUZZ_SEED=<seed> KEST2D_FUZZ_TRACE=1 <runner> fuzz/script/hostile.lua
# (with the same STEPS, KINDS and AVOID), which writes each step to standard
# error before it runs.
set -uo pipefail

first=${1:-1}
count=${2:-300}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
runner=${KEST2D_RUNNER:-$root/build-test/tests/kest2d_script_runner}
jobs=${KEST2D_FUZZ_JOBS:-$(( $(nproc) < 4 ? $(nproc) : 4 ))}
limit=${KEST2D_FUZZ_LIMIT:-120}
out=${KEST2D_FUZZ_OUT:-$(mktemp -d)}
mkdir -p "$out"
rm -f "$out"/report-*.txt "$out"/seed-*.log
[ -x "$runner" ] || { echo "no runner at $runner" >&2; exit 2; }

# No program is started on the scripts' behalf (a hyperlink's opener): the
# runs see an empty PATH.
empty_path="$out/empty-path"
mkdir -p "$empty_path"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

run_seed() {
  local seed=$1 log="$out/seed-$1.log"
  KEST2D_FUZZ_SEED=$seed KEST2D_FUZZ_REPORT="$out/report-$seed.txt" timeout -s KILL "$limit" env PATH="$empty_path" "$runner" "$here/hostile.lua" > "$log" 2>&1
  local rc=$?
  if [ $rc -ne 0 ] || grep -q -E "runtime error:|ERROR: (Address|Leak)Sanitizer|Assertion failed" "$log"; then
    echo "FAIL seed $seed (exit $rc): $(grep -m1 -E "runtime error:|SUMMARY:|Assertion failed|ERROR:" "$log")"
  else
    rm -f "$log"
  fi
}
export -f run_seed
export out here runner limit empty_path

start=$(date +%s)
seq "$first" $((first + count - 1)) | xargs -P "$jobs" -I{} bash -c 'run_seed {}' | tee "$out/failures.txt"
took=$(( $(date +%s) - start ))

awk -v took="$took" '
  /^seed / { seeds++; calls += $6; ok += $8; split($10, n, "/"); total = n[2] }
  /^called / { for (i = 2; i <= NF; i++) called[$i] = 1 }
  /^returned / { for (i = 2; i <= NF; i++) returned[$i] = 1 }
  END {
    for (k in called) ncalled++
    for (k in returned) nreturned++
    printf "seeds %d, calls %d (%d returned normally); of %d bound functions %d called, %d returned normally at least once; %d s\n",
      seeds, calls, ok, total, ncalled, nreturned, took
  }' "$out"/report-*.txt
failed=$(grep -c "^FAIL" "$out/failures.txt")
echo "failing seeds: $failed (logs in $out)"
[ "$failed" -eq 0 ]
