#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs everything kmxcore needs to build and test on Debian 12, with
# apt-get only: compilers, CMake and Ninja, GoogleTest, Google Benchmark,
# libpng and libtiff for the tools, Aravis for real cameras (with its GigE
# Vision simulator for the tests; pkg-config aravis-0.8 also wants
# libusb-1.0-0-dev), pybind11, numpy and pytest for the Python package,
# OpenCV and matplotlib for the benchmarks, and mingw-w64 with 32-bit Wine
# for the Windows DLL. Safe to run again.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

native=(cmake ninja-build g++ clang libclang-rt-dev pkg-config
        googletest libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libtiff-dev
        libaravis-dev aravis-tools libusb-1.0-0-dev)
# The Python package: pybind11 and Python's headers to build it, numpy and
# pytest to use and test it, venv, pip, setuptools and wheel to install it.
python=(pybind11-dev python3-dev python3-numpy python3-pytest python3-venv python3-pip
        python3-setuptools python3-wheel)
# The benchmarks' reference (OpenCV, never linked into the library) and the
# chart of their ratios.
bench=(libopencv-core-dev libopencv-imgproc-dev python3-matplotlib)
# kmxcap's end-to-end test reads the tool's files back with readers of
# its own: Pillow and NumPy, tiffinfo, and dcraw for the DNG.
tool_readers=(python3-pil python3-numpy libtiff-tools dcraw)
# kmxcap view: its web server and JPEG encoder, and the browser its
# end-to-end test drives (headless Chromium through selenium).
live_view=(libcpp-httplib-dev libturbojpeg0-dev chromium chromium-driver python3-selenium)
# The install stage: the API reference, and the Debian packages (their
# dependencies come from dpkg-shlibdeps, which CPack runs with file).
install_stage=(doxygen dpkg-dev file)
# The -posix mingw-w64 compiler (std::thread needs it); Wine runs headless
# on memory device contexts, but its GDI still wants its own fonts for text.
windows=(g++-mingw-w64-i686 g++-mingw-w64-i686-posix binutils-mingw-w64-i686
         wine wine32:i386 fonts-wine)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${native[@]}" "${python[@]}" "${bench[@]}" "${tool_readers[@]}" "${live_view[@]}" \
    "${install_stage[@]}" "${windows[@]}" >/dev/null
echo "setup: packages installed"
