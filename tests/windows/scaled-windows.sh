#!/usr/bin/env bash
# The Windows program's windows under Wine at 96, 144 and 192 dots per inch
# (the prefix's LogPixels), each on a virtual screen of its own:
#   tests/windows/scaled-windows.sh SCALED_WINDOW_TEST_EXE
# At 96 the windows are as they always were, pixel for pixel, and follow a
# move to a monitor of twice the scale; at 144 and 192 on a large screen
# (2880 x 1800 for 192: the comparison, 1335 pixels wide, takes 2670 of
# them) they are 1.5 and 2 times as large; at 192 on a 1920 x 1080 screen
# they take the largest scale that fits. Every pixel of a picture box is one of its
# picture's colours (tests/scale/ScaledWindowTest.cpp).
set -euo pipefail
exe="$(realpath "$1")"
wine="${VX_WINE:-/usr/lib/wine/wine64}"
wineserver="$(dirname "$wine")/wineserver"
# A prefix of its own, whose dots per inch these runs change.
export WINEPREFIX="$(dirname "$exe")/wine-dpi"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
failed=0

# run DPI SCREEN [SCALE]
run() {
  echo "== $1 dpi on $2${3:+, scale $3}"
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  # The next start reads the new value: nothing of Wine's may outlive a run.
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w
  if ! xvfb-run -a -s "-screen 0 ${2}x24" "$wine" "$exe" --screen="$2" ${3:+--scale=$3}; then
    failed=1
  fi
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w
}

run 96 2560x1600 1
run 144 2560x1600 1.5
run 192 2880x1800 2
run 192 1920x1080
exit "$failed"
