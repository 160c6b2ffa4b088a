// SPDX-License-Identifier: Apache-2.0
#include "view_json.h"

#include <cmath>
#include <cstdio>

namespace kmxcap {

namespace {

void append_quoted(std::string& out, const std::string& text)
{
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

} // namespace

void Cjson::before_value()
{
    if (after_key) {
        after_key = false;
        return;
    }
    if (first_in_level.empty())
        return;
    if (!first_in_level.back())
        out += ',';
    first_in_level.back() = false;
}

Cjson& Cjson::open(char bracket)
{
    before_value();
    out += bracket;
    first_in_level.push_back(true);
    return *this;
}

Cjson& Cjson::close(char bracket)
{
    out += bracket;
    if (!first_in_level.empty())
        first_in_level.pop_back();
    return *this;
}

Cjson& Cjson::begin_object() { return open('{'); }
Cjson& Cjson::end_object() { return close('}'); }
Cjson& Cjson::begin_array() { return open('['); }
Cjson& Cjson::end_array() { return close(']'); }

Cjson& Cjson::key(const std::string& name)
{
    before_value();
    append_quoted(out, name);
    out += ':';
    after_key = true;
    return *this;
}

Cjson& Cjson::value(const std::string& text)
{
    before_value();
    append_quoted(out, text);
    return *this;
}

Cjson& Cjson::value(unsigned number) { return value(static_cast<unsigned long long>(number)); }

Cjson& Cjson::value(unsigned long long number)
{
    before_value();
    out += std::to_string(number);
    return *this;
}

Cjson& Cjson::value(int number)
{
    before_value();
    out += std::to_string(number);
    return *this;
}

Cjson& Cjson::value(double number)
{
    before_value();
    if (!std::isfinite(number)) {
        out += "null";
        return *this;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", number);
    out += text;
    return *this;
}

Cjson& Cjson::value(bool flag)
{
    before_value();
    out += flag ? "true" : "false";
    return *this;
}

Cjson& Cjson::null()
{
    before_value();
    out += "null";
    return *this;
}

} // namespace kmxcap
