#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Measures the ratios the README reports and draws their chart: builds the
# default preset's benchmarks, runs the comparisons with OpenCV, the end-to-
# end averaging and the simulator's rendering with repetitions, keeps their
# JSON under build/default/bench, draws the chart (default
# docs/bench-ratios.png) and prints the medians as a Markdown table.
#   KMX_BENCH_REPETITIONS  repetitions of each benchmark (default 5)
#   KMX_BENCH_MIN_TIME     seconds each repetition runs at least (default 0.5)
# The machine should be otherwise quiet; every ratio is measured against a
# baseline in the same loop, so load moves both sides, but less is better.
set -euo pipefail
cd "$(dirname "$0")/.."

chart=${1:-docs/bench-ratios.png}
repetitions=${KMX_BENCH_REPETITIONS:-5}
min_time=${KMX_BENCH_MIN_TIME:-0.5}
out=build/default/bench
programs=(bench_versus_opencv bench_averaging bench_sim_frames)

cmake --preset default >/dev/null
cmake --build --preset default -j "${KMX_JOBS:-2}" --target "${programs[@]}"
mkdir -p "$out"
for program in "${programs[@]}"; do
    echo "bench-report: $program" >&2
    "build/default/bin/$program" --benchmark_repetitions="$repetitions" \
        --benchmark_min_time="$min_time" --benchmark_out="$out/$program.json" \
        --benchmark_out_format=json >/dev/null
done
# The processor, as /proc/cpuinfo names it, with its family and model (a
# virtual machine's name may be generic) and its widest vector extension.
field() { grep -m1 "^$1" /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'; }
widest=baseline
grep -qw avx2 /proc/cpuinfo && widest=AVX2
grep -qw avx512bw /proc/cpuinfo && widest=AVX-512
cpu="$(field 'model name') (family $(field 'cpu family'), model $(field 'model'))"
cpu="$cpu, $(nproc) cores, $widest"
/usr/bin/python3 scripts/bench-chart.py -o "$chart" --cpu "$cpu" "$out"/*.json
