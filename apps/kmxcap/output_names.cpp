// SPDX-License-Identifier: Apache-2.0
#include "output_names.h"

#include <algorithm>

namespace kmxcap {

namespace {

// The digits of a stream's frame numbers when the name has no %n: enough
// for a million frames, more for longer streams.
constexpr unsigned stream_number_digits = 6;

} // namespace

std::string numbered_path(const std::string& path, unsigned number, unsigned total)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    const bool has_ext = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = has_ext ? path.substr(0, dot) : path;
    const std::string ext = has_ext ? path.substr(dot) : std::string();
    std::string digits = std::to_string(number);
    const size_t width = std::max<size_t>(stream_number_digits, std::to_string(total).size());
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return stem + "-" + digits + ext;
}

bool name_has_number_pattern(const std::string& pattern)
{
    for (size_t at = pattern.find('%'); at != std::string::npos; at = pattern.find('%', at + 1)) {
        size_t end = at + 1;
        while (end < pattern.size() && pattern[end] >= '0' && pattern[end] <= '9')
            ++end;
        if (end < pattern.size() && pattern[end] == 'n')
            return true;
        if (end < pattern.size() && pattern[end] == '%')
            at = end;
    }
    return false;
}

std::string expand_name(const std::string& pattern, unsigned number, const std::string& created,
                        unsigned serial)
{
    std::string name;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 >= pattern.size()) {
            name += pattern[i];
            continue;
        }
        size_t at = i + 1;
        unsigned width = 0;
        while (at < pattern.size() && pattern[at] >= '0' && pattern[at] <= '9' && width < 100)
            width = width * 10 + static_cast<unsigned>(pattern[at++] - '0');
        const char kind = at < pattern.size() ? pattern[at] : '\0';
        if (kind == 'n') {
            std::string digits = std::to_string(number);
            if (digits.size() < width)
                digits.insert(0, width - digits.size(), '0');
            name += digits;
        } else if (kind == 't') {
            // 2024-05-01T14:03:07.123+02:00 -> 20240501T140307
            for (char c : created.substr(0, created.find('.')))
                if (c != '-' && c != ':')
                    name += c;
        } else if (kind == 's') {
            name += std::to_string(serial);
        } else if (kind == '%') {
            name += '%';
        } else {
            name.append(pattern, i, at - i + 1);  // left as written
        }
        i = at;
    }
    return name;
}

bool name_pattern_valid(const std::string& pattern)
{
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%')
            continue;
        size_t at = i + 1;
        while (at < pattern.size() && pattern[at] >= '0' && pattern[at] <= '9')
            ++at;
        if (at >= pattern.size())
            return false;
        const char kind = pattern[at];
        const bool width_given = at > i + 1;
        if (kind == 'n' || (!width_given && (kind == 't' || kind == 's' || kind == '%'))) {
            i = at;
            continue;
        }
        return false;
    }
    return true;
}

} // namespace kmxcap
