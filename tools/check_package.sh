#!/usr/bin/env bash
# Checks the Debian package built in BUILD_DIR: its file list, the desktop entry and the
# AppStream metadata (desktop-file-validate, appstreamcli), the man page, lintian, and that the
# packaged program runs and carries the function reference.
#   tools/check_package.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: tools/check_package.sh BUILD_DIR}
deb=$(ls "$build"/vorpex_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "no package in $build (run ./dev.sh package)"; exit 1; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "package check: $*"; exit 1; }

expected=(
  ./usr/bin/vorpex
  ./usr/share/applications/org.vorpex.Vorpex.desktop
  ./usr/share/metainfo/org.vorpex.Vorpex.metainfo.xml
  ./usr/share/icons/hicolor/scalable/apps/vorpex.svg
  ./usr/share/man/man1/vorpex.1.gz
  ./usr/share/doc/vorpex/manual.md
)
listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in "${expected[@]}"; do
  grep -qx -- "$path" <<<"$listing" || fail "missing $path"
done
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "Depends lacks the Qt libraries"
dpkg-deb -f "$deb" Recommends | grep -q libqt6svg6 || fail "Recommends lacks the icon's SVG plugin"

dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/org.vorpex.Vorpex.desktop" ||
  fail "desktop entry invalid"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.vorpex.Vorpex.metainfo.xml" ||
  fail "AppStream metadata invalid"
grep -q '^Icon=vorpex$' "$root/usr/share/applications/org.vorpex.Vorpex.desktop" ||
  fail "desktop entry names another icon"
grep -q '^Exec=vorpex %F$' "$root/usr/share/applications/org.vorpex.Vorpex.desktop" ||
  fail "desktop entry does not pass the files to open"
zcat "$root/usr/share/man/man1/vorpex.1.gz" | grep -q '^\.TH VORPEX 1' || fail "man page has no title"
"$root/usr/bin/vorpex" --version | grep -q '^Vorpex Version' || fail "packaged program does not run"
"$root/usr/bin/vorpex" --help-functions CopyFileSect | grep -q '^CopyFileSect：' ||
  fail "packaged program lacks the function reference"
# Debian's own checker: no error and no warning.
lintian --fail-on error,warning --tag-display-limit 0 "$deb" 2>/dev/null ||
  fail "lintian reports the package"
echo "package check: $(basename "$deb") ok"
