// SPDX-License-Identifier: Apache-2.0
// The subcommands of kmxcap.
#ifndef KMXCAP_COMMANDS_H
#define KMXCAP_COMMANDS_H

#include <string>
#include <vector>

namespace kmxcap {

// Runs the command line (without the program name): prints results on
// stdout and one line per failure on stderr; returns the exit code.
int run_kmxcap(const std::vector<std::string>& args);

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

} // namespace kmxcap

#endif
