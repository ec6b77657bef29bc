#!/usr/bin/env bash
# Idle cost of the sample game in a real window: starts a virtual X server
# (Xvfb) with a window manager (openbox), runs the sample game standing still
# and reports the CPU time it takes (user + system, all its threads) as a share
# of one core over the measured seconds.
#
#   bench/idle_cpu.sh [path/to/kest2d] [seconds]
#
# Defaults: build-rel/kest2d (a release build) and 10 seconds.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
host=${1:-$root/build-rel/kest2d}
seconds=${2:-10}
[ -x "$host" ] || { echo "no host program at $host (build kest2d_host in build-rel)" >&2; exit 2; }

work=$(mktemp -d)
xvfb_pid=
wm_pid=
game_pid=
cleanup() {
  for pid in $game_pid $wm_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(tr -d '\n' < "$work/display")
openbox >/dev/null 2>&1 &
wm_pid=$!

cd "$work"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy KEST2D_RUN_MS=$(( (seconds + 30) * 1000 )) \
  "$host" "-d\$$root/examples/demo" >"$work/out.txt" 2>&1 &
game_pid=$!
for _ in $(seq 300); do
  xdotool search --onlyvisible --pid "$game_pid" >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 2  # past start-up: resources loaded, first frames shown

cpu_ticks() {
  local stat rest
  stat=$(cat "/proc/$game_pid/stat")
  rest=${stat##*) }
  set -- $rest
  echo $(( ${12} + ${13} ))
}
hz=$(getconf CLK_TCK)
t0=$(date +%s.%N)
c0=$(cpu_ticks)
sleep "$seconds"
c1=$(cpu_ticks)
t1=$(date +%s.%N)
threads=$(ls "/proc/$game_pid/task" | wc -l)
python3 -c "import sys; c0,c1,hz,t0,t1=map(float,sys.argv[1:]); print('idle CPU: %.1f%% of one core over %.1f s' % (100*(c1-c0)/hz/(t1-t0), t1-t0))" \
  "$c0" "$c1" "$hz" "$t0" "$t1"
echo "threads: $threads"
