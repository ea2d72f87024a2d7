#!/usr/bin/env bash
# check-install.sh BUILD STAGE: installs BUILD into STAGE (DESTDIR, prefix
# /usr) and checks what was installed.
set -euo pipefail
build=$1 stage=$2
rm -rf "$stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
usr=$stage/usr
status=0
fail() { echo "FAIL: $*"; status=1; }

for file in bin/vxanalyser share/applications/vxanalyser.desktop \
            share/mime/packages/vxanalyser.xml share/man/man1/vxanalyser.1 \
            share/icons/hicolor/48x48/apps/vxanalyser.png \
            share/icons/hicolor/scalable/apps/vxanalyser.svg \
            share/icons/hicolor/48x48/mimetypes/application-x-vxanalyser-lap.png \
            share/icons/hicolor/scalable/mimetypes/application-x-vxanalyser-lap.svg \
            share/doc/vxanalyser/README.md share/vxanalyser/samples/Saves/demo.gam \
            share/vxanalyser/samples/Tracks/Kestrelvale.trk; do
  [ -f "$usr/$file" ] || fail "$file not installed"
done

# The menu entry, as the desktop's own checker sees it.
desktop-file-validate "$usr/share/applications/vxanalyser.desktop" || fail "desktop entry refused"

# The file types: valid XML the MIME database takes without a word, and
# saved games and tracks known by name, tracks also by their header alone.
xmllint --noout "$usr/share/mime/packages/vxanalyser.xml" || fail "MIME file is not valid XML"
messages=$(XDG_DATA_DIRS="$usr/share" update-mime-database "$usr/share/mime" 2>&1)
[ -z "$messages" ] || fail "update-mime-database: $messages"
type_of() { XDG_DATA_HOME=/nonexistent XDG_DATA_DIRS="$usr/share" mimetype -b "$1"; }
samples=$usr/share/vxanalyser/samples
cp "$samples/Tracks/Kestrelvale.trk" "$stage/unnamed"
[ "$(type_of "$samples/Saves/demo.gam")" = application/x-vxanalyser-game ] || fail "*.gam type"
[ "$(type_of "$samples/Tracks/Kestrelvale.trk")" = application/x-vxanalyser-track ] || fail "*.trk type"
[ "$(type_of "$stage/unnamed")" = application/x-vxanalyser-track ] || fail "track header type"
# A lap file, written as the writer writes one (docs/lap-file.md,
# friend.vxlap beside this script): known by name, and by its first member
# without one; the menu entry offers the analyser for it.
cp "$(dirname "$0")/friend.vxlap" "$stage/friend.vxlap"
cp "$stage/friend.vxlap" "$stage/unnamed-lap"
[ "$(type_of "$stage/friend.vxlap")" = application/x-vxanalyser-lap ] || fail "*.vxlap type"
[ "$(type_of "$stage/unnamed-lap")" = application/x-vxanalyser-lap ] || fail "lap file type by its format member"
grep -q '^MimeType=.*application/x-vxanalyser-lap;' "$usr/share/applications/vxanalyser.desktop" ||
  fail "the menu entry does not open lap files"

# The manual page renders without a warning.
warnings=$(MANWIDTH=80 man --warnings -l "$usr/share/man/man1/vxanalyser.1" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man: $warnings"

# The installed program reports on the installed demo race as the built one does.
installed=$("$usr/bin/vxanalyser" report "$samples/Saves/demo.gam" --json | sed "s#$samples#SAMPLES#g")
built=$("$build/vxanalyser" report "$samples/Saves/demo.gam" --json | sed "s#$samples#SAMPLES#g")
[ "$installed" = "$built" ] || fail "installed report differs"
grep -q "\"laps\"" <<<"$installed" || fail "installed report has no laps"
version=$(sed -n 's/^project(vxanalyser VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
[ "$("$usr/bin/vxanalyser" --version)" = "vxanalyser $version" ] || fail "installed --version"

[ $status -eq 0 ] && echo "installed files: all checks passed"
exit $status
