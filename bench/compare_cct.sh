#!/usr/bin/env bash
# Times veltrane-convert against PROJ's cct (tinshift over the same network)
# on the same generated points, in one run of this script, and checks the
# speed and memory targets:
#   1. veltrane-convert / cct on 1,000,000 points with the sample network <= 0.3
#   2. the same points with a 20,000-point network: <= 1.5 x the sample time
#   3. buildDelaunayTin on 100,000 points (bench_core): < 0.3 s
#   4. peak memory of veltrane-convert on 1, 4 and 10 million points (from a
#      file, and the largest also from standard input): <= 150 MB each
#   5. the same points in UTM zone 10 metres with --crs EPSG:26910: <= 1.5 x
#      the time of the run in degrees
#   6. the same points read with --columns, and with --header: <= 1.3 x the
#      default layout's time
#
# Usage: bench/compare_cct.sh [BUILD_DIR] [WORK_DIR]
#   BUILD_DIR  build tree with veltrane-convert, veltrane-datagen and
#              bench_core (default: build)
#   WORK_DIR   folder for the generated files (default: a new temporary one,
#              removed at the end); give one on a fast disk to time the
#              programs rather than the disk
# Environment: POINTS (default 1000000), NETWORK (default 20000),
#              RUNS (timed runs of each program, the fastest counts; default 3),
#              MEMORY_POINTS (sizes of the memory check; default "1000000
#              4000000 10000000"; the 10 M file takes about 530 MB of disk).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
points=${POINTS:-1000000}
network=${NETWORK:-20000}
runs=${RUNS:-3}
memory_points=${MEMORY_POINTS:-1000000 4000000 10000000}

convert=$build/command/veltrane-convert
datagen=$build/tools/datagen/veltrane-datagen
bench_core=$build/bench/bench_core
for program in "$convert" "$datagen" "$bench_core"; do
    [[ -x $program ]] || { echo "missing $program: build it first" >&2; exit 2; }
done
command -v cct >/dev/null || { echo "PROJ's cct is not installed (Debian: proj-bin)" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is not installed (Debian: time)" >&2; exit 2; }

if [[ -n ${2:-} ]]; then
    work=$2
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
sample=$work/sample
dense=$work/dense
mkdir -p "$sample"
cp "$here"/data/TARVONA_NAD83_CORS96_CONTROL.csv "$here"/data/TARVONA_NAD83_CORS96a_CONTROL.csv \
    "$here"/data/TARVONA_TIN_CONTROL.obj "$sample"/

echo "Generating $points points and a $network-point network in $work"
"$datagen" --large "$points" "$work/points.csv"
"$datagen" --network "$network" "$dense"
# cct reads blank-separated columns: longitude, latitude, height.
grep -v '^#' "$work/points.csv" | tr ',' ' ' | cut -d' ' -f1-3 > "$work/points.txt"
"$convert" -q --workdir "$sample" --export-tinshift "$work/network.json" "$work/points.csv"
# The same points in UTM zone 10 (PROJ's own projection), for --crs.
cct -d 4 +proj=utm +zone=10 +ellps=GRS80 "$work/points.txt" | awk '{ print $1 "," $2 "," $3 }' |
    paste -d, - <(grep -v '^#' "$work/points.csv" | cut -d, -f4) > "$work/points_utm.csv"

# Fastest of $runs runs: prints "seconds peak-kilobytes cpu-seconds" (the
# processor time, user and system, of the fastest run: on a machine shared
# with other work it tells what the wall time cannot).
timed() {
    local best="" best_kb=0 best_cpu="" line wall kb cpu
    for ((i = 0; i < runs; i++)); do
        line=$(/usr/bin/time -f "%e %M %U %S" "$@" 2>&1 >/dev/null | tail -n 1)
        read -r wall kb user system <<< "$line"
        cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
        if [[ -z $best ]] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$wall
            best_cpu=$cpu
        fi
        best_kb=$(( kb > best_kb ? kb : best_kb ))
    done
    echo "$best $best_kb $best_cpu"
}

read -r t_veltrane kb_veltrane cpu_veltrane < <(timed "$convert" --workdir "$sample" "$work/points.csv")
read -r t_cct kb_cct cpu_cct < <(timed sh -c "cct -d 12 +proj=tinshift +file='$work/network.json' '$work/points.txt' > '$work/cct_out.txt'")
read -r t_dense kb_dense cpu_dense < <(timed "$convert" --workdir "$dense" "$work/points.csv")
read -r t_utm kb_utm cpu_utm < <(timed "$convert" --workdir "$sample" --crs EPSG:26910 "$work/points_utm.csv")
{ echo "lon,lat,h,id"; grep -v '^#' "$work/points.csv"; } > "$work/points_header.csv"
read -r t_columns _ cpu_columns < <(timed "$convert" --workdir "$sample" --columns x,y,h,id "$work/points.csv")
read -r t_header _ cpu_header < <(timed "$convert" --workdir "$sample" --header "$work/points_header.csv")
delaunay_ms=$("$bench_core" --benchmark_filter='BM_BuildDelaunayTin/100000$' --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
    awk -F, '/_median"?,/ { print $3; exit }')
delaunay_ms=${delaunay_ms:-nan}

# Peak memory and time at each size, the largest also from standard input.
declare -A peak_kb peak_s
largest=0
for n in $memory_points; do
    (( n > largest )) && largest=$n
done
for n in $memory_points; do
    file=$work/points.csv
    if (( n != points )); then
        file=$work/memory_$n.csv
        "$datagen" --large "$n" "$file"
    fi
    read -r peak_s[$n] peak_kb[$n] _ < <(runs=1 timed "$convert" -q --workdir "$sample" "$file")
    if (( n == largest )); then
        line=$(/usr/bin/time -f "%e %M" sh -c "'$convert' -q --workdir '$sample' - < '$file' > /dev/null" 2>&1 | tail -n 1)
        peak_s[stdin]=${line% *}
        peak_kb[stdin]=${line#* }
    fi
    [[ $file == "$work/points.csv" ]] || rm -f "$file" "${file%.csv}_out.csv"
done
verdict() { awk -v v="$1" -v limit="$2" 'BEGIN { print (v <= limit ? "met" : "MISSED") }'; }
ratio=$(awk -v a="$t_veltrane" -v b="$t_cct" 'BEGIN { printf "%.3f", a / b }')
cpu_ratio=$(awk -v a="$cpu_veltrane" -v b="$cpu_cct" 'BEGIN { printf "%.3f", a / b }')
dense_ratio=$(awk -v a="$t_dense" -v b="$t_veltrane" 'BEGIN { printf "%.3f", a / b }')
utm_ratio=$(awk -v a="$t_utm" -v b="$t_veltrane" 'BEGIN { printf "%.3f", a / b }')
utm_cpu_ratio=$(awk -v a="$cpu_utm" -v b="$cpu_veltrane" 'BEGIN { printf "%.3f", a / b }')
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
delaunay_s=$(awk -v m="$delaunay_ms" 'BEGIN { printf "%.3f", m / 1000 }')

echo
echo "points: $points, fastest of $runs runs, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-46s %8s s  (processor %s s)\n' "veltrane-convert, sample network (250)" "$t_veltrane" "$cpu_veltrane"
printf '%-46s %8s s  (processor %s s)\n' "cct -d 12 +proj=tinshift, same network" "$t_cct" "$cpu_cct"
printf '%-46s %8s s  (processor %s s)\n' "veltrane-convert, network of $network" "$t_dense" "$cpu_dense"
printf '%-46s %8s s  (processor %s s)\n' "veltrane-convert --crs EPSG:26910, sample" "$t_utm" "$cpu_utm"
printf '%-46s %8s MB\n' "cct peak memory" "$(mb "$kb_cct")"
echo
echo "1. veltrane/cct            $ratio  (target <= 0.3: $(verdict "$ratio" 0.3)); processor time $cpu_ratio"
echo "2. $network-network/sample  $dense_ratio  (target <= 1.5: $(verdict "$dense_ratio" 1.5))"
echo "3. Delaunay 100,000 points $delaunay_s s  (target < 0.3 s: $(verdict "$delaunay_s" 0.2999))"
columns_ratio=$(awk -v a="$t_columns" -v b="$t_veltrane" 'BEGIN { printf "%.3f", a / b }')
header_ratio=$(awk -v a="$t_header" -v b="$t_veltrane" 'BEGIN { printf "%.3f", a / b }')
echo "4. peak memory (target <= 150 MB each):"
for n in $memory_points; do
    printf '   %9d points from a file:      %7s MB in %6s s  (%s)\n' "$n" "$(mb "${peak_kb[$n]}")" "${peak_s[$n]}" \
        "$(verdict "$(mb "${peak_kb[$n]}")" 150)"
done
printf '   %9d points from standard input: %7s MB in %6s s  (%s)\n' "$largest" "$(mb "${peak_kb[stdin]}")" \
    "${peak_s[stdin]}" "$(verdict "$(mb "${peak_kb[stdin]}")" 150)"
echo "5. --crs EPSG:26910/degrees $utm_ratio  (target <= 1.5: $(verdict "$utm_ratio" 1.5)); processor time $utm_cpu_ratio"
echo "6. --columns/default       $columns_ratio  ($t_columns s, processor $cpu_columns s; target <= 1.3: $(verdict "$columns_ratio" 1.3))"
echo "   --header/default        $header_ratio  ($t_header s, processor $cpu_header s; target <= 1.3: $(verdict "$header_ratio" 1.3))"
