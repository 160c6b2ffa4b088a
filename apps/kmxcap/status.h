// SPDX-License-Identifier: Apache-2.0
// Cstatus: the outcome of one step of the tool, an exit code and the one
// line that explains a failure. Steps hand it up unchanged, so the line
// the user sees names the first thing that went wrong.
#ifndef KMXCAP_STATUS_H
#define KMXCAP_STATUS_H

#include <string>
#include <utility>

#include "exit_codes.h"

namespace kmxcap {

class Cstatus {
public:
    Cstatus() = default;
    Cstatus(int exit_code, std::string message)
        : code(exit_code), text(std::move(message))
    {
    }

    static Cstatus ok() { return Cstatus(); }
    bool is_ok() const { return code == exit_ok; }
    int exit_code() const { return code; }
    const std::string& message() const { return text; }

private:
    int code = exit_ok;
    std::string text;
};

} // namespace kmxcap

#endif
