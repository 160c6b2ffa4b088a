// SPDX-License-Identifier: Apache-2.0
#include "json_writer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kmxcap {

namespace {

constexpr const char* replacement_character = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at text[at], or 0.
size_t utf8_length(const std::string& text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(at);
    size_t length = 0;
    unsigned lowest = 0;  // the smallest code point of that length (no overlong forms)
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    unsigned code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (code < lowest || code > 0x10FFFF || surrogate)
        return 0;
    return length;
}

} // namespace

std::string json_quote(const std::string& text)
{
    std::string quoted = "\"";
    for (size_t at = 0; at < text.size();) {
        const char c = text[at];
        const size_t length = utf8_length(text, at);
        if (length == 0) {
            quoted += replacement_character;
            ++at;
            continue;
        }
        if (length > 1) {
            quoted.append(text, at, length);
            at += length;
            continue;
        }
        ++at;
        switch (c) {
        case '"': quoted += "\\\""; break;
        case '\\': quoted += "\\\\"; break;
        case '\n': quoted += "\\n"; break;
        case '\r': quoted += "\\r"; break;
        case '\t': quoted += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                quoted += escaped;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

void Cjson_writer::before_value()
{
    if (after_key) {
        after_key = false;
        return;
    }
    if (empty_levels.empty())
        return;
    if (!empty_levels.back())
        out += ',';
    empty_levels.back() = false;
    out += '\n';
    out.append(2 * empty_levels.size(), ' ');
}

void Cjson_writer::open(char bracket)
{
    before_value();
    out += bracket;
    empty_levels.push_back(true);
}

void Cjson_writer::close(char bracket)
{
    const bool was_empty = empty_levels.empty() || empty_levels.back();
    if (!empty_levels.empty())
        empty_levels.pop_back();
    if (!was_empty) {
        out += '\n';
        out.append(2 * empty_levels.size(), ' ');
    }
    out += bracket;
    if (empty_levels.empty())
        out += '\n';
}

void Cjson_writer::begin_object() { open('{'); }
void Cjson_writer::end_object() { close('}'); }
void Cjson_writer::begin_array() { open('['); }
void Cjson_writer::end_array() { close(']'); }

void Cjson_writer::key(const std::string& name)
{
    before_value();
    out += json_quote(name) + ": ";
    after_key = true;
}

void Cjson_writer::value(const std::string& text)
{
    before_value();
    out += json_quote(text);
}

void Cjson_writer::value(unsigned number)
{
    before_value();
    out += std::to_string(number);
}

void Cjson_writer::value(double number)
{
    if (!std::isfinite(number)) {
        null();
        return;
    }
    before_value();
    // The shortest of 15 and 17 significant digits that reads back as the
    // same double: 2.1 stays 2.1, and nothing is lost.
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", number);
    if (std::strtod(text, nullptr) != number)
        std::snprintf(text, sizeof text, "%.17g", number);
    out += text;
}

void Cjson_writer::value(bool flag)
{
    before_value();
    out += flag ? "true" : "false";
}

void Cjson_writer::null()
{
    before_value();
    out += "null";
}

} // namespace kmxcap
