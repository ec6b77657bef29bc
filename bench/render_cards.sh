#!/usr/bin/env bash
# The turned cards against the straight ones (bench_render's BM_EngineCards),
# both in the same program run, their repetitions interleaved in random order
# so that a change of load falls on both: prints the machine, the builds and
# the load, then for each run and build the medians of five repetitions and
# the ratios turned / straight: of wall time with one worker and with all
# workers, and of CPU time with one worker (all its work is on the measured
# thread, so a busy machine that takes the core away for a while does not
# count). The builds take turns within each run, so that a change of load
# falls on them all; the ratios are summed up at the end. With
# --instructions it also counts, for each build, the instructions one frame
# fill takes with one worker under callgrind (the same on any load).
#
#   bench/render_cards.sh [--instructions] [runs] [build folder ...]
#
# Defaults: 3 runs; build-rel (Release, -O3) and build-o2 (RelWithDebInfo,
# -O2), configured when missing. Every build's bench_render is brought up to
# date first (a folder given must have been configured).
set -euo pipefail

instructions=0
if [ "${1:-}" = --instructions ]; then
  instructions=1
  shift
fi
runs=${1:-3}
[ $# -gt 0 ] && shift
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -gt 0 ]; then
  builds=("$@")
else
  builds=("$root/build-rel" "$root/build-o2")
  declare -A kinds=(["$root/build-rel"]=Release ["$root/build-o2"]=RelWithDebInfo)
  for build in "${builds[@]}"; do
    [ -f "$build/CMakeCache.txt" ] ||
      cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${kinds[$build]}" >/dev/null
  done
fi

echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
declare -A labels
for build in "${builds[@]}"; do
  cache=$build/CMakeCache.txt
  [ -f "$cache" ] || { echo "no $cache (cmake -S $root -B $build -DCMAKE_BUILD_TYPE=...)" >&2; exit 2; }
  cmake --build "$build" -j4 --target bench_render >/dev/null
  type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$cache")
  compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$cache")
  flags=$(sed -n "s/^CMAKE_CXX_FLAGS_$(echo "$type" | tr a-z A-Z):STRING=//p" "$cache")
  labels[$build]="${build#"$root"/} ($type)"
  echo "build:   $build: $type, $("$compiler" --version | head -n 1), $flags"
done

median() {  # benchmark name, column (2 wall, 4 CPU), output: the median in ms
  awk -v n="$1_median" -v c="$2" '$1 == n { print $c * ($(c + 1) == "us" ? 0.001 : 1) }' <<<"$3"
}
ratio() {  # straight, turned
  awk -v s="$1" -v t="$2" 'BEGIN { printf "%.2f", t / s }'
}

declare -A summary
for run in $(seq "$runs"); do
  for build in "${builds[@]}"; do
    echo "run $run, ${labels[$build]}, $(date +%H:%M), load before: $(cut -d' ' -f1-3 /proc/loadavg)"
    out=$("$build/bench/bench_render" --benchmark_filter='BM_EngineCards' --benchmark_repetitions=5 \
      --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true 2>/dev/null)
    grep -E '_(median|cv) ' <<<"$out"
    wall1=$(ratio "$(median BM_EngineCards/0/1 2 "$out")" "$(median BM_EngineCards/90/1 2 "$out")")
    cpu1=$(ratio "$(median BM_EngineCards/0/1 4 "$out")" "$(median BM_EngineCards/90/1 4 "$out")")
    wall0=$(ratio "$(median BM_EngineCards/0/0 2 "$out")" "$(median BM_EngineCards/90/0 2 "$out")")
    echo "turned / straight, wall, one worker: $wall1"
    echo "turned / straight, CPU, one worker: $cpu1"
    echo "turned / straight, wall, all workers: $wall0"
    echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
    summary[$build]="${summary[$build]:-}  $wall1 $cpu1 $wall0"
  done
done

if [ "$runs" -gt 0 ]; then
  echo "turned / straight for each run (wall one worker, CPU one worker, wall all workers):"
  for build in "${builds[@]}"; do echo "${labels[$build]}:${summary[$build]}"; done
fi

if [ "$instructions" = 1 ]; then
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
  for build in "${builds[@]}"; do
    for angle in 0 90; do
      # Only what the fills run is counted: everything under KesRaster::Flush.
      valgrind --tool=callgrind --callgrind-out-file="$out/$angle" \
        --toggle-collect='kest2d::platform::KesRaster::Flush()' \
        "$build/bench/bench_render" --benchmark_filter="BM_EngineCards/$angle/1\$" --benchmark_min_time=1 \
        >/dev/null 2>&1
      # One band a frame with one worker: the frames are the calls of DrawBand.
      callgrind_annotate --tree=caller --inclusive=yes "$out/$angle" 2>/dev/null | awk -v a="$angle" -v t="${labels[$build]}" '
        /^ *[0-9,]+ .*PROGRAM TOTALS/ { gsub(",", "", $1); total = $1 }
        / < .*\(([0-9]+)x\)/ { match($0, /\(([0-9]+)x\)/); calls = substr($0, RSTART + 1, RLENGTH - 3) }
        / \* .*Impl::DrawBand\(int\)/ { frames = calls }
        END { printf "instructions a frame, %s, %s, one worker: %.3f million (%d frames)\n",
                     t, a == 0 ? "straight" : "turned", total / frames / 1e6, frames }'
    done
  done
fi
