// SPDX-License-Identifier: Apache-2.0
#include "image/image_info.h"

Cimage_info::~Cimage_info() = default;
