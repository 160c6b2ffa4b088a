// SPDX-License-Identifier: Apache-2.0
// Calls into the camera library, checked in one place.
//
// camera_call(kmx_set_param, camera, id, value) makes the call and answers
// the status unchanged: results stay exactly what the camera library
// said. A non-zero status is logged at warn in the camera category with
// the function's name, its arguments and the status, and kept as the
// thread's last failed call (kmx_last_camera_failure); at debug every call
// is logged. Two answers are not failures: "frame in progress"
// (KMX_FRAME_BUSY) of the completion checks, which comes many times a frame
// and is left unlogged (camera_poll), and "ended through the progress
// callback" (KMX_AUTO_ABORTED) of the automatic procedures, which the
// caller asked for and is logged at info (camera_auto).
//
// Arguments are formatted only when a line is written, so a call that
// succeeds costs one test of a threshold.
#ifndef KMX_CAMERA_CAMERA_CALL_H
#define KMX_CAMERA_CAMERA_CALL_H

#include <string>
#include <type_traits>

#include "kmxcore/camera/kmxlib.h"
#include "kmxcore/diagnostics/log.h"

namespace kmx_camera_call {

// Names a type without deducing it: the arguments of a checked call take
// the types of the function's parameters.
template <typename T>
struct exactly {
    using type = T;
};

// Any camera-library function, as a key for its name.
using any_function = void (*)();

// The contract's name of a function ("kmx_open"), or "kmx_?" for one that
// is not in the table.
const char* function_name(any_function function);

// The name of a status of the contract ("KMX_ERR_BAD_ARGUMENT"), or
// "unknown status".
const char* status_name(int status);

// Logs one finished call at level; a call logged at warn failed and is
// kept as the thread's last failure. Never throws.
void report(any_function function, int status, kmx_log_level level,
            const std::string& arguments) noexcept;

// The thread's last failed call: its status (0 for none) and, when text
// is given, its name and arguments, cut to length bytes.
int last_failure(char* text, unsigned length);
void clear_last_failure();

void append_signed(std::string& text, long long value);
void append_unsigned(std::string& text, unsigned long long value);
void append_double(std::string& text, double value);
void append_pointer(std::string& text, const void* value);
void append_rect(std::string& text, const RECT& value);

template <typename T>
void append_argument(std::string& text, const T& value)
{
    if constexpr (std::is_same_v<T, RECT>)
        append_rect(text, value);
    else if constexpr (std::is_floating_point_v<T>)
        append_double(text, value);
    else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>)
        append_signed(text, value);
    else if constexpr (std::is_integral_v<T>)
        append_unsigned(text, value);
    else if constexpr (std::is_pointer_v<T> && std::is_function_v<std::remove_pointer_t<T>>)
        append_pointer(text, reinterpret_cast<const void*>(value));
    else
        append_pointer(text, static_cast<const void*>(value));
}

template <typename... Args>
std::string format_arguments(const Args&... arguments)
{
    std::string text;
    const char* separator = "";
    ((text += separator, append_argument(text, arguments), separator = ", "), ...);
    return text;
}

// The level a status is logged at: a failure is a warning, success and
// the one answer the caller expects are not.
inline kmx_log_level level_of(int status, int expected)
{
    if (status == KMX_OK)
        return KMX_LOG_DEBUG;
    return status == expected ? KMX_LOG_INFO : KMX_LOG_WARN;
}

template <typename Function, typename... Args>
void finish(Function function, int status, int expected, const Args&... arguments) noexcept
{
    const kmx_log_level level = level_of(status, expected);
    if (level != KMX_LOG_WARN && !kmx_log::enabled(KMX_LOG_CAMERA, level))
        return;
    try {
        report(reinterpret_cast<any_function>(function), status, level,
               format_arguments(arguments...));
    } catch (...) {
        // Out of memory while formatting: the arguments are lost, the
        // call's name and result are not.
        report(reinterpret_cast<any_function>(function), status, level, std::string());
    }
}

} // namespace kmx_camera_call

// A camera-library call, checked and logged (see the top of this file).
template <typename... Params>
int camera_call(int (*function)(Params...),
                typename kmx_camera_call::exactly<Params>::type... arguments)
{
    const int status = function(arguments...);
    kmx_camera_call::finish(function, status, KMX_OK, arguments...);
    return status;
}

// A completion check: as camera_call, but "in progress" is left unlogged.
template <typename... Params>
int camera_poll(int (*function)(Params...),
                typename kmx_camera_call::exactly<Params>::type... arguments)
{
    const int status = function(arguments...);
    if (status != KMX_FRAME_BUSY)
        kmx_camera_call::finish(function, status, KMX_OK, arguments...);
    return status;
}

// An automatic procedure: as camera_call, but an end through the progress
// callback is the caller's request, logged at info.
template <typename... Params>
int camera_auto(int (*function)(Params...),
                typename kmx_camera_call::exactly<Params>::type... arguments)
{
    const int status = function(arguments...);
    kmx_camera_call::finish(function, status, KMX_AUTO_ABORTED, arguments...);
    return status;
}

#endif
