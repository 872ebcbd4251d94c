#!/usr/bin/env bash
# Builds the Debian package from a built tree with CPack, unpacks it into a
# temporary root and checks it as an installed system would see it: every
# installed file is there, the unpacked batch command converts the unpacked
# sample exactly as the build tree's does, the window starts, and the desktop
# entry, the AppStream metadata and the package pass their validators.
#
# Usage: test_package.sh BUILD_DIR SOURCE_DIR BUILD_TREE_VELTRANE_CONVERT
set -euo pipefail
build="$1"
source="$2"
build_convert="$3"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

echo "== cpack"
if ! (cd "$build" && cpack -G DEB -B "$tmp/pkg" --config "$build/CPackConfig.cmake") > "$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log"
  echo "FAIL: cpack could not build the package"
  exit 1
fi
debs=("$tmp"/pkg/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "FAIL: expected one .deb in $tmp/pkg, found: ${debs[*]}"
  exit 1
fi
deb="${debs[0]}"
echo "package: $(basename "$deb")"
dpkg-deb --field "$deb"

root="$tmp/root"
dpkg-deb -x "$deb" "$root"

echo "== installed files"
sample=usr/share/veltrane/sample
expected=(
  usr/bin/veltrane
  usr/bin/veltrane-convert
  $sample/TARVONA_NAD83_CORS96_CONTROL.csv
  $sample/TARVONA_NAD83_CORS96a_CONTROL.csv
  $sample/TARVONA_TIN_CONTROL.obj
  $sample/Tarvonamap.jpg
  $sample/sample_points.csv
  $sample/survey_20k.csv
  usr/share/applications/veltrane.desktop
  usr/share/icons/hicolor/scalable/apps/veltrane.svg
  usr/share/icons/hicolor/48x48/apps/veltrane.png
  usr/share/icons/hicolor/128x128/apps/veltrane.png
  usr/share/icons/hicolor/256x256/apps/veltrane.png
  usr/share/metainfo/org.example.veltrane.metainfo.xml
  usr/share/man/man1/veltrane.1.gz
  usr/share/man/man1/veltrane-convert.1.gz
  usr/share/doc/veltrane/copyright
  usr/share/doc/veltrane/changelog.gz
)
for f in "${expected[@]}"; do
  [ -f "$root/$f" ] || fail "missing /$f"
done
for f in usr/bin/veltrane usr/bin/veltrane-convert; do
  [ -x "$root/$f" ] || fail "/$f is not executable"
done
# An icon's pixel size must match its hicolor folder.
for size in 48 128 256; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/veltrane.png"
  if [ -f "$png" ] && ! file "$png" | grep -q "PNG image data, $size x $size"; then
    fail "$png is not $size x $size pixels"
  fi
done
# The sample is the source tree's data, unchanged.
for f in "$source"/data/*; do
  cmp -s "$f" "$root/$sample/$(basename "$f")" || fail "installed sample file $(basename "$f") differs from data/"
done

echo "== unpacked veltrane-convert against the build tree's"
for tin in generate file; do
  for who in package build; do
    mkdir -p "$tmp/run-$who-$tin"
    cp "$root/$sample"/* "$tmp/run-$who-$tin/"
  done
  "$root/usr/bin/veltrane-convert" --tin "$tin" --workdir "$tmp/run-package-$tin" \
      "$tmp/run-package-$tin/sample_points.csv" > /dev/null || fail "unpacked veltrane-convert --tin $tin failed"
  "$build_convert" --tin "$tin" --workdir "$tmp/run-build-$tin" \
      "$tmp/run-build-$tin/sample_points.csv" > /dev/null || fail "build tree's veltrane-convert --tin $tin failed"
  for out in sample_points_out.csv controlshift.csv; do
    if [ ! -s "$tmp/run-package-$tin/$out" ]; then
      fail "--tin $tin: the unpacked command wrote no $out"
    elif ! cmp "$tmp/run-package-$tin/$out" "$tmp/run-build-$tin/$out"; then
      fail "--tin $tin: $out differs between the package and the build tree"
    fi
  done
done

echo "== unpacked veltrane starts"
version="$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/veltrane" --version 2>/dev/null)" || fail "unpacked veltrane --version failed"
echo "$version"
[ "$version" = "veltrane $(dpkg-deb --field "$deb" Version)" ] || fail "veltrane --version printed '$version'"

echo "== desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/veltrane.desktop" || fail "desktop-file-validate"

echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.veltrane.metainfo.xml" || fail "appstreamcli validate"

echo "== lintian"
# Errors and warnings fail; informational tags are shown but allowed.
lintian --allow-root --display-info --fail-on error,warning "$deb" || fail "lintian reported errors or warnings"

echo "== package test: $failures failure(s)"
[ "$failures" -eq 0 ]
