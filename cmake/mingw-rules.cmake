# SPDX-License-Identifier: Apache-2.0
# Naming rules of the Windows build, applied after CMake's own rules for
# mingw-w64 (through CMAKE_USER_MAKE_RULES_OVERRIDE in the toolchain file):
# the DLLs are kmxcore.dll and kmxsim.dll, as programs and LoadLibrary
# expect, not libkmxcore.dll. Import libraries keep the usual
# libkmxcore.dll.a name for the linker.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_SHARED_MODULE_PREFIX "")
