#!/usr/bin/env bash
# Builds the Debian packages from a built tree with CPack, unpacks them into
# one temporary root and checks them as an installed system would see them:
# every installed file is there, in its package; the command's package needs
# no window library; the unpacked batch command converts the unpacked sample
# exactly as the build tree's does, and so do the unpacked Python module and
# a program built against the unpacked development files; the window starts;
# the desktop entry, the AppStream metadata and every package pass their
# validators.
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
  echo "FAIL: cpack could not build the packages"
  exit 1
fi
version="$(sed -n '1s/^veltrane (\([^)]*\)).*/\1/p' "$source/packaging/changelog")"
declare -A deb
for name in veltrane veltrane-convert libveltrane1 libveltrane-dev python3-veltrane; do
  deb[$name]="$(ls "$tmp/pkg/${name}_${version}_"*.deb 2>/dev/null || true)"
  if [ -z "${deb[$name]}" ]; then
    echo "FAIL: no package $name among: $(ls "$tmp/pkg")"
    exit 1
  fi
  echo "== $(basename "${deb[$name]}")"
  dpkg-deb --field "${deb[$name]}" Package Version Section Depends Recommends
done

root="$tmp/root"
for name in "${!deb[@]}"; do
  dpkg-deb -x "${deb[$name]}" "$root"
done

echo "== installed files"
sample=usr/share/veltrane/sample
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
module="$(dpkg-deb -c "${deb[python3-veltrane]}" | grep -o 'usr/lib/python3/dist-packages/veltrane\.cpython.*\.so$' || true)"
[ -n "$module" ] || fail "python3-veltrane holds no module in usr/lib/python3/dist-packages"
# package: the files it must hold
expected=(
  "veltrane-convert: usr/bin/veltrane-convert usr/share/man/man1/veltrane-convert.1.gz"
  "veltrane: usr/bin/veltrane $sample/TARVONA_NAD83_CORS96_CONTROL.csv $sample/TARVONA_NAD83_CORS96a_CONTROL.csv
    $sample/TARVONA_TIN_CONTROL.obj $sample/Tarvonamap.jpg $sample/sample_points.csv $sample/survey_20k.csv
    usr/share/applications/veltrane.desktop usr/share/icons/hicolor/scalable/apps/veltrane.svg
    usr/share/icons/hicolor/48x48/apps/veltrane.png usr/share/icons/hicolor/128x128/apps/veltrane.png
    usr/share/icons/hicolor/256x256/apps/veltrane.png usr/share/metainfo/org.example.veltrane.metainfo.xml
    usr/share/man/man1/veltrane.1.gz"
  "libveltrane1: usr/lib/$multiarch/libveltrane.so.1 usr/lib/$multiarch/libveltrane.so.$version.0"
  "libveltrane-dev: usr/include/veltrane/veltrane.h usr/lib/$multiarch/libveltrane.so
    usr/lib/$multiarch/pkgconfig/veltrane.pc usr/lib/$multiarch/cmake/Veltrane/VeltraneConfig.cmake
    usr/lib/$multiarch/cmake/Veltrane/VeltraneConfigVersion.cmake usr/lib/$multiarch/cmake/Veltrane/VeltraneTargets.cmake"
  "python3-veltrane: $module"
)
for entry in "${expected[@]}"; do
  name="${entry%%:*}"
  contents="$(dpkg-deb -c "${deb[$name]}" | awk '{print $6}' | sed 's|^\./||')"
  for f in ${entry#*:} usr/share/doc/$name/copyright usr/share/doc/$name/changelog.gz; do
    grep -qxF "$f" <<< "$contents" || fail "$name does not hold /$f"
  done
done
# The command's package stands alone: no window, sample or window library.
convert_files="$(dpkg-deb -c "${deb[veltrane-convert]}")"
! grep -qE 'usr/bin/veltrane$|usr/share/veltrane/' <<< "$convert_files" || fail "veltrane-convert holds window files"
convert_depends="$(dpkg-deb --field "${deb[veltrane-convert]}" Depends)"
if grep -qE 'libqt5(widgets|opengl)|libgl|libx11|libxcb|veltrane' <<< "$convert_depends"; then
  fail "veltrane-convert depends on a window library or package: $convert_depends"
fi
needed="$(readelf -d "$root/usr/bin/veltrane-convert" | grep NEEDED)"
grep -qE 'Widgets|OpenGL|libGL|libX11' <<< "$needed" && fail "veltrane-convert links a window library: $needed"
grep -q 'libqt5widgets5' <<< "$(dpkg-deb --field "${deb[veltrane]}" Depends)" || fail "veltrane does not depend on Qt Widgets"
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

echo "== unpacked Python module and development files"
unpacked_lib="$root/usr/lib/$multiarch"
run_generate="$tmp/run-build-generate"
module_out="$(LD_LIBRARY_PATH="$unpacked_lib" PYTHONPATH="$root/usr/lib/python3/dist-packages" /usr/bin/python3 -c '
import sys, veltrane
folder = sys.argv[1]
net = veltrane.Network(folder + "/TARVONA_NAD83_CORS96_CONTROL.csv", folder + "/TARVONA_NAD83_CORS96a_CONTROL.csv")
with open(folder + "/sample_points.csv", "rb") as f:
    points = veltrane.read_points(f.read())
sys.stdout.buffer.write(net.header() + net.format(points["ids"], net.convert(points["lon"], points["lat"], points["h"])))
' "$root/$sample" > "$tmp/module_out.csv" && echo ok)" || true
[ "$module_out" = ok ] && cmp "$tmp/module_out.csv" "$run_generate/sample_points_out.csv" ||
  fail "the unpacked module does not convert the sample as the command does"
pc="$unpacked_lib/pkgconfig"
# shellcheck disable=SC2046
c++ -std=c++17 -o "$tmp/convert_points" "$source/lib/example/convert_points.cpp" \
  $(PKG_CONFIG_PATH="$pc" pkg-config --cflags --libs veltrane) || fail "the example does not build with pkg-config"
printf '%s\n' "-122.65049215074,44.54263421388,250.1775,P1" > "$tmp/one.csv"
"$build_convert" --workdir "$root/$sample" -q --no-controlshift -o "$tmp/one_cmd.csv" "$tmp/one.csv"
LD_LIBRARY_PATH="$unpacked_lib" "$tmp/convert_points" "$root/$sample/TARVONA_NAD83_CORS96_CONTROL.csv" \
  "$root/$sample/TARVONA_NAD83_CORS96a_CONTROL.csv" -122.65049215074 44.54263421388 250.1775 > "$tmp/one_lib.csv" &&
  cmp "$tmp/one_lib.csv" "$tmp/one_cmd.csv" || fail "the example built from the packages prints other lines"

echo "== unpacked veltrane starts"
shown="$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/veltrane" --version 2>/dev/null)" || fail "unpacked veltrane --version failed"
echo "$shown"
[ "$shown" = "veltrane $version" ] || fail "veltrane --version printed '$shown'"

echo "== desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/veltrane.desktop" || fail "desktop-file-validate"

echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.veltrane.metainfo.xml" || fail "appstreamcli validate"

echo "== lintian"
# Errors and warnings fail; informational tags are shown but allowed.
for name in "${!deb[@]}"; do
  lintian --allow-root --display-info --fail-on error,warning "${deb[$name]}" || fail "lintian: $name"
done

echo "== package test: $failures failure(s)"
[ "$failures" -eq 0 ]
