#!/usr/bin/env bash
# Installs what is missing, builds Veltrane and runs every test headless:
# window and view tests under Xvfb with Mesa's software OpenGL.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"

"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$build"

echo "test: running the test suite under Xvfb (Mesa software OpenGL)"
export LIBGL_ALWAYS_SOFTWARE=1
export QT_QPA_PLATFORM=xcb
cd "$build"
xvfb-run -a -s "-screen 0 1920x1200x24" ctest --output-on-failure --timeout 600 -j2
