// SPDX-License-Identifier: Apache-2.0
// Cjson: builds one compact JSON document for the live view's answers.
// Strings are escaped as RFC 8259 asks (quote, backslash, control
// characters); a number that is not finite becomes null, so every answer
// parses.
#ifndef KMXCAP_VIEW_JSON_H
#define KMXCAP_VIEW_JSON_H

#include <string>
#include <vector>

namespace kmxcap {

class Cjson {
public:
    Cjson& begin_object();
    Cjson& end_object();
    Cjson& begin_array();
    Cjson& end_array();
    // The name of the next member of the object being written.
    Cjson& key(const std::string& name);
    Cjson& value(const std::string& text);
    Cjson& value(const char* text) { return value(std::string(text)); }
    Cjson& value(unsigned number);
    Cjson& value(unsigned long long number);
    Cjson& value(int number);
    Cjson& value(double number);
    Cjson& value(bool flag);
    Cjson& null();
    // key(name) and value(v) in one step.
    template <typename T>
    Cjson& member(const std::string& name, const T& v)
    {
        key(name);
        return value(v);
    }

    const std::string& text() const { return out; }

private:
    void before_value();
    Cjson& open(char bracket);
    Cjson& close(char bracket);

    std::string out;
    std::vector<bool> first_in_level;
    bool after_key = false;
};

} // namespace kmxcap

#endif
