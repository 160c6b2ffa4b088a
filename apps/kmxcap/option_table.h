// SPDX-License-Identifier: Apache-2.0
// The one table of kmxcap's options: the parser builds getopt_long's
// short and long options from it, and --help prints it.
#ifndef KMXCAP_OPTION_TABLE_H
#define KMXCAP_OPTION_TABLE_H

#include <functional>
#include <string>
#include <vector>

#include "options.h"

namespace kmxcap {

enum class Esection { camera, settings, output, view, other };

struct Coption_entry {
    const char* long_name;    // without the dashes
    char short_name;          // 0: the long form only
    const char* value_name;   // nullptr: a switch that takes no value
    Esection section;
    const char* help;         // lines separated by '\n'
    // Takes the value (empty for a switch) into the options; false for a
    // value that is not one of this option's.
    std::function<bool(const std::string&, Coptions&)> take;
    bool settable = false;    // a camera setting that `set NAME=VALUE` takes
    bool hidden = false;      // a testing aid, not in --help
};

const std::vector<Coption_entry>& option_table();

// "-c, --camera" or "--bin": how help and messages name an option.
std::string option_name(const Coption_entry& option, bool with_short);

} // namespace kmxcap

#endif
