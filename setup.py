# SPDX-License-Identifier: Apache-2.0
"""Builds the extension of the Python package with the project's CMake.

setuptools knows the package and its metadata (pyproject.toml); this file
adds the version, read from CMakeLists.txt, and a build_ext that configures
the project without tests, benchmarks or tools, builds the extension (and
the libraries it loads), and installs CMake's component "python" into the
package: the extension and the shared libraries beside it, so that the
installed package needs nothing from the build tree.

    KMX_JOBS   parallel build jobs (default 2)
"""

import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(kmxcore VERSION ([0-9.]+)", text).group(1)


class BuildWithCMake(build_ext):
    def build_extension(self, ext):
        package = pathlib.Path(self.get_ext_fullpath(ext.name)).resolve().parent
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        run = lambda *args: subprocess.run(["cmake", *args], check=True)
        run("-S", str(ROOT), "-B", str(build), *generator,
            "-DCMAKE_BUILD_TYPE=Release",
            f"-DPython3_EXECUTABLE={sys.executable}",
            "-DKMX_BUILD_TESTS=OFF", "-DKMX_BUILD_BENCH=OFF", "-DKMX_BUILD_APPS=OFF",
            "-DKMX_PYTHON_INSTALL_DIR=.")
        run("--build", str(build), "-j", os.environ.get("KMX_JOBS", "2"), "--target", "_kmxcore")
        run("--install", str(build), "--component", "python", "--prefix", str(package))


setup(version=project_version(),
      ext_modules=[Extension("kmxcore._kmxcore", sources=[])],
      cmdclass={"build_ext": BuildWithCMake})
