#!/usr/bin/env bash
# Installs what building and running need, builds Veltrane and starts it on a
# fresh copy of the sample data with "Points" filled in: "Convert!", then
# "Reset Display", shows the network, the shift vectors and the map. Without
# a display it does that itself under Xvfb, saves a screenshot of the window
# and quits.
#   VELTRANE_RUN_BUILD=DIR  start the program already built in DIR, without
#                           set-up or build
#   VELTRANE_RUN_OUT=DIR    folder of the sample copy and the screenshot
#                           (default: out/ in the tree)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${VELTRANE_RUN_OUT:-$root/out}"

if [ -n "${VELTRANE_RUN_BUILD:-}" ]; then
  build="$VELTRANE_RUN_BUILD"
else
  build="$root/build"
  "$root/scripts/setup.sh"
  # A new build folder leaves out the tests and benchmarks, whose libraries
  # only test.sh installs; one that test.sh configured keeps its settings.
  configure=()
  [ -f "$build/CMakeCache.txt" ] || configure=(-DVELTRANE_BUILD_TESTS=OFF -DVELTRANE_BUILD_BENCH=OFF)
  BUILD_TARGET=veltrane "$root/scripts/build.sh" "$build" "${configure[@]}"
fi
program="$build/app/veltrane"

workdir="$out/sample"
echo "run: copying the sample data to $workdir (the program's working folder)"
rm -rf "$workdir"
mkdir -p "$workdir"
cp -r "$root/data/." "$workdir/"
cd "$workdir"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "run: starting $program; click \"Convert!\", then \"Reset Display\""
  exec "$program" --all-layers "$workdir/sample_points.csv"
fi

shot="$out/veltrane-screenshot.png"
# The file readers' diagnostics (standard output) and the program's messages.
log="$out/veltrane.log"
messages="$out/veltrane-messages.log"
echo "run: no display is available; converting and drawing the sample under Xvfb"
rm -f "$shot"
if ! QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1200x24" \
    "$program" --all-layers --convert --screenshot "$shot" "$workdir/sample_points.csv" \
    > "$log" 2> "$messages"; then
  cat "$messages"
  echo "run: FAILED (the readers' diagnostics are in $log)"
  exit 1
fi
# The program names the converted points and the screenshot.
sed -n 's/^veltrane: /run: /p' "$messages"
