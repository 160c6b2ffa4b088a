// SPDX-License-Identifier: Apache-2.0
#include "kmxcore/image/image_info.h"

Cimage_info::~Cimage_info() = default;
