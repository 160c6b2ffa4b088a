// SPDX-License-Identifier: Apache-2.0
// GenICam features by name.
#include "genicam.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "kmxcore/diagnostics/log.h"

namespace kmxaravis {

namespace {

std::mutex& failure_mutex()
{
    static std::mutex m;
    return m;
}

std::string& failure_text()
{
    static std::string text;
    return text;
}

ArvGcNode* node_of(ArvCamera* camera, const char* name)
{
    return arv_device_get_feature(arv_camera_get_device(camera), name);
}

} // namespace

void note_failure(const std::string& what, const char* why)
{
    const std::string text = what + ": " + (why != nullptr ? why : "failed");
    kmx_log::write_text(KMX_LOG_ARAVIS, KMX_LOG_WARN, text.c_str());
    std::lock_guard<std::mutex> lock(failure_mutex());
    failure_text() = text;
}

std::string last_failure()
{
    std::lock_guard<std::mutex> lock(failure_mutex());
    return failure_text();
}

bool Cgenicam::check(Cerror& error, const char* action, const char* name) const
{
    if (!error.failed())
        return true;
    note_failure(std::string(action) + " " + name, error.message());
    return false;
}

bool Cgenicam::has(const char* name) const
{
    Cerror error;
    const bool available = arv_camera_is_feature_available(camera_, name, error.out());
    return available && !error.failed();
}

bool Cgenicam::is_float(const char* name) const
{
    return ARV_IS_GC_FLOAT(node_of(camera_, name));
}

bool Cgenicam::get_number(const char* name, double& value) const
{
    Cerror error;
    if (is_float(name))
        value = arv_camera_get_float(camera_, name, error.out());
    else
        value = static_cast<double>(arv_camera_get_integer(camera_, name, error.out()));
    return check(error, "reading", name);
}

bool Cgenicam::set_number(const char* name, double value) const
{
    Cerror error;
    if (is_float(name)) {
        arv_camera_set_float(camera_, name, value, error.out());
    } else {
        double min = 0, max = 0, increment = 1;
        if (!number_bounds(name, min, max, increment))
            return false;
        // Integers move in steps from their minimum.
        const double steps = std::round((value - min) / increment);
        const double stepped = std::clamp(min + steps * increment, min, max);
        arv_camera_set_integer(camera_, name, static_cast<gint64>(stepped), error.out());
    }
    return check(error, "writing", name);
}

bool Cgenicam::number_bounds(const char* name, double& min, double& max, double& increment) const
{
    Cerror error;
    if (is_float(name)) {
        arv_camera_get_float_bounds(camera_, name, &min, &max, error.out());
        if (!check(error, "bounds of", name))
            return false;
        increment = arv_camera_get_float_increment(camera_, name, error.out());
        if (error.failed() || !(increment > 0.0) || !std::isfinite(increment))
            increment = 0.0; // many cameras leave float increments undefined
        return true;
    }
    gint64 lo = 0, hi = 0;
    arv_camera_get_integer_bounds(camera_, name, &lo, &hi, error.out());
    if (!check(error, "bounds of", name))
        return false;
    min = static_cast<double>(lo);
    max = static_cast<double>(hi);
    const gint64 inc = arv_camera_get_integer_increment(camera_, name, error.out());
    increment = error.failed() || inc <= 0 ? 1.0 : static_cast<double>(inc);
    return true;
}

bool Cgenicam::get_bool(const char* name, bool& value) const
{
    Cerror error;
    value = arv_camera_get_boolean(camera_, name, error.out()) != FALSE;
    return check(error, "reading", name);
}

bool Cgenicam::set_bool(const char* name, bool value) const
{
    Cerror error;
    arv_camera_set_boolean(camera_, name, value ? TRUE : FALSE, error.out());
    return check(error, "writing", name);
}

bool Cgenicam::get_enum(const char* name, std::string& value) const
{
    Cerror error;
    const char* text = arv_camera_get_string(camera_, name, error.out());
    if (!check(error, "reading", name) || text == nullptr)
        return false;
    value = text;
    return true;
}

bool Cgenicam::set_enum(const char* name, const char* value) const
{
    Cerror error;
    arv_camera_set_string(camera_, name, value, error.out());
    return check(error, "writing", name);
}

std::vector<std::string> Cgenicam::enum_entries(const char* name) const
{
    std::vector<std::string> entries;
    Cerror error;
    guint count = 0;
    const char** values =
        arv_camera_dup_available_enumerations_as_strings(camera_, name, &count, error.out());
    if (values != nullptr) {
        for (guint i = 0; i < count; ++i)
            if (values[i] != nullptr)
                entries.emplace_back(values[i]);
        g_free(values);
    }
    return entries;
}

bool Cgenicam::execute(const char* name) const
{
    Cerror error;
    arv_camera_execute_command(camera_, name, error.out());
    return check(error, "executing", name);
}

std::string Cgenicam::first_of(std::initializer_list<const char*> names) const
{
    for (const char* name : names)
        if (has(name))
            return name;
    return std::string();
}

} // namespace kmxaravis
