// SPDX-License-Identifier: Apache-2.0
#include "kmxcore/image/image_binfo.h"

Cimage_binfo::~Cimage_binfo() = default;
