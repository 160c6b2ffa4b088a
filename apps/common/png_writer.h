// SPDX-License-Identifier: Apache-2.0
// One PNG writer for the tools and the tests, over libpng.
#ifndef KMX_APPS_PNG_WRITER_H
#define KMX_APPS_PNG_WRITER_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kmx_apps {

// The shape of the picture to write, and what the file says about it.
struct Cpng_layout {
    unsigned width = 0;
    unsigned height = 0;
    unsigned channels = 1;         // 1 grey, 3 RGB
    unsigned bits = 8;             // per sample in the file: 8 or 16
    unsigned significant_bits = 8; // recorded in the file (sBIT)
    bool fast = false;             // the quickest compression, for streams
    // Text chunks, keyword and text: tEXt for plain ASCII, iTXt (UTF-8)
    // otherwise. Keywords are 1 to 79 printable Latin-1 characters.
    std::vector<std::pair<std::string, std::string>> text;
    unsigned pixels_per_metre = 0; // pHYs when not 0
};

// Fills row y in file order: a byte per 8-bit sample, two bytes (most
// significant first) per 16-bit sample; the row holds
// width * channels * bits / 8 bytes.
using png_row_source = std::function<void(unsigned y, unsigned char* row)>;

// Writes the picture to path. An empty string on success, otherwise why
// it failed (the file may then be left incomplete).
std::string write_png(const std::string& path, const Cpng_layout& layout,
                      const png_row_source& rows);

// The PNG file in memory; an empty string on success, otherwise why not.
std::string encode_png(const Cpng_layout& layout, const png_row_source& rows,
                       std::vector<unsigned char>& bytes);

} // namespace kmx_apps

#endif
