// SPDX-License-Identifier: Apache-2.0
// The subcommands of kmxcap.
#ifndef KMXCAP_COMMANDS_H
#define KMXCAP_COMMANDS_H

#include <string>
#include <vector>

namespace kmxcap {

// Runs the command line (without the program name): prints results on
// stdout (stderr when the picture goes to stdout) and one line per
// failure on stderr; returns the exit code.
int run_kmxcap(const std::vector<std::string>& args);

} // namespace kmxcap

#endif
