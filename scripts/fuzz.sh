#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang in build-fuzz/ and runs each one
# for the given number of seconds (default 60), all at once, one process
# each. Usage: scripts/fuzz.sh [SECONDS] [HARNESS...]
# Crashes, leaks and hangs are saved as build-fuzz/artifacts/<harness>/crash-*
# (or leak-*, timeout-*). The corpora live in the tree, fuzz/corpus/<harness>/,
# so that every run continues from the last; each is minimised at the end of
# a run, and fuzz/runs.log gets a line per harness and run: the date, the
# executions, libFuzzer's coverage counters (cov, ft) and the corpus size.
# FUZZ_SANITIZERS=undefined builds without AddressSanitizer in
# build-fuzz-undefined/ (faster, for long runs); FUZZ_JOBS=N runs N
# processes of each harness on one shared corpus.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
sanitizers="${FUZZ_SANITIZERS:-address,undefined}"
jobs="${FUZZ_JOBS:-1}"
build="$root/build-fuzz"
[ "$sanitizers" = "address,undefined" ] || build="$root/build-fuzz-${sanitizers//,/-}"
seconds="${1:-60}"
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(fuzz_pointfile fuzz_tinfile fuzz_conversion)

mkdir -p "$build"
echo "fuzz: configuring and building in $build"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANE_FUZZ=ON \
  -DVELTRANE_BUILD_GUI=OFF -DVELTRANE_BUILD_BENCH=OFF -DVELTRANE_FUZZ_SANITIZERS="$sanitizers" > "$build/configure.log" 2>&1 || {
  cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j"$(nproc)" --target "${harnesses[@]}" > "$build/build.log" 2>&1 || {
  tail -n 60 "$build/build.log"; exit 1; }

echo "fuzz: writing seed corpora"
python3 "$root/fuzz/make_corpus.py" "$build/seeds"

# Longest input each harness is given, bytes: the conversion takes four files.
max_len() { case "$1" in fuzz_conversion) echo 16384 ;; *) echo 8192 ;; esac; }

pids=()
logs=()
for h in "${harnesses[@]}"; do
  mkdir -p "$root/fuzz/corpus/$h" "$build/artifacts/$h"
  for ((j = 1; j <= jobs; ++j)); do
    log="$build/$h.log"
    [ "$jobs" -eq 1 ] || log="$build/$h.$j.log"
    echo "fuzz: running $h for ${seconds}s (log: $log)"
    "$build/fuzz/$h" "$root/fuzz/corpus/$h" "$build/seeds/$h" \
      -max_total_time="$seconds" -max_len="$(max_len "$h")" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/$h/" > "$log" 2>&1 &
    pids+=($!)
    logs+=("$h $log")
  done
done

failed=0
declare -A runs=() status=() cov=()
for i in "${!pids[@]}"; do
  read -r h log <<< "${logs[$i]}"
  wait "${pids[$i]}" || { status[$h]=FAILED; failed=1; }
  n="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)"
  runs[$h]=$(( ${runs[$h]:-0} + n ))
done
for h in "${harnesses[@]}"; do
  # The corpus without the inputs that add no coverage, and the counters it reaches.
  corpus="$root/fuzz/corpus/$h"
  merged="$build/merged/$h"
  rm -rf "$merged" && mkdir -p "$merged"
  if "$build/fuzz/$h" -merge=1 "$merged" "$corpus" -max_len="$(max_len "$h")" -timeout=10 \
       > "$build/$h.merge.log" 2>&1; then
    rm -rf "$corpus" && mv "$merged" "$corpus"
  fi
  cov[$h]="$("$build/fuzz/$h" -runs=0 -max_len="$(max_len "$h")" "$corpus" 2>&1 |
    grep -o 'cov: [0-9]* ft: [0-9]*' | tail -n 1)"
  found="$(find "$build/artifacts/$h" -type f | wc -l)"
  inputs="$(find "$corpus" -type f | wc -l)"
  echo "fuzz: $h: ${status[$h]:-ok}, ${runs[$h]} executions in $jobs process(es), ${cov[$h]:-no counters}," \
    "$inputs corpus inputs, $found crash/leak/timeout file(s)"
  echo "$(date -u +%Y-%m-%dT%H:%MZ) $h sanitizers=$sanitizers executions=${runs[$h]} ${cov[$h]} corpus=$inputs" \
    "crashes=$found" >> "$root/fuzz/runs.log"
done
exit "$failed"
