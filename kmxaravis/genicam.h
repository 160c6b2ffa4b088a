// SPDX-License-Identifier: Apache-2.0
// GenICam features of one camera by name, with every Aravis error turned
// into a false result (and noted for the diagnostics) instead of a GError
// the caller must remember to free.
#ifndef KMXARAVIS_GENICAM_H
#define KMXARAVIS_GENICAM_H

#include <arv.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace kmxaravis {

// Owns a GError for the length of one call.
class Cerror {
public:
    Cerror() = default;
    ~Cerror() { clear(); }
    Cerror(const Cerror&) = delete;
    Cerror& operator=(const Cerror&) = delete;

    GError** out()
    {
        clear();
        return &error_;
    }
    bool failed() const { return error_ != nullptr; }
    const char* message() const { return error_ != nullptr ? error_->message : ""; }
    void clear()
    {
        if (error_ != nullptr)
            g_error_free(error_);
        error_ = nullptr;
    }

private:
    GError* error_ = nullptr;
};

// Notes why an Aravis call failed: logged as a warning of category
// aravis, and the last note kept for kmxaravis_last_error().
void note_failure(const std::string& what, const char* why);
std::string last_failure();

class Cgenicam {
public:
    explicit Cgenicam(ArvCamera* camera) : camera_(camera) {}

    // The feature exists on this camera and can be used now.
    bool has(const char* name) const;
    bool is_float(const char* name) const;

    // Numbers, whether the feature is an integer or a float.
    bool get_number(const char* name, double& value) const;
    bool set_number(const char* name, double value) const;
    bool number_bounds(const char* name, double& min, double& max, double& increment) const;

    bool get_bool(const char* name, bool& value) const;
    bool set_bool(const char* name, bool value) const;
    bool get_enum(const char* name, std::string& value) const;
    bool set_enum(const char* name, const char* value) const;
    std::vector<std::string> enum_entries(const char* name) const;
    bool execute(const char* name) const;

    // The first of the names the camera has, or "".
    std::string first_of(std::initializer_list<const char*> names) const;

private:
    bool check(Cerror& error, const char* action, const char* name) const;

    ArvCamera* camera_;
};

} // namespace kmxaravis

#endif
