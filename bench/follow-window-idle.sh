#!/usr/bin/env bash
# The idle cost of the window following a folder of 1,000 saved games, for
# docs/performance.md (needs a display: run it under xvfb-run -a):
#   bench/follow-window-idle.sh BUILD [SECONDS]
# The window is started on one of the folder's races with "Follow folder"
# kept ticked in a history of its own; the CPU time it takes over SECONDS
# (60) in which nothing changes is read from /proc/PID/schedstat.
set -euo pipefail
build=$(realpath "$1")
seconds=${2:-60}
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
now() { date +%s%N; }

"$build/tools/make_demo" "$work/races" --races 1000 >/dev/null
mkdir "$work/empty"
"$build/vxanalyser" history add "$work/empty" --history "$work/history.sqlite3" >/dev/null
sqlite3 "$work/history.sqlite3" "INSERT INTO setting (name, value) VALUES ('follow_folder', 'on')"
XDG_RUNTIME_DIR="$work" "$build/vxanalyser" --history "$work/history.sqlite3" \
  "$work/races/Saves/race-0001.gam" &
pid=$!
sleep 5  # started, the race loaded and the folder's first listing taken

cpu() { cut -d' ' -f1 "/proc/$pid/schedstat"; }
c0=$(cpu) t0=$(now)
sleep "$seconds"
c1=$(cpu) t1=$(now)
awk -v c=$((c1 - c0)) -v t=$((t1 - t0)) \
  'BEGIN { printf "window idle, following 1,000 saved games: %.1f ms of CPU in %.1f s: %.3f %% of one core\n", c / 1e6, t / 1e9, 100 * c / t }'
