#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The main job: builds kmxcore and its capture tool, then takes pictures
# from the simulated camera: an 8-bit PNG and a 16-bit TIFF (a 12-bit deep
# average), with their statistics, and a raw colour frame as DNG with its
# provenance beside it. Files land in out/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j "${KMX_JOBS:-2}" --target kmxcap kmx_example
bin=build/default/bin
mkdir -p out

"$bin/kmx_example"
echo
"$bin/kmxcap" list
echo
"$bin/kmxcap" controls --camera 2
echo
"$bin/kmxcap" snap --out out/frame.png --stats
"$bin/kmxcap" average 16 --out out/average.png --stats
"$bin/kmxcap" deep-average 8 --depth 12 --out out/deep.tif --stats
"$bin/kmxcap" snap --overlay crosshair --out out/crosshair.png
"$bin/kmxcap" snap --camera 2 --raw --out out/raw.dng --sidecar
echo "pictures written to out/"
