#!/usr/bin/env bash
# The Windows program under Wine against the Linux one, on the demo races:
#   tests/windows/against-linux.sh LINUX_BUILD WINDOWS_BUILD
# the same JSON report by its values (paths aside: each system writes its
# own; tests/windows/SameReport.cmake), the same exit statuses, and pictures
# that are the same pixel for pixel outside the text (tools/compare_renders);
# a lap exported on either system is the same file, and a race compared
# against it reports and draws the same on both.
# Needs a display for Wine's windows, wider than the comparison window
# (1335 pixels), which a window is cut to: tests/support/on-display.sh 1600x900x24.
set -euo pipefail
cd "$(dirname "$0")/../.."
linux="$1/vxanalyser"
compare="$1/tools/compare_renders"
windows="$2/vxanalyser.exe"
wine="${VX_WINE:-/usr/lib/wine/wine64}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0

run_windows() { "$wine" "$windows" "$@"; }

for game in demo long; do
  QT_QPA_PLATFORM=offscreen "$linux" report "samples/Saves/$game.gam" --json >"$work/linux.json"
  run_windows report "samples/Saves/$game.gam" --json >"$work/windows.json"
  if cmake -DFROM_LINUX="$work/linux.json" -DFROM_WINDOWS="$work/windows.json" -P tests/windows/SameReport.cmake \
     >/dev/null 2>&1
  then
    echo "report --json $game.gam: the same"
  else
    echo "report --json $game.gam: differs"; failed=1
  fi
done

status() { set +e; "$@" >/dev/null 2>&1; echo $?; set -e; }
for args in "report samples/Saves/none.gam" "bogus" "render samples/Saves/demo.gam"; do
  # shellcheck disable=SC2086
  l=$(QT_QPA_PLATFORM=offscreen status "$linux" $args)
  # shellcheck disable=SC2086
  w=$(status run_windows $args)
  if [ "$l" = "$w" ]; then echo "exit status of '$args': $w on both"; else
    echo "exit status of '$args': $l on Linux, $w on Windows"; failed=1; fi
done

for run in "demo 0" "demo 3" "long 0"; do
  set -- $run
  QT_QPA_PLATFORM=offscreen "$linux" render "samples/Saves/$1.gam" --lap "$2" --out "$work/linux-$1-$2"
  run_windows render "samples/Saves/$1.gam" --lap "$2" --out "$work/windows-$1-$2"
  echo "render $1.gam --lap $2:"
  if ! QT_QPA_PLATFORM=offscreen "$compare" "$work/linux-$1-$2" "$work/windows-$1-$2" | sed 's/^/  /'; then
    failed=1
  fi
done
# A lap file from each system: the same bytes; the long race against the
# Linux one, on each system, and against the Windows one on Linux: the same.
QT_QPA_PLATFORM=offscreen "$linux" lap export samples/Saves/demo.gam --out "$work/linux.vxlap" >/dev/null
run_windows lap export samples/Saves/demo.gam --out "$work/windows.vxlap" >/dev/null
if cmp -s "$work/linux.vxlap" "$work/windows.vxlap"; then echo "lap export demo.gam: the same file"; else
  echo "lap export demo.gam: the files differ"; failed=1; fi
same_report() {
  if cmake -DFROM_LINUX="$1" -DFROM_WINDOWS="$2" -P tests/windows/SameReport.cmake >/dev/null 2>&1; then
    echo "$3: the same"; else echo "$3: differs"; failed=1; fi
}
QT_QPA_PLATFORM=offscreen "$linux" report samples/Saves/long.gam --json --against "$work/linux.vxlap" \
  >"$work/linux-against.json"
run_windows report samples/Saves/long.gam --json --against "$work/linux.vxlap" >"$work/windows-against.json"
QT_QPA_PLATFORM=offscreen "$linux" report samples/Saves/long.gam --json --against "$work/windows.vxlap" \
  >"$work/linux-against-windows.json"
grep -q '"reference_file"' "$work/linux-against.json" || { echo "report --against: no reference_file"; failed=1; }
same_report "$work/linux-against.json" "$work/windows-against.json" "report --json long.gam --against Linux's lap"
same_report "$work/linux-against.json" "$work/linux-against-windows.json" \
  "report --json long.gam --against Windows' lap"
QT_QPA_PLATFORM=offscreen "$linux" render samples/Saves/long.gam --compare --against "$work/windows.vxlap" \
  --out "$work/linux-compare"
run_windows render samples/Saves/long.gam --compare --against "$work/linux.vxlap" --out "$work/windows-compare"
echo "render long.gam --compare --against a lap of the other system:"
if ! QT_QPA_PLATFORM=offscreen "$compare" "$work/linux-compare" "$work/windows-compare" | sed 's/^/  /'; then
  failed=1
fi
exit "$failed"
