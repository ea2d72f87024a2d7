#!/usr/bin/env bash
# check-package.sh DEB: the Debian package holds the program and what the
# desktop needs (its file types known from the packaged files alone), and
# depends on the libraries and the fonts it uses.
set -euo pipefail
deb=$1
status=0
fail() { echo "FAIL: $*"; status=1; }
contents=$(dpkg-deb -c "$deb")
for file in usr/bin/vxanalyser usr/share/applications/vxanalyser.desktop \
            usr/share/mime/packages/vxanalyser.xml usr/share/man/man1/vxanalyser.1 \
            usr/share/icons/hicolor/scalable/apps/vxanalyser.svg \
            usr/share/icons/hicolor/48x48/mimetypes/application-x-vxanalyser-lap.png \
            usr/share/icons/hicolor/scalable/mimetypes/application-x-vxanalyser-lap.svg \
            usr/share/vxanalyser/samples/Saves/demo.gam; do
  grep -q " \./$file\$" <<<"$contents" || fail "$file not in the package"
done
# The lap file type as the package brings it: the desktop's MIME database
# built from the packaged files alone knows a lap file, and the packaged
# menu entry offers the analyser for it.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
share=$unpacked/usr/share
xmllint --noout "$share/mime/packages/vxanalyser.xml" || fail "the packaged MIME file is not valid XML"
update-mime-database "$share/mime" >/dev/null 2>&1 || fail "update-mime-database refused the packaged MIME file"
cp "$(dirname "$0")/friend.vxlap" "$unpacked/friend.vxlap"
type=$(XDG_DATA_HOME=/nonexistent XDG_DATA_DIRS="$share" mimetype -b "$unpacked/friend.vxlap")
[ "$type" = application/x-vxanalyser-lap ] || fail "the package's type of a lap file is $type"
grep -q '^MimeType=.*application/x-vxanalyser-lap;' "$share/applications/vxanalyser.desktop" ||
  fail "the packaged menu entry does not open lap files"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libjpeg62-turbo fonts-liberation fonts-dejavu-core; do
  grep -q "\b$package\b" <<<"$depends" || fail "no dependency on $package ($depends)"
done
[ $status -eq 0 ] && echo "$deb: $(stat -c %s "$deb") bytes; depends on $depends"
exit $status
