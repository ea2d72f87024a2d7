#!/usr/bin/env bash
# check-package.sh DEB: the Debian package holds the program and what the
# desktop needs, and depends on the libraries and the fonts it uses.
set -euo pipefail
deb=$1
status=0
fail() { echo "FAIL: $*"; status=1; }
contents=$(dpkg-deb -c "$deb")
for file in usr/bin/vxanalyser usr/share/applications/vxanalyser.desktop \
            usr/share/mime/packages/vxanalyser.xml usr/share/man/man1/vxanalyser.1 \
            usr/share/icons/hicolor/scalable/apps/vxanalyser.svg \
            usr/share/vxanalyser/samples/Saves/demo.gam; do
  grep -q " \./$file\$" <<<"$contents" || fail "$file not in the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libjpeg62-turbo fonts-liberation fonts-dejavu-core; do
  grep -q "\b$package\b" <<<"$depends" || fail "no dependency on $package ($depends)"
done
[ $status -eq 0 ] && echo "$deb: $(stat -c %s "$deb") bytes; depends on $depends"
exit $status
