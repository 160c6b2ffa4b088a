#include "image/image_binfo.h"

Cimage_binfo::~Cimage_binfo() = default;
