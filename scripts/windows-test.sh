#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Cross-builds the 32-bit Windows DLLs and test programs with mingw-w64 and
# runs the whole suite under Wine, headless, in a fresh Wine prefix under
# build/mingw. Needs what scripts/setup.sh installs (mingw-w64 i686 and
# wine with wine32:i386).
#
# Some Linux machines (sandboxed kernels) cannot execute 32-bit programs at
# all. A tiny 32-bit program is run under Wine first; where the machine
# cannot run it, only the checks that need no Wine run (the DLLs' export
# tables), one line says that the Wine run was skipped and why, and the
# stage passes. Wherever 32-bit programs run, the Wine run is mandatory.
#   KMX_JOBS             parallel build and test jobs (default 2)
#   KMX_CTEST_ARGS       extra arguments for ctest (e.g. "-R windows")
#   KMX_ASSUME_NO_32BIT  1: behave as on a machine that cannot run 32-bit
#                        programs (to see the skip by hand)
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${KMX_JOBS:-2}
build=build/mingw
prefix=$PWD/$build/wineprefix

for tool in i686-w64-mingw32-g++-posix i686-w64-mingw32-objdump wine wineboot wineserver; do
    if ! command -v "$tool" >/dev/null; then
        echo "windows-test: $tool is missing; run scripts/setup.sh" >&2
        exit 1
    fi
done

start=$SECONDS
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$jobs"
built=$SECONDS

# A fresh prefix every run: nothing left from an earlier run or another
# Wine version can change the outcome. The probe below creates it
# (through scripts/wine-run.sh) for the test programs that follow.
rm -rf "$prefix" "$prefix.lock" "$prefix.boot.log"
export WINEPREFIX=$prefix
stop_wine() {
    # Ends only the Wine server (and its programs) of this prefix.
    if [ -d "$prefix" ]; then wineserver -k >/dev/null 2>&1 || true; fi
}
trap stop_wine EXIT

# Why this machine cannot run 32-bit programs, or nothing when it can. A
# probe that fails for any other reason fails the stage: Wine is broken
# where it must work.
no_32bit_reason() {
    if [ "${KMX_ASSUME_NO_32BIT:-0}" = 1 ]; then
        echo "KMX_ASSUME_NO_32BIT=1 says this machine cannot run 32-bit programs"
        return
    fi
    local log=$build/wine_probe.log
    # A file, not a pipe: the Wine server outlives the probe.
    if scripts/wine-run.sh "$build/bin/wine_probe.exe" >"$log" 2>&1 &&
            grep -q "32-bit programs run" "$log"; then
        return
    fi
    if grep -qi "exec format error" "$log"; then
        echo "this kernel cannot execute 32-bit programs (Exec format error)"
        return
    fi
    echo "windows-test: the 32-bit probe failed under Wine:" >&2
    cat "$log" >&2
    exit 1
}

reason=$(no_32bit_reason)
status=0
if [ -n "$reason" ]; then
    ctest --preset mingw -L export_table || status=$?
    echo "windows: Wine run SKIPPED: $reason; the DLLs were cross-built and their export tables checked"
    exit $status
fi

# shellcheck disable=SC2086
ctest --preset mingw -j "$jobs" ${KMX_CTEST_ARGS:-} || status=$?
echo "windows: build $((built - start)) s, tests $((SECONDS - built)) s"
exit $status
