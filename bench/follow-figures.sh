#!/usr/bin/env bash
# The figures of "vxanalyser follow" for docs/performance.md:
#   bench/follow-figures.sh BUILD [SECONDS] [RACES]
# - idle: the CPU time the process takes over SECONDS (60) of following a
#   folder of 1,000 generated saved games that nothing changes, from
#   /proc/PID/schedstat (nanoseconds on a processor);
# - latency: RACES (20) saved games written into that folder one after
#   another, each in one go at a moment unrelated to the program's looks at
#   the folder; the time from the end of each write to the moment its line
#   is read from the program's output.
set -euo pipefail
build=$(realpath "$1")
seconds=${2:-60}
races=${3:-20}
work=$(mktemp -d)
pid= reader=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$reader" ] && kill "$reader" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
now() { date +%s%N; }

"$build/tools/make_demo" "$work/races" --races 1000 >/dev/null
mkdir "$work/more"
for ((i = 1; i <= races; ++i)); do
  # Other bytes than any saved game in the folder: new races.
  cp "$work/races/Saves/race-$(printf %04d "$i").gam" "$work/more/$i.gam"
  printf 'x' >>"$work/more/$i.gam"
done

mkfifo "$work/in" "$work/out"
exec 3<>"$work/in"  # the program's input, held open until the end
"$build/vxanalyser" follow "$work/races/Saves" --history "$work/history.sqlite3" <&3 >"$work/out" \
  2>"$work/err" &
pid=$!
# Each line stamped as it comes.
(while IFS= read -r line; do echo "$(now) $line"; done <"$work/out" >"$work/lines") &
reader=$!
until grep -q following "$work/err"; do sleep 0.05; done

cpu() { cut -d' ' -f1 "/proc/$pid/schedstat"; }
c0=$(cpu) t0=$(now)
sleep "$seconds"
c1=$(cpu) t1=$(now)
awk -v c=$((c1 - c0)) -v t=$((t1 - t0)) \
  'BEGIN { printf "idle, 1,000 saved games: %.1f ms of CPU in %.1f s: %.3f %% of one core\n", c / 1e6, t / 1e9, 100 * c / t }'

latencies=()
for ((i = 1; i <= races; ++i)); do
  sleep "0.$((RANDOM % 10))$((RANDOM % 10))"  # 0 to 0.99 s
  cat "$work/more/$i.gam" >"$work/races/Saves/new-$i.gam"
  written=$(now)
  deadline=$((written + 10000000000))
  until [ "$(wc -l <"$work/lines")" -ge "$i" ]; do
    [ "$(now)" -lt "$deadline" ] || { echo "race $i not shown within 10 s" >&2; cat "$work/err" >&2; exit 1; }
    sleep 0.01
  done
  shown=$(sed -n "${i}p" "$work/lines" | cut -d' ' -f1)
  latencies+=($(((shown - written) / 1000000)))
  sleep 1.3  # the race's own settling over before the next one
done
printf '%s\n' "${latencies[@]}" | sort -n | awk '{ v[NR] = $1; s += $1 }
  END { printf "last write to its line, %d races: median %d ms, mean %.0f ms, min %d ms, max %d ms\n",
        NR, v[int((NR + 1) / 2)], s / NR, v[1], v[NR] }'
exec 3>&-
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
wait "$pid" && echo "ended with status 0 at the end of its input"
pid=
