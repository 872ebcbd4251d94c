#!/usr/bin/env bash
# Installs what is missing for building and for the tests, builds Veltrane
# and runs every test headless:
# window and view tests under Xvfb with Mesa's software OpenGL.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"

"$root/scripts/setup.sh" --tests

# The tree's one formatting style (.clang-format), on every C++ file.
echo "test: checking the formatting of the C++ sources"
(cd "$root" && find app bench command engine fuzz lib python report tests tools view widgets -name '*.cpp' -o -name '*.h' |
  sort | xargs clang-format --dry-run -Werror)
# run.sh may have configured the folder without tests and benchmarks.
"$root/scripts/build.sh" "$build" -DVELTRANE_BUILD_TESTS=ON -DVELTRANE_BUILD_BENCH=ON

echo "test: running the test suite under Xvfb (Mesa software OpenGL)"
export LIBGL_ALWAYS_SOFTWARE=1
export QT_QPA_PLATFORM=xcb
cd "$build"
xvfb-run -a -s "-screen 0 1920x1200x24" ctest --output-on-failure --timeout 600 -j2

# Every test again in an AddressSanitizer and UndefinedBehaviorSanitizer
# build, the window and view tests under Xvfb as above; any report fails the
# run. tests/lsan.supp lists the only leaks LeakSanitizer may ignore (memory
# the GL driver and Qt's platform plugins keep until the process ends), and
# tests/asan.supp one false alarm of strict string checks in the platform
# plugin's keyboard library. The sample-data test stays out: its generator
# draws the base map through Qt's offscreen platform plugin, whose screen
# objects are never freed. The recipe tests exercise the GIS tools, not our
# code, and ran above; so does the test of run.sh, whose window code the
# start-up actions test runs here.
asan="$root/build-asan"
echo "test: sanitizer build in $asan (every test, window and view tests under Xvfb)"
"$root/scripts/build.sh" "$asan" -DVELTRANE_SANITIZE=ON -DVELTRANE_BUILD_GUI=ON -DVELTRANE_BUILD_BENCH=OFF
# Mesa unloads its driver when the display closes, before the leak check:
# what the driver still holds then looks leaked, from a library without a
# name. Loading the driver up front keeps it, and its memory, in place; the
# sanitizer runtime then no longer comes first, which it accepts when told.
gl_driver="$(ls /usr/lib/*/dri/swrast_dri.so | head -n 1)"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1"
ASAN_OPTIONS+=":verify_asan_link_order=0:suppressions=$root/tests/asan.supp"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
# No desktop bus under Xvfb: without this the platform theme starts D-Bus
# autolaunch, whose failed connection leaves its read buffer behind.
export DBUS_SESSION_BUS_ADDRESS=disabled:
cd "$asan"
# LeakSanitizer stops every thread of the process with ptrace before it scans
# memory. Now and then, under a loaded machine or a container's ptrace rules,
# it cannot, and the process ends with "LeakSanitizer has encountered a fatal
# error" before any check was made. Such a test is run once more; any other
# failure, or the same one twice, fails the run.
asan_log="$asan/sanitizer-tests.log"
asan_ctest() {
  LD_PRELOAD="$gl_driver" xvfb-run -a -s "-screen 0 1920x1200x24" \
    ctest --output-on-failure --timeout 900 -j2 "$@"
}
if ! asan_ctest -E '^(data_sampledata|app_test_runscript)$' -LE '^recipes$' --output-log "$asan_log"; then
  failed="$(grep -c . Testing/Temporary/LastTestsFailed.log || true)"
  unchecked="$(grep -c 'LeakSanitizer has encountered a fatal error' "$asan_log" || true)"
  if [ "$failed" -eq 0 ] || [ "$unchecked" -lt "$failed" ]; then
    exit 1
  fi
  echo "test: the leak check could not start in $failed test(s); running them once more"
  asan_ctest --rerun-failed
fi
