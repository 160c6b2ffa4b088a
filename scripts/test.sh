#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds and tests kmxcore the way CI does:
#   1. GCC, the whole suite;
#   2. install: the GCC build installed, packaged and used from the
#      installed tree by the examples (scripts/install-test.sh), and the
#      API reference;
#   3. Clang, the whole suite (-Werror on both compilers);
#   4. GCC with AddressSanitizer + UndefinedBehaviorSanitizer (leaks checked);
#   5. Clang with ThreadSanitizer, the threaded tests;
#   6. the 32-bit Windows DLL with mingw-w64, the whole suite under Wine;
#   7. the benchmarks, in a short mode.
# KMX_STAGES picks stages (default: "gcc install clang asan tsan windows bench").
set -euo pipefail
cd "$(dirname "$0")/.."

stages=${KMX_STAGES:-"gcc install clang asan tsan windows bench"}
jobs=${KMX_JOBS:-2}

want() { [[ " $stages " == *" $1 "* ]]; }
banner() { printf '\n=== %s ===\n' "$*"; }

build_and_test() {
    local preset=$1
    banner "$preset: configure, build, test"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
}

if want gcc; then build_and_test default; fi
if want install; then
    banner "install: install, package, examples, reference"
    scripts/install-test.sh
fi
if want clang; then build_and_test clang; fi
if want asan; then build_and_test asan; fi

if want tsan; then
    banner "tsan: threaded tests"
    cmake --preset tsan >/dev/null
    cmake --build --preset tsan -j "$jobs" --target kmx_threaded_tests
    ctest --preset tsan -j "$jobs" -L threaded
fi

if want windows; then
    banner "windows: i686 DLL under Wine"
    scripts/windows-test.sh
fi

if want bench; then
    banner "benchmarks (short)"
    short=build/default/bench-short
    mkdir -p "$short"
    for bench in build/default/bin/bench_*; do
        [ -x "$bench" ] || continue
        "$bench" --benchmark_min_time=0.05 --benchmark_counters_tabular=true \
            --benchmark_out="$short/$(basename "$bench").json" --benchmark_out_format=json
    done
    # The chart script must draw from what they wrote (the README's chart
    # comes from scripts/bench-report.sh, with repetitions).
    /usr/bin/python3 scripts/bench-chart.py -o "$short/bench-ratios.png" "$short"/*.json >/dev/null
fi
