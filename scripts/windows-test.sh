#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Cross-builds the 32-bit Windows DLLs and test programs with mingw-w64 and
# runs the whole suite under Wine, headless, in a fresh Wine prefix under
# build/mingw. Needs what scripts/setup.sh installs (mingw-w64 i686 and
# wine with wine32:i386).
#   KMX_JOBS      parallel build and test jobs (default 2)
#   KMX_CTEST_ARGS  extra arguments for ctest (e.g. "-R windows")
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
# Wine version can change the outcome. It is created by the first test
# program (scripts/wine-run.sh), or here when wine-run.sh is asked to run
# nothing.
rm -rf "$prefix" "$prefix.lock"
export WINEPREFIX=$prefix
stop_wine() {
    # Ends only the Wine server (and its programs) of this prefix.
    if [ -d "$prefix" ]; then wineserver -k >/dev/null 2>&1 || true; fi
}
trap stop_wine EXIT

status=0
# shellcheck disable=SC2086
ctest --preset mingw -j "$jobs" ${KMX_CTEST_ARGS:-} || status=$?
echo "windows: build $((built - start)) s, tests $((SECONDS - built)) s"
exit $status
