#!/usr/bin/env bash
# vxanalyser.com in a console of Wine's, as a user meets it there:
#   tests/windows/console.sh WINDOWS_BUILD
# - follow FOLDER sees a saved game written slowly, piece by piece, settle
#   and prints its race once, whole (the stamps of Windows' file system
#   against the system's clock);
# - Ctrl+C in the console stops follow (exit 0) and history add after the
#   file it is at (exit 130, "stopped by the interrupt key"), as on Linux.
# The key is the console's own event (GenerateConsoleCtrlEvent, by
# console_interrupt.exe). What is asserted is what the program guarantees;
# a writer the machine slowed past the settling time proves nothing about
# half-written files, and says so.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$1
wine="${VX_WINE:-/usr/lib/wine/wine64}"
com=$build/vxanalyser.com
press=$build/tests/windows/console_interrupt.exe
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
# Waits until the file holds the text, at most $3 seconds.
waitfor() {
  for ((i = 0; i < $3 * 10; i++)); do
    grep -qF -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# --- Following a saved game written slowly, then Ctrl+C ----------------------------
# follow --json prints one race per line, its members without spaces.
game=samples/Saves/demo.gam
key=$(sha256sum "$game" | cut -c1-64)
mkdir -p "$work/race/Saves" "$work/race/Tracks"
cp samples/Tracks/*.trk "$work/race/Tracks/"
"$wine" "$press" "$work/follow.out" "$work/follow.err" "\"race_key\":\"$key\"" \
  "$com" follow "$work/race/Saves" --json --no-history >"$work/press.out" 2>&1 &
pressing=$!
if waitfor "$work/follow.err" "following" 120; then
  # Twelve pieces 0.8 s apart: each pause shorter than the second a saved
  # game must stand unchanged, each longer than the three looks a stamp of
  # the wrong epoch would need to pass for settled.
  size=$(stat -c %s "$game")
  pieces=12
  piece=$(((size + pieces - 1) / pieces))
  longest=0
  previous=
  for ((i = 0; i < pieces; i++)); do
    started=$(now_ms)
    dd if="$game" of="$work/race/Saves/demo.gam" bs=$piece skip=$i seek=$i count=1 conv=notrunc status=none
    ended=$(now_ms)
    # How long the file stood between the start of one write and the end of
    # the next: what the follower could have seen unchanged.
    if [ -n "$previous" ] && ((ended - previous > longest)); then longest=$((ended - previous)); fi
    previous=$started
    ((i + 1 < pieces)) && sleep 0.8
  done
  cmp -s "$game" "$work/race/Saves/demo.gam" || fail "the copy differs from $game"
else
  fail "follow did not start: $(cat "$work/follow.err" "$work/press.out" 2>/dev/null)"
fi
wait $pressing || true
grep -q "^Ctrl+C generated" "$work/press.out" || fail "no Ctrl+C for follow: $(cat "$work/press.out")"
grep -qx "exit 0" <(tr -d '\r' <"$work/press.out") ||
  fail "follow after Ctrl+C: $(tr -d '\r' <"$work/press.out" | grep '^exit'), not exit 0"
races=$(grep -c '"race_key"' "$work/follow.out" || true)
grep -qF "\"file\":\"demo.gam\"" "$work/follow.out" && grep -qF "\"race_key\":\"$key\"" "$work/follow.out" ||
  fail "follow did not print the whole race: $(cat "$work/follow.out")"
if ((longest < 980)); then
  [ "$races" = 1 ] || fail "follow printed $races races for one saved game written slowly: $(cat "$work/follow.out")"
  ! grep -q "demo.gam" "$work/follow.err" ||
    fail "follow took the saved game half written: $(cat "$work/follow.err")"
  follow_note="its race printed once (pieces at most ${longest} ms apart)"
else
  follow_note="its race printed; the writer was slowed to ${longest} ms between pieces, so once is not asserted"
fi

# --- Ctrl+C in the middle of history add -------------------------------------------
mkdir -p "$work/many"
head -c 300 /dev/zero | tr '\0' '\356' >"$work/many/0-broken.gam"  # refused first: said at once
cp samples/Tracks/*.trk "$work/many/"
for i in $(seq -w 1 300); do cp "$game" "$work/many/race$i.gam"; done
"$wine" "$press" "$work/add.out" "$work/add.err" "0-broken.gam" \
  "$com" history add "$work/many" --history "$work/history.sqlite3" >"$work/press.out" 2>&1 || true
grep -q "^Ctrl+C generated" "$work/press.out" || fail "no Ctrl+C for history add: $(cat "$work/press.out")"
code=$(tr -d '\r' <"$work/press.out" | sed -n 's/^exit //p')
summary=$(tr -d '\r' <"$work/add.out")
if [ "$code" = 130 ]; then
  [[ $summary == *"; stopped by the interrupt key after "*" of 301 files" ]] ||
    fail "history add stopped by Ctrl+C says '$summary'"
  add_note="history add stopped with 130: $summary"
elif [ "$code" = 3 ]; then
  # Done before the key came: every file taken, the broken one refused.
  [[ $summary == *", refused 1" && $summary != *stopped* ]] || fail "history add ended with 3 saying '$summary'"
  add_note="history add had ended (3, the broken file refused) before the key came"
else
  fail "history add after Ctrl+C: exit $code, not 130 ($summary; $(cat "$work/add.err"))"
fi

[ $status -eq 0 ] && echo "vxanalyser.com in a console: follow saw a saved game written slowly settle," \
  "$follow_note, and ended with 0 at Ctrl+C; $add_note"
exit $status
