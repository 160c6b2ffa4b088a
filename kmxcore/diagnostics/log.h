// SPDX-License-Identifier: Apache-2.0
// The diagnostics channel of one library.
//
// Compiled into kmxcore and into each camera library that comes with it,
// with hidden visibility, so that every library has a channel of its own:
// thresholds read from KMX_LOG on first use, and stderr or a callback as
// the receiver. A camera library can be told to hand its messages to
// another library's channel instead (use_sink): kmxcore does that when it
// opens the library instance, so that one KMX_LOG and one application
// callback govern every message of the process.
#ifndef KMX_DIAGNOSTICS_LOG_H
#define KMX_DIAGNOSTICS_LOG_H

#include "kmxcore/camera/kmxlib.h"
#include "kmxcore/diagnostics.h"

// Lets the compiler check the arguments of the formatting calls. GCC's
// gnu_printf matches the C99 formatting that mingw-w64's C++ runtime
// selects; Clang knows only printf.
#if defined(__clang__)
#  define KMX_LOG_FORMAT(format_index, first_argument) \
      __attribute__((format(printf, format_index, first_argument)))
#elif defined(__GNUC__)
#  define KMX_LOG_FORMAT(format_index, first_argument) \
      __attribute__((format(gnu_printf, format_index, first_argument)))
#else
#  define KMX_LOG_FORMAT(format_index, first_argument)
#endif

namespace kmx_log {

// True when a message of this category and level would be written. Cheap:
// test it before building an expensive message.
bool enabled(kmx_log_category category, kmx_log_level level);

// Writes a printf-style message when it passes the category's threshold.
// Messages longer than a line buffer (1 KiB) are cut short.
void write(kmx_log_category category, kmx_log_level level, const char* format, ...)
    KMX_LOG_FORMAT(3, 4);

// Writes a message already formatted, when it passes the threshold.
void write_text(kmx_log_category category, kmx_log_level level, const char* message);

// The receiver of this library's channel: null brings back stderr.
void set_callback(kmx_log_callback callback, void* user);

// Thresholds written as for KMX_LOG; the number of items not understood.
int configure(const char* spec);
void set_level(kmx_log_category category, kmx_log_level level);
kmx_log_level get_level(kmx_log_category category);

const char* category_name(kmx_log_category category);
const char* level_name(kmx_log_level level);

// This library's channel, in the form a camera library accepts.
const kmxlib_log_sink* own_sink();

// From now on this library's messages go to another library's channel;
// null brings back its own.
void use_sink(const kmxlib_log_sink* sink);

} // namespace kmx_log

#endif
