#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The install stage: kmxcore as a user gets it, never the build tree.
#   1. installs the default build into a fresh prefix;
#   2. checks that every installed library exports exactly the names
#      cmake/exports.txt lists for it (nm -D), and that every installed
#      header compiles on its own with nothing but the installed tree;
#   3. builds both consumer projects of examples/ against the prefix (CMake
#      package, pkg-config) and runs them;
#   4. makes the Debian packages, checks their names and dependencies, and
#      unpacks them with dpkg -x into a fresh root, where the examples are
#      built and run again and the packaged kmxcap is used. Nothing is
#      installed on this machine: dpkg -i would need root, take the dpkg
#      lock other work shares, and leave files in /usr that later stages
#      could pick up instead of the build tree;
#   5. builds the API reference (the docs target fails on any warning);
#   6. installs the Python package with pip into a fresh virtual
#      environment and tests it there (scripts/python-install-test.sh).
#   KMX_JOBS  parallel build jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
jobs=${KMX_JOBS:-2}
build=$source/build/default
work=$(mktemp -d "${TMPDIR:-/tmp}/kmxcore-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
version=$(sed -n 's/^project(kmxcore VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

step() { printf -- '--- %s\n' "$*"; }
fail() { echo "install-test: $*" >&2; exit 1; }

# Every lib<name>.so.<major> of a library directory exports what the list
# declares for <name>.
check_exports() {
    local libdir=$1 count=0 library name
    for library in "$libdir"/lib*.so.[0-9]; do
        name=$(basename "$library" | sed 's/^lib\(.*\)\.so\.[0-9]*$/\1/')
        cmake -DNM=nm -DLIBRARY="$library" -DSECTION="$name" \
              -DEXPORTS_MODULE="$source/cmake/kmx_exports.cmake" \
              -P "$source/tests/exports/check_exports.cmake"
        count=$((count + 1))
    done
    [ "$count" -gt 0 ] || fail "no libraries in $libdir"
}

# Each installed header on its own, as C++17, and the C headers as C11.
check_headers() {
    local include=$1 header
    local roots
    roots=$(cd "$include" && ls -d kmxcore kmxlib kmxaravis 2>/dev/null)
    for header in $(cd "$include" && find $roots -name '*.h' | sort); do
        printf '#include <%s>\n' "$header" |
            g++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only -I"$include" -x c++ - ||
            fail "$header does not compile on its own"
    done
    for header in kmxcore/kmxcore_c.h kmxcore/camera/kmxlib.h kmxcore/diagnostics.h \
                  kmxcore/version.h kmxcore/win_types.h kmxcore/kmx_export.h \
                  $(cd "$include" && ls kmxlib/kmxlib_dispatch.h kmxaravis/kmxaravis_control.h 2>/dev/null); do
        printf '#include <%s>\n' "$header" |
            gcc -std=c11 -Wall -Wextra -Werror -fsyntax-only -I"$include" -x c - ||
            fail "$header does not compile as C"
    done
}

# Builds both examples against an installed tree (<root><prefix>) and runs
# them; the libraries they load must come from that tree.
build_examples() {
    local root=$1 prefix=$2 out=$3 program
    local libdir=$root$prefix/lib
    cmake -S examples/cmake-consumer -B "$out/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_PREFIX_PATH="$root$prefix" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >/dev/null
    cmake --build "$out/cmake" >/dev/null
    mkdir -p "$out/make"
    PKG_CONFIG_LIBDIR=$libdir/pkgconfig PKG_CONFIG_SYSROOT_DIR=$root \
        make -s -C examples/makefile-consumer OUT="$out/make" >/dev/null
    for program in "$out/cmake/first_frame" "$out/make/first_frame_c"; do
        grep -q "$libdir/libkmxcore.so.0" <<<"$(LD_LIBRARY_PATH=$libdir ldd "$program")" ||
            fail "$program does not load kmxcore from $libdir"
        LD_LIBRARY_PATH=$libdir "$program" | tee "$out/run.txt"
        grep -q "^kmxcore $version" "$out/run.txt" || fail "$program: no version line"
        grep -q "frame, mean" "$out/run.txt" || fail "$program took no frame"
    done
}

step "build and install into a fresh prefix"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
check_exports "$prefix/lib"
check_headers "$prefix/include"
build_examples "" "$prefix" "$work/examples-prefix"

step "Debian packages"
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB >/dev/null)
packages=("$build"/packages/*.deb)
expected=(libkmxcore0 libkmxcore-dev kmxcore-tools)
# kmxaravis comes in a package of its own where Aravis was found.
if [ -e "$build/bin/libkmxaravis.so.0" ]; then expected+=(libkmxcore-aravis0); fi
[ "${#packages[@]}" -eq "${#expected[@]}" ] ||
    fail "expected ${#expected[@]} packages, got ${#packages[@]}"
for package in "${expected[@]}"; do
    deb=$(ls "$build"/packages/${package}_"${version}"_*.deb) || fail "no package $package"
    dpkg-deb -x "$deb" "$work/root"
    echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
done
for package in "${expected[@]:1}"; do
    dpkg-deb -f "$build"/packages/${package}_*.deb Depends | grep -q "libkmxcore0 (= $version)" ||
        fail "$package does not depend on libkmxcore0 $version"
done
check_exports "$work/root/usr/lib"
build_examples "$work/root" /usr "$work/examples-deb"

step "the packaged kmxcap"
kmxcap=$work/root/usr/bin/kmxcap
[ "$("$kmxcap" --version)" = "kmxcap (kmxcore) $version" ] || fail "kmxcap --version"
(cd "$work" && "$kmxcap" snap --out "$work/frame.png" --stats)
[ -s "$work/frame.png" ] || fail "the packaged kmxcap wrote no picture"
status=0
KMX_LOG=camera:warn "$kmxcap" snap --gain 99999 2>"$work/refused.txt" || status=$?
cat "$work/refused.txt"
[ "$status" -eq 4 ] || fail "kmxcap snap --gain 99999 ended with $status, not 4"
grep -q "^kmx camera warn: kmx_set_param(.*, 0, 99999) failed: status 2" "$work/refused.txt" ||
    fail "the failing camera call is not logged"
grep -q "^kmxcap: the camera refused gain index 99999: status 2" "$work/refused.txt" ||
    fail "kmxcap does not name the camera's status"

if [ -e "$work/root/usr/lib/libkmxaravis.so.0" ]; then
    # The installed dispatch finds the installed kmxaravis next to itself.
    (cd "$work" && KMX_CAMERA_LIBRARY=aravis "$kmxcap" snap --out "$work/fake.png")
    [ -s "$work/fake.png" ] || fail "the packaged kmxcap took no picture from the fake camera"
fi

step "API reference"
cmake --build --preset default --target docs
echo "install: reference in $build/docs/html/index.html"

step "the Python package, installed with pip"
scripts/python-install-test.sh
