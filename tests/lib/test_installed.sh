#!/usr/bin/env bash
# Installs the library's files into a scratch prefix and builds the README's
# example against them twice, with pkg-config and with find_package; each
# build must print the command's lines for the same points.
#   test_installed.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1" source="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
for component in library development; do
  cmake --install "$build" --prefix "$prefix" --component "$component" > /dev/null
done
libdir="$(dirname "$(find "$prefix" -name 'libveltrane.so' | head -n 1)")"
sample="$source/data"
points=(-122.65049215074 44.54263421388 250.1775 -119.13105851567 42.19242618698 1176.1849)
printf '%s,%s,%s,P1\n%s,%s,%s,P2\n' "${points[@]}" > "$work/points.csv"
expected="$("$build/command/veltrane-convert" --workdir "$sample" -q --no-controlshift -o - "$work/points.csv")"

# pkg-config
PKG_CONFIG_PATH="$libdir/pkgconfig" c++ -std=c++17 -o "$work/with-pkg-config" \
  "$source/lib/example/convert_points.cpp" $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs veltrane)
# find_package
cmake -S "$source/lib/example" -B "$work/example" -DCMAKE_PREFIX_PATH="$prefix" > /dev/null
cmake --build "$work/example" > /dev/null

for program in "$work/with-pkg-config" "$work/example/convert_points"; do
  got="$(LD_LIBRARY_PATH="$libdir" "$program" "$sample/TARVONA_NAD83_CORS96_CONTROL.csv" \
    "$sample/TARVONA_NAD83_CORS96a_CONTROL.csv" "${points[@]}")"
  if [ "$got" != "$expected" ]; then
    echo "$program printed:"; echo "$got"; echo "veltrane-convert printed:"; echo "$expected"
    exit 1
  fi
done
# Only the API is exported: no Qt or engine symbol leaks out of the library
# (the standard library's template code the API uses is, as always).
leaks="$(nm -D --defined-only "$libdir/libveltrane.so" | c++filt | grep -E '^[0-9a-f]+ [TWBDVR] ' | cut -d' ' -f3- |
  grep -vE '^((void )?std::|(typeinfo|typeinfo name|vtable) for std::|__bss_start$|_edata$|_end$|_init$|_fini$)' |
  grep -vE '^((typeinfo|typeinfo name|vtable) for )?veltrane::(Network::|Shifts::|Error|libraryVersion|readPoints)' || true)"
if [ -n "$leaks" ]; then
  echo "libveltrane.so exports more than its API:"; echo "$leaks" | head
  exit 1
fi
echo "the example built with pkg-config and with find_package prints the command's lines"
