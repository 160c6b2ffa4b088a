#include "image/image_info.h"

Cimage_info::~Cimage_info() = default;
