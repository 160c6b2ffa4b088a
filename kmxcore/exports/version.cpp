// SPDX-License-Identifier: Apache-2.0
// The library's own version, as built.
#include "kmxcore/version.h"

extern "C" const char* kmxcore_version(void) { return KMXCORE_VERSION_STRING; }
