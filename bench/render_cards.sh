#!/usr/bin/env bash
# The turned cards against the straight ones (bench_render's BM_EngineCards),
# both in the same program run, their repetitions interleaved in random order
# so that a change of load falls on both: prints the machine, the build and
# the load, then for each run the medians of five repetitions and the ratios
# turned / straight: of wall time with one worker and with all workers, and
# of CPU time with one worker (all its work is on the measured thread, so a
# busy machine that takes the core away for a while does not count). With
# --instructions it also counts the instructions one frame fill takes with
# one worker under callgrind (the same on any load).
#
#   bench/render_cards.sh [--instructions] [runs] [build folder]
#
# Defaults: 3 runs of build-rel (a Release build with bench_render built).
set -euo pipefail

instructions=0
if [ "${1:-}" = --instructions ]; then
  instructions=1
  shift
fi
runs=${1:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build-rel}
bench=$build/bench/bench_render
[ -x "$bench" ] || { echo "no $bench (cmake --build $build --target bench_render)" >&2; exit 2; }

cache=$build/CMakeCache.txt
type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$cache")
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$cache")
flags=$(sed -n "s/^CMAKE_CXX_FLAGS_$(echo "$type" | tr a-z A-Z):STRING=//p" "$cache")
echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "build:   $type, $("$compiler" --version | head -n 1), $flags"

median() {  # benchmark name, column (2 wall, 4 CPU), output: the median in ms
  awk -v n="$1_median" -v c="$2" '$1 == n { print $c * ($(c + 1) == "us" ? 0.001 : 1) }' <<<"$3"
}
ratio() {  # label, straight, turned
  awk -v l="$1" -v s="$2" -v t="$3" 'BEGIN { printf "turned / straight, %s: %.2f\n", l, t / s }'
}

for run in $(seq "$runs"); do
  echo "run $run, $(date +%H:%M), load before: $(cut -d' ' -f1-3 /proc/loadavg)"
  out=$("$bench" --benchmark_filter='BM_EngineCards' --benchmark_repetitions=5 \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true 2>/dev/null)
  grep -E '_(median|cv) ' <<<"$out"
  ratio "wall, one worker" "$(median BM_EngineCards/0/1 2 "$out")" "$(median BM_EngineCards/90/1 2 "$out")"
  ratio "CPU, one worker" "$(median BM_EngineCards/0/1 4 "$out")" "$(median BM_EngineCards/90/1 4 "$out")"
  ratio "wall, all workers" "$(median BM_EngineCards/0/0 2 "$out")" "$(median BM_EngineCards/90/0 2 "$out")"
  echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
done

if [ "$instructions" = 1 ]; then
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
  for angle in 0 90; do
    # Only what the fills run is counted: everything under KesRaster::Flush.
    valgrind --tool=callgrind --callgrind-out-file="$out/$angle" \
      --toggle-collect='kest2d::platform::KesRaster::Flush()' \
      "$bench" --benchmark_filter="BM_EngineCards/$angle/1\$" --benchmark_min_time=1 >/dev/null 2>&1
    # One band a frame with one worker: the frames are the calls of DrawBand.
    callgrind_annotate --tree=caller --inclusive=yes "$out/$angle" 2>/dev/null | awk -v a="$angle" '
      /^ *[0-9,]+ .*PROGRAM TOTALS/ { gsub(",", "", $1); total = $1 }
      / < .*\(([0-9]+)x\)/ { match($0, /\(([0-9]+)x\)/); calls = substr($0, RSTART + 1, RLENGTH - 3) }
      / \* .*Impl::DrawBand\(int\)/ { frames = calls }
      END { printf "instructions a frame, %s, one worker: %.3f million (%d frames)\n",
                   a == 0 ? "straight" : "turned", total / frames / 1e6, frames }'
  done
fi
