#!/usr/bin/env bash
# one-window.sh VXANALYSER GAME: on one display, a saved game opened while a
# window of the program is open loads in that window, and the new start ends
# without a window of its own; a window that ended without closing its
# channel does not keep a later one from taking it over; without a runtime
# folder the channel is in the user's private folder under /tmp.
# Runs under a virtual display (xvfb-run).
set -euo pipefail
vx=$1 game=$2
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
channel=$XDG_RUNTIME_DIR/vxanalyser-$DISPLAY
private=/tmp/vxanalyser-$(id -u)
pids=()
# The private folder stays (other windows of the user may use it); the
# channel of this display goes.
trap '{ kill -KILL "${pids[@]}"; wait; } 2>/dev/null; rm -rf "$work"; rm -f "$private/vxanalyser-$DISPLAY"' EXIT

QT_QPA_PLATFORM=offscreen "$vx" render "$game" --out "$work/expected" >/dev/null

# Starts an empty window; returns once its window is mapped and its channel
# answers.
open_window() {
  "$vx" & pids+=($!)
  window=""
  for _ in $(seq 200); do
    window=$(xdotool search --onlyvisible --pid "${pids[-1]}" 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && [ -S "$channel" ] && return 0
    sleep 0.1
  done
  echo "FAIL: the window did not open"; exit 1
}

# The window's map and lap summary show the game as render draws them,
# within 20 s.
same_as() {  # same_as PICTURE GEOMETRY: the part of the window shown is PICTURE
  convert "$work/shown.png" -crop "$2" +repage "$work/part.png" &&
    [ "$(compare -metric AE "$work/part.png" "$work/expected/$1" null: 2>&1)" = 0 ]
}
expect_game_shown() {
  for _ in $(seq 100); do
    if import -window "$window" "$work/shown.png" 2>/dev/null &&
       same_as map.png 512x560+5+5 && same_as summary.png 480x270+520+295; then
      return 0
    fi
    sleep 0.2
  done
  echo "FAIL: $1: the open window does not show the game"; exit 1
}

# Starts with the game; it must hand the game over and end by itself.
pass_game() {
  timeout 30 "$vx" "$game" || { echo "FAIL: $1: the second start did not end well ($?)"; exit 1; }
  if [ "$(xdotool search --onlyvisible --name . 2>/dev/null | wc -l)" -gt "$(xdotool search --onlyvisible --pid "${pids[-1]}" 2>/dev/null | wc -l)" ]; then
    echo "FAIL: $1: a second window opened"; exit 1
  fi
}

open_window
pass_game "open window"
expect_game_shown "open window"

# The window ends without closing its channel; the next one takes it over.
{ kill -KILL "${pids[-1]}"; wait "${pids[-1]}"; } 2>/dev/null || true
[ -S "$channel" ] || { echo "FAIL: no channel left behind to test"; exit 1; }
open_window
pass_game "after a window was killed"
expect_game_shown "after a window was killed"

# A session without a runtime folder.
{ kill -KILL "${pids[-1]}"; wait "${pids[-1]}"; } 2>/dev/null || true
unset XDG_RUNTIME_DIR
channel=$private/vxanalyser-$DISPLAY
open_window
pass_game "without a runtime folder"
expect_game_shown "without a runtime folder"
[ "$(stat -c %a:%u "$private")" = "700:$(id -u)" ] || { echo "FAIL: $private is not private"; exit 1; }
echo "one window: all checks passed"
