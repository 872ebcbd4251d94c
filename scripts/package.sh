#!/usr/bin/env bash
# Builds the Debian packages of Veltrane into build/ (or the folder given as
# $1) and prints their file names. Install with: apt install ./build/<name>...
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"

"$root/scripts/setup.sh" --package
echo "package: configuring in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$build.configure.log" 2>&1 || {
  cat "$build.configure.log"; exit 1; }
echo "package: compiling what the package holds (log: $build.build.log)"
if ! cmake --build "$build" --target veltrane_package_contents -j"$(nproc)" > "$build.build.log" 2>&1; then
  tail -n 60 "$build.build.log"
  echo "package: build FAILED"
  exit 1
fi
echo "package: running cpack"
(cd "$build" && cpack -G DEB -B "$build" > "$build.cpack.log" 2>&1) || {
  cat "$build.cpack.log"; echo "package: cpack FAILED"; exit 1; }
debs="$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' "$build.cpack.log")"
if [ -z "$debs" ]; then
  cat "$build.cpack.log"; echo "package: cpack named no package"; exit 1
fi
echo "$debs"
