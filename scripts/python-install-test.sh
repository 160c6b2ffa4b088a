#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The Python package as a user installs it: `pip install .` into a fresh
# virtual environment that sees Debian's numpy and pytest (nothing is
# downloaded: --no-build-isolation --no-index), then, away from the source
# tree, the import, the pytest suite and the example script against the
# installed package and the libraries it carries.
#   KMX_JOBS  parallel build jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
work=$(mktemp -d "${TMPDIR:-/tmp}/kmxcore-python.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() { echo "python-install-test: $*" >&2; exit 1; }

/usr/bin/python3 -m venv --system-site-packages "$work/venv"
python=$work/venv/bin/python
# setuptools builds under build/ (build/temp.*/cmake is the CMake build).
"$python" -m pip install --quiet --no-build-isolation --no-index .

cd "$work"
version=$("$python" -c "import kmxcore; print(kmxcore.__version__)")
expected=$(sed -n 's/^project(kmxcore VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
[ "$version" = "$expected" ] || fail "import kmxcore gave version '$version', not $expected"
location=$("$python" -c "import kmxcore; print(kmxcore.__file__)")
[[ $location == "$work/venv/"* ]] || fail "kmxcore imported from $location, not the venv"
package=$(dirname "$location")
echo "python: kmxcore $version installed in $package"
# Read whole before grep looks: grep -q stops early, which would fail the
# pipe (pipefail) with ldd's broken pipe.
loads=$(ldd "$package"/_kmxcore*.so)
grep -q "$package/libkmxcore.so.0" <<<"$loads" ||
    fail "the installed extension does not load the kmxcore beside it"
# As ctest runs them: on the simulator, and on kmxaravis' fake camera
# where the package carries kmxaravis.
export KMX_CAMERA_LIBRARY=sim
if compgen -G "$package/libkmxaravis.so*" >/dev/null; then export KMX_HAVE_ARAVIS=1; fi
"$python" -m pytest -q -p no:cacheprovider "$source/tests/python"
"$python" "$source/examples/python/photon_transfer.py" | tail -1
