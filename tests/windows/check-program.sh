#!/usr/bin/env bash
# The Windows program as Explorer and a console meet it:
#   tests/windows/check-program.sh WINDOWS_BUILD
# its resources read back from the .exe (the icon at 16, 32, 48 and 256
# pixels, the version the build gave it, the manifest), and the console
# companion vxanalyser.com: a console program that passes the words as typed
# (spaces, accents), the output and the exit status of the .exe. Needs Wine
# and a display for Wine's windows.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$1
exe=$build/vxanalyser.exe
com=$build/vxanalyser.com
wine="${VX_WINE:-/usr/lib/wine/wine64}"
export LC_ALL=C.UTF-8  # the accented names below reach Wine as UTF-8
# Nothing of the check lands outside the Wine prefix: no menu entries or file
# types exported to this desktop.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version=$(cache CMAKE_PROJECT_VERSION)
publisher=$(cache VX_PUBLISHER)

for program in "$exe" "$com"; do
  name=$(basename "$program")
  # The icon group 1 (the window class asks for it) with its four sizes.
  wrestool -x --type=group_icon --name=1 -o "$work/$name.ico" "$program" 2>/dev/null ||
    fail "$name: no icon group 1"
  sizes=$(icotool -l "$work/$name.ico" 2>/dev/null | sed -n 's/.*--width=\([0-9]*\).*--bit-depth=32.*/\1/p' |
          sort -n | tr '\n' ' ')
  [ "$sizes" = "16 32 48 256 " ] || fail "$name: icon sizes '$sizes', not 16 32 48 256 in 32 bits"

  # The version: the numbers Explorer's Details show, and the texts.
  wrestool -x --raw --type=version "$program" >"$work/$name.version" 2>/dev/null || true
  hex=$(od -An -tx1 -v "$work/$name.version" | tr -d ' \n')
  if [[ $hex != *bd04effe* ]]; then
    fail "$name: no version"
  else
    fixed=${hex#*bd04effe}  # VS_FIXEDFILEINFO after its signature
    word() { echo $((16#${fixed:$1+2:2}${fixed:$1:2})); }
    numbers="$(word 12).$(word 8).$(word 20)"  # major.minor.patch of the file version
    [ "$numbers" = "$version" ] || fail "$name: file version $numbers, the build's is $version"
  fi
  texts=$(iconv -f UTF-16LE -t UTF-8 <"$work/$name.version" | tr '\0' '\n')
  for field in "ProductName vxanalyser" "FileVersion $version" "ProductVersion $version" \
               "CompanyName $publisher" "OriginalFilename $name" "LegalCopyright Copyright © 2026 $publisher"; do
    key=${field%% *} value=${field#* }
    grep -a -A3 "$key\$" <<<"$texts" | grep -aqxF "$value" || fail "$name: $key is not '$value'"
  done

  # The manifest: well formed, visual styles, the monitor's scale, long paths,
  # Windows 10 and 11.
  wrestool -x --raw --type=24 --name=1 "$program" >"$work/$name.manifest" 2>/dev/null || true
  xmllint --noout "$work/$name.manifest" 2>/dev/null || fail "$name: the manifest is not well-formed XML"
  for declared in 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' '>PerMonitorV2' \
                  '>true</longPathAware>' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' 'level="asInvoker"'; do
    tr -s ' \n' ' ' <"$work/$name.manifest" | grep -qF "$declared" || fail "$name: the manifest lacks $declared"
  done
done

# Explorer starts the .exe without a console; a console finds the .com.
subsystem() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^Subsystem.*(\(.*\))$/\1/p'; }
[ "$(subsystem "$exe")" = "Windows GUI" ] || fail "vxanalyser.exe is not a window program"
[ "$(subsystem "$com")" = "Windows CUI" ] || fail "vxanalyser.com is not a console program"

# The companion returns the program's exit status and says why: 3 for a
# missing file.
set +e
"$wine" "$com" report samples/Saves/none.gam >"$work/out" 2>"$work/err"
code=$?
set -e
[ "$code" = 3 ] || fail "vxanalyser.com report of a missing file: exit status $code, not 3"
grep -q 'Saved game not found: samples/Saves/none.gam' "$work/err" || fail "vxanalyser.com: no reason on stderr ($(cat "$work/err"))"
# Typed in cmd, "vxanalyser" finds the .com beside the .exe: the words come
# in order, before the next command's, and the status reaches cmd.
(cd "$build" && "$wine" cmd /c 'vxanalyser --version & echo next' 2>/dev/null) | tr -d '\r' >"$work/cmd"
printf 'vxanalyser %s\nnext\n' "$version" | diff -q - "$work/cmd" >/dev/null ||
  fail "cmd: vxanalyser --version then echo printed '$(cat "$work/cmd")'"
set +e
(cd "$build" && "$wine" cmd /c 'vxanalyser report none.gam' >/dev/null 2>&1)
code=$?
set -e
[ "$code" = 3 ] || fail "cmd /c vxanalyser report of a missing file: exit status $code, not 3"

# The words as typed reach the .exe: a saved game in a folder with spaces
# and accents, its report through the companion the same as the .exe's.
games="$work/Race Days é/Saves"
mkdir -p "$games" "$work/Race Days é/Tracks"
cp samples/Saves/demo.gam "$games/demo race é.gam"
cp samples/Tracks/*.trk "$work/Race Days é/Tracks/"
"$wine" "$exe" report "$games/demo race é.gam" --json >"$work/exe.json" 2>&1 ||
  fail "vxanalyser.exe report in a folder with spaces and accents: $(cat "$work/exe.json")"
"$wine" "$com" report "$games/demo race é.gam" --json >"$work/com.json" 2>&1 ||
  fail "vxanalyser.com report in a folder with spaces and accents: $(cat "$work/com.json")"
grep -q 'demo race é.gam"' "$work/com.json" || fail "vxanalyser.com: the report does not name 'demo race é.gam'"
cmp -s "$work/exe.json" "$work/com.json" || fail "vxanalyser.com: the report differs from the .exe's"

[ $status -eq 0 ] && echo "vxanalyser.exe and vxanalyser.com: icon 16 32 48 256, version $version, manifest;" \
  "the companion passes words, output and exit status"
exit $status
