// SPDX-License-Identifier: Apache-2.0
// Cjson_writer: builds one JSON document, indented two spaces a level.
// Strings are escaped as RFC 8259 asks (quote, backslash and control
// characters), and bytes that are not UTF-8 become U+FFFD, so camera
// names of any encoding still give a document every parser takes. A
// number that is not finite is written as null.
#ifndef KMXCAP_JSON_WRITER_H
#define KMXCAP_JSON_WRITER_H

#include <string>
#include <vector>

namespace kmxcap {

// The JSON string literal of text, quotes included.
std::string json_quote(const std::string& text);

class Cjson_writer {
public:
    void begin_object();
    void end_object();
    void begin_array();
    void end_array();
    // The name of the next member of the object being written.
    void key(const std::string& name);
    void value(const std::string& text);
    void value(const char* text) { value(std::string(text)); }
    void value(unsigned number);
    void value(double number);
    void value(bool flag);
    void null();

    // The document; complete once every object and array is ended.
    const std::string& text() const { return out; }

private:
    void before_value();
    void open(char bracket);
    void close(char bracket);

    std::string out;
    std::vector<bool> empty_levels;  // per open level: nothing in it yet
    bool after_key = false;
};

} // namespace kmxcap

#endif
