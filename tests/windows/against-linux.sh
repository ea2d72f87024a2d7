#!/usr/bin/env bash
# The Windows program under Wine against the Linux one, on the demo races:
#   tests/windows/against-linux.sh LINUX_BUILD WINDOWS_BUILD
# the same JSON report by its values (paths aside: each system writes its
# own; tests/windows/SameReport.cmake), the same exit statuses, and pictures
# that are the same pixel for pixel outside the text (tools/compare_renders).
# Needs a display for Wine's windows.
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
exit "$failed"
