// SPDX-License-Identifier: Apache-2.0
// The names of output files: the patterns a name may hold, and the
// numbers of a stream's frames.
#ifndef KMXCAP_OUTPUT_NAMES_H
#define KMXCAP_OUTPUT_NAMES_H

#include <string>

namespace kmxcap {

// The file name of frame `number` of a stream written to `path`:
// "dir/frame.png" becomes "dir/frame-000007.png".
std::string numbered_path(const std::string& path, unsigned number, unsigned total);

// An output name with its patterns replaced: %n the number, %04n the
// number zero-padded to 4 digits, %t the time of `created` (ISO-8601) in
// its basic form (20240501T140307), %s the serial number, %% a percent
// sign.
std::string expand_name(const std::string& pattern, unsigned number, const std::string& created,
                        unsigned serial);

// Whether the pattern holds %n, with or without a width (%% is no
// pattern).
bool name_has_number_pattern(const std::string& pattern);

// Whether every % of an output name starts one of %n, %<width>n, %t, %s
// and %%.
bool name_pattern_valid(const std::string& pattern);

} // namespace kmxcap

#endif
