#!/usr/bin/env bash
# The Windows installer under Wine, in a Wine prefix of its own:
#   tests/windows/check-installer.sh MSI WINDOWS_BUILD
# An older version (the same files, built by wixl as version 0.9.0) is
# installed first and the .msi over it, quietly: one product remains, the
# new version; the older one will not go over it. The files lie in Program Files, the Start menu holds the
# entry, the registry the file types and the uninstall entry; the installed
# program runs --version and report on the demo race; a saved game in a
# folder with spaces and accents opened through its file type loads in the
# window, and a lap file opened the same way is read. Uninstalling removes
# every file and registry value the installers added, and keeps the user's
# games. Needs the staged files of
# scripts/package-windows (WINDOWS_BUILD/package) and a display.
set -euo pipefail
cd "$(dirname "$0")/../.."
msi=$(realpath "$1")
build=$(realpath "$2")
wine="${VX_WINE:-/usr/lib/wine/wine64}"
wineserver="$(dirname "$wine")/wineserver"
export LC_ALL=C.UTF-8  # the accented names below reach Wine as UTF-8
# A prefix made afresh; Wine's export of menu entries and file types to this
# desktop stays off, so that nothing of the check lands outside the prefix.
export WINEPREFIX="$build/wine-install" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
work=$(mktemp -d)
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version=$(cache CMAKE_PROJECT_VERSION)
publisher=$(cache VX_PUBLISHER)
reg() { "$wine" reg query "$@" 2>/dev/null | tr -d '\r'; }
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }
# The value VALUE (or the default, without one) of KEY.
value() {
  if [ $# -eq 2 ]; then reg "$1" /v "$2"; else reg "$1" /ve; fi |
    sed -n 's/^    .*    REG_[A-Z_]*    \(.*\)$/\1/p'
}
# Every file and folder of the prefix's C: drive, every registry key and
# value name, one a line.
snapshot() {
  "$wineserver" -w  # the registry is on disk once the server is done
  (cd "$WINEPREFIX" && find drive_c -printf 'file %y %p\n' && for hive in system.reg user.reg; do
     awk -v hive="$hive" '/^\[/ { key = $0; sub(/\] [0-9]+$/, "]", key); print "key " hive " " key; next }
                          /^[@"]/ { name = $0; sub(/=.*/, "", name); print "value " hive " " key " " name }' "$hive"
   done) | sort >"$1"
}

rm -rf "$WINEPREFIX"
"$wine" cmd /c exit >/dev/null 2>&1
snapshot "$work/before"

# An older version, then this one over it.
(cd "$build/package" && wixl -a x64 -D Version=0.9.0 -D Publisher="$publisher" -o "$work/old.msi" \
   "$OLDPWD/data/windows/vxanalyser.wxs" >/dev/null 2>&1) || fail "wixl could not build version 0.9.0"
"$wine" msiexec /i "$(windows_path "$work/old.msi")" /qn >/dev/null 2>&1 || fail "msiexec /i of version 0.9.0 failed"
"$wine" msiexec /i "$(windows_path "$msi")" /qn >/dev/null 2>&1 || fail "msiexec /i $(basename "$msi") failed"

folder="C:\\Program Files\\vxanalyser"
installed="$WINEPREFIX/drive_c/Program Files/vxanalyser"
for file in vxanalyser.exe vxanalyser.com README.md samples/Saves/demo.gam samples/Tracks/Kestrelvale.trk; do
  [ -f "$installed/$file" ] || fail "$file not installed in Program Files\\vxanalyser"
done
shortcut=$(find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/vxanalyser.lnk' | head -n 1)
if [ -z "$shortcut" ]; then
  fail "no Start menu entry vxanalyser"
elif ! iconv -f UTF-16LE -t UTF-8 "$shortcut" 2>/dev/null | grep -aqF "$folder\\vxanalyser.exe" &&
     ! grep -aqF "$folder\\vxanalyser.exe" "$shortcut"; then
  fail "the Start menu entry does not start $folder\\vxanalyser.exe"
fi

# The file types: their icon, "Open" with the analyser, "Open with".
open="\"$folder\\vxanalyser.exe\" \"%1\""
expect() { [ "$1" = "$2" ] || fail "$3 is '$1', not '$2'"; }
expect "$(value 'HKCR\.gam')" vxanalyser.SavedGame 'HKCR\.gam'
expect "$(value 'HKCR\.trk')" vxanalyser.Track 'HKCR\.trk'
expect "$(value 'HKCR\.vxlap')" vxanalyser.Lap 'HKCR\.vxlap'
expect "$(value 'HKCR\vxanalyser.SavedGame\shell\open\command')" "$open" 'the saved game'"'"'s Open'
expect "$(value 'HKCR\vxanalyser.Lap\shell\open\command')" "$open" 'the lap file'"'"'s Open'
expect "$(value 'HKCR\vxanalyser.Lap\DefaultIcon')" "$folder\\vxanalyser.exe,-2" "the icon of vxanalyser.Lap"
for type in SavedGame Track; do
  expect "$(value "HKCR\\vxanalyser.$type\\DefaultIcon")" "$folder\\vxanalyser.exe,0" "the icon of vxanalyser.$type"
done
reg 'HKCR\.gam\OpenWithProgids' /v vxanalyser.SavedGame >/dev/null || fail "vxanalyser.SavedGame not in .gam's Open with"
reg 'HKCR\.vxlap\OpenWithProgids' /v vxanalyser.Lap >/dev/null || fail "vxanalyser.Lap not in .vxlap's Open with"
expect "$(value 'HKCR\Applications\vxanalyser.exe\shell\open\command')" "$open" "Open with's command"
expect "$(value 'HKLM\Software\RegisteredApplications' vxanalyser)" 'Software\vxanalyser\Capabilities' \
  "the registered application"

# One uninstall entry, of this version and its publisher.
entries=$(reg 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s |
          awk '/^HKEY_/ { key = $0 } /^    DisplayName    REG_SZ    vxanalyser$/ { print key }')
expect "$(grep -c . <<<"$entries" || true)" 1 "the number of uninstall entries named vxanalyser"
entry=$(head -n 1 <<<"$entries")
if [ -n "$entry" ]; then
  expect "$(value "$entry" DisplayVersion)" "$version" "the uninstall entry's version"
  expect "$(value "$entry" Publisher)" "$publisher" "the uninstall entry's publisher"
fi

# An older version over this one stops before it removes anything.
if "$wine" msiexec /i "$(windows_path "$work/old.msi")" /qn >/dev/null 2>&1; then
  fail "version 0.9.0 installed over $version"
fi
[ -f "$installed/vxanalyser.exe" ] || fail "installing version 0.9.0 over $version removed the program"

# The installed program: its version, and the report on its demo race.
said=$("$wine" "$installed/vxanalyser.exe" --version 2>&1 | tr -d '\r') || true
expect "$said" "vxanalyser $version" "the installed vxanalyser.exe --version"
"$wine" "$installed/vxanalyser.com" report "$folder\\samples\\Saves\\demo.gam" >"$work/report" 2>&1 ||
  fail "the installed vxanalyser.com report on the demo race: $(cat "$work/report")"
grep -q '^Saved game .*demo.gam' "$work/report" || fail "the installed program's report names no saved game"

# A double click on a saved game in a folder with spaces and accents: the
# shell runs the file type's command and the window loads the game.
user="$WINEPREFIX/drive_c/users/Public/Race Days é"
mkdir -p "$user/Saves" "$user/Tracks"
cp samples/Saves/demo.gam "$user/Saves/demo race é.gam"
cp samples/Tracks/*.trk "$user/Tracks/"
"$wine" start "C:\\users\\Public\\Race Days é\\Saves\\demo race é.gam" >/dev/null 2>&1 ||
  fail "the shell did not open the saved game"
"$wine" "$build/tests/windows/window_texts.exe" "Loaded " 2>/dev/null | tr -d '\r' >"$work/window" ||
  fail "the window did not load the saved game opened through its file type: $(tr '\n' '|' <"$work/window")"
grep -q '^Loaded demo race é.gam: [0-9]* laps$' "$work/window" ||
  fail "the window does not say it loaded 'demo race é.gam': $(tr '\n' '|' <"$work/window")"
# A lap file opened through its file type, with no race shown: the window
# reads it and says which track to load.
cp tests/install/friend.vxlap "$user/Ada é.vxlap"
"$wine" start "C:\\users\\Public\\Race Days é\\Ada é.vxlap" >/dev/null 2>&1 ||
  fail "the shell did not open the lap file"
"$wine" "$build/tests/windows/window_texts.exe" "Ada é.vxlap is a lap of" 2>/dev/null | tr -d '\r' >"$work/window" ||
  fail "the window did not read the lap file opened through its file type: $(tr '\n' '|' <"$work/window")"
grep -q '^Ada é.vxlap is a lap of Kestrelvale: load a race of Kestrelvale to compare against it$' "$work/window" ||
  fail "the window does not say which track 'Ada é.vxlap' is of: $(tr '\n' '|' <"$work/window")"
snapshot "$work/installed"

"$wine" msiexec /x "$(windows_path "$msi")" /qn >/dev/null 2>&1 || fail "msiexec /x failed"
snapshot "$work/after"
# What the installers added and is still there: no file, no value; no key
# of ours (Windows Installer keeps its own empty folders and keys). The
# user's own stay: the saved game, and the race history the window recorded
# it into.
history_folder='drive_c/users/[^/]*/AppData/Local/vxanalyser'
comm -13 "$work/before" "$work/installed" | comm -12 - "$work/after" |
  grep -E '^file f |^value |vxanalyser|\.gam|\.trk' | grep -v '^file . drive_c/users/Public/Race Days' |
  grep -Ev "^file . $history_folder(/|\$)" >"$work/left" || true
[ -s "$work/left" ] && fail "left behind after uninstalling: $(head -n 20 "$work/left" | tr '\n' '|')"
[ -f "$user/Saves/demo race é.gam" ] || fail "uninstalling removed the user's saved game"
compgen -G "$WINEPREFIX/drive_c/users/*/AppData/Local/vxanalyser/history.sqlite3" >/dev/null ||
  fail "uninstalling removed the user's race history"

[ $status -eq 0 ] && echo "$(basename "$msi"): installed quietly over version 0.9.0 (one entry, $version by $publisher)," \
  "file types and Start menu entry; the installed program ran; a saved game with spaces and accents" \
  "and a lap file opened through their file types; uninstalled without a trace"
exit $status
