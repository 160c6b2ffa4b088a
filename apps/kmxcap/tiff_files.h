// SPDX-License-Identifier: Apache-2.0
// TIFF and DNG files in memory, through libtiff.
#ifndef KMXCAP_TIFF_FILES_H
#define KMXCAP_TIFF_FILES_H

#include <string>
#include <vector>

#include "writers.h"

namespace kmxcap {

// A TIFF of the picture, or for a mosaic with dng set a DNG. An empty
// string on success, otherwise why it failed.
std::string encode_tiff(const Cpicture& picture, const Cprovenance& provenance, bool dng,
                        std::vector<unsigned char>& bytes);

} // namespace kmxcap

#endif
