#!/usr/bin/env bash
# Builds the clang fuzz configuration (AddressSanitizer and
# UndefinedBehaviorSanitizer) when needed and runs every libFuzzer
# target from its seeds for the given time (default 60 s each), several at
# once, then prints one line per target: runs, edges covered, corpus size,
# crashes.
#
#   fuzz/run.sh [seconds]
#
# Environment:
#   KEST2D_FUZZ_BUILD  build folder (default build-fuzz at the top of the tree)
#   KEST2D_FUZZ_JOBS   targets run at once (default: the number of cores)
#   KEST2D_FUZZ_EMPTY  1: start from an empty corpus, without seeds or
#                      dictionaries (to compare what the seeds bring)
#   KEST2D_FUZZ_ONLY   run only these targets (space separated, e.g. "gif video")
#   KEST2D_FUZZ_OUT    output folder (default <build>/fuzz-out)
#
# Inputs: the generated seeds (fuzz/seeds/, written to <out>/seeds/<target>),
# the checked-in seeds of fuzz/corpus/<target>/ and the regression inputs of
# tests/data/fuzz/<target>/. Output: <out>/<target>/ holds the
# inputs the run found (emptied at each run), its log, and crashes/ with any
# crash, timeout (over 1 s; 4 s for image_decode), out-of-memory (over 2 GB)
# or leak input.
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KEST2D_FUZZ_BUILD:-$root/build-fuzz}
jobs=${KEST2D_FUZZ_JOBS:-$(nproc)}
empty=${KEST2D_FUZZ_EMPTY:-0}

targets=()
for src in "$root"/fuzz/*.cpp; do
  name=$(basename "$src" .cpp)
  if [ -n "${KEST2D_FUZZ_ONLY:-}" ] && [[ " $KEST2D_FUZZ_ONLY " != *" $name "* ]]; then continue; fi
  targets+=("$name")
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DKEST2D_FUZZ=ON -DKEST2D_SANITIZE=undefined \
    -DKEST2D_BUILD_TESTS=OFF -DKEST2D_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
fi
build_targets=(kest2d_fuzz_seeds)
for t in "${targets[@]}"; do build_targets+=("fuzz_$t"); done
cmake --build "$build" -j"$(nproc)" --target "${build_targets[@]}" >/dev/null

out=${KEST2D_FUZZ_OUT:-$build/fuzz-out}
mkdir -p "$out"
seeds=$out/seeds
rm -rf "$seeds"
"$build/fuzz/kest2d_fuzz_seeds" "$seeds" >/dev/null

# The layout dictionary: XML syntax and element names, plus every name the
# loader's source spells (control types and property names).
dicts=$out/dict
rm -rf "$dicts"
mkdir -p "$dicts"
cp "$root"/fuzz/dict/*.dict "$dicts"/
{
  echo "# From the layout loader's sources"
  cat "$root"/src/gui/Kest2dGUILayout*.cpp | grep -o '"[A-Za-z][A-Za-z]*"' | sort -u
} >>"$dicts/layout.dict"

run_one() {
  local t=$1 dir=$out/$1
  rm -rf "$dir"
  mkdir -p "$dir/corpus" "$dir/crashes"
  # The largest pictures the decoders accept take up to about 2 s in this
  # instrumented build (fuzz/README.md): the picture target stops at 4 s.
  local timeout=1
  [ "$t" = image_decode ] && timeout=4
  local args=(-max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 -print_final_stats=1
              -artifact_prefix="$dir/crashes/" "$dir/corpus")
  if [ "$empty" != 1 ]; then
    [ -f "$dicts/$t.dict" ] && args=(-dict="$dicts/$t.dict" "${args[@]}")
    for extra in "$seeds/$t" "$root/fuzz/corpus/$t" "$root/tests/data/fuzz/$t"; do
      [ -d "$extra" ] && args+=("$extra")
    done
  fi
  (cd "$dir" && "$build/fuzz/fuzz_$t" "${args[@]}" >"$dir/log" 2>&1) || true
}

for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run_one "$t" &
done
wait

printf '%-14s %12s %8s %14s %8s\n' target runs cov corpus crashes
status=0
for t in "${targets[@]}"; do
  log=$out/$t/log
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || true)
  [ -n "$runs" ] || runs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#' || true)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || true)
  corpus=$(grep -o 'corp: [0-9]*/[0-9]*[A-Za-z]*' "$log" | tail -1 | cut -d' ' -f2 || true)
  crashes=$(find "$out/$t/crashes" -type f | wc -l)
  [ "$crashes" -eq 0 ] || status=1
  printf '%-14s %12s %8s %14s %8s\n' "$t" "${runs:-?}" "${cov:-?}" "${corpus:-?}" "$crashes"
done
[ "$status" -eq 0 ] || echo "crash inputs: $out/<target>/crashes/ (logs beside them)"
exit "$status"
