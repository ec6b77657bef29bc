#!/usr/bin/env bash
# The binding's bound calls (bench/binding_cost.lua) in this tree's Release
# build against another commit's, side by side: the base commit is built in a
# scratch worktree (Release, the host only), then the two hosts run the same
# script in turn, RUNS times each, so that a change of load falls on both.
# Prints each run's figures, then per operation the medians (ns per
# operation) and the ratio this tree / base.
#
#   bench/binding_cost.sh [base commit] [runs] [build folder of this tree]
#
# Defaults: a25c9d8, 12 runs, build-rel (built here if missing). Both builds
# are Release (-O3) builds, or of the type KEST2D_BUILD_TYPE names
# (RelWithDebInfo: -O2, with build-o2 as this tree's default folder).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
base=${1:-a25c9d8}
runs=${2:-12}
type=${KEST2D_BUILD_TYPE:-Release}
if [ "$type" = Release ]; then build=${3:-$root/build-rel}; else build=${3:-$root/build-o2}; fi
scratch=$(mktemp -d)
trap 'git -C "$root" worktree remove --force "$scratch/base" >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT

jobs=$(nproc)
if [ ! -x "$build/kest2d" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="$type" >/dev/null
fi
cmake --build "$build" -j"$jobs" --target kest2d_host >/dev/null
git -C "$root" worktree add --detach "$scratch/base" "$base" >/dev/null 2>&1
cmake -S "$scratch/base" -B "$scratch/base/build" -DCMAKE_BUILD_TYPE="$type" >/dev/null
cmake --build "$scratch/base/build" -j"$jobs" --target kest2d_host >/dev/null

game=$scratch/game
mkdir -p "$game/scripts"
cp "$root/bench/binding_cost.lua" "$game/scripts/gamelogic.lua"
echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "base $(git -C "$root" log -1 --format='%h %s' "$base" | cut -c1-70)"
echo "this $(git -C "$root" log -1 --format='%h' HEAD) and the working tree"
echo "builds: $type, $(c++ --version | head -n 1)"

run() {  # host, label
  (cd "$scratch" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy KEST2D_RUN_MS=1 "$1" "-d\$$game") |
    awk -F'\t' -v l="$2" '$1 == "binding_cost" { print l "\t" $2 "\t" $3 }'
}
results=$scratch/results
for i in $(seq "$runs"); do
  echo "run $i, load $(cut -d' ' -f1-3 /proc/loadavg)" >&2
  run "$scratch/base/build/kest2d" base >>"$results"
  run "$build/kest2d" this >>"$results"
done
awk -F'\t' '
  { v[$1 "\t" $2] = v[$1 "\t" $2] " " $3; if (!($2 in seen)) { seen[$2] = 1; order[++n] = $2 } }
  function median(list,   a, k, i, j, t) {
    k = split(list, a, " ")
    for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
    return k % 2 ? a[(k + 1) / 2] : (a[k / 2] + a[k / 2 + 1]) / 2
  }
  END {
    printf "%-38s %10s %10s %7s\n", "operation (ns, median)", "base", "this", "ratio"
    for (i = 1; i <= n; i++) {
      b = median(v["base\t" order[i]]); t = median(v["this\t" order[i]])
      printf "%-38s %10.1f %10.1f %6.2fx\n", order[i], b, t, t / b
    }
  }' "$results"
