#!/usr/bin/env bash
# Configures and builds Veltrane in build/ (or the folder given as $1).
# Extra arguments are passed to cmake's configure step; BUILD_TARGET=NAME
# builds only that target and what it needs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
shift || true

echo "build: configuring in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > "$build.configure.log" 2>&1 || {
  cat "$build.configure.log"; exit 1; }
echo "build: compiling (log: $build.build.log)"
target=()
[ -z "${BUILD_TARGET:-}" ] || target=(--target "$BUILD_TARGET")
if ! cmake --build "$build" "${target[@]}" -j"$(nproc)" > "$build.build.log" 2>&1; then
  tail -n 60 "$build.build.log"
  echo "build: FAILED"
  exit 1
fi
echo "build: done"
