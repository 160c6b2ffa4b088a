#!/usr/bin/env bash
# The main job: builds kmxcore and runs the example program against the
# simulated cameras.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j "${KMX_JOBS:-2}" --target kmx_example
build/default/bin/kmx_example "$@"
