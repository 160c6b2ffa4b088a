// SPDX-License-Identifier: Apache-2.0
// The channel: thresholds, the KMX_LOG reader and the receivers.
#include "kmxcore/diagnostics/log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace kmx_log {

namespace {

// Threshold of every category until KMX_LOG or the application says
// otherwise: a library should stay quiet unless something is really wrong.
constexpr kmx_log_level default_threshold = KMX_LOG_ERROR;

// Bytes of one formatted message, terminator included.
constexpr size_t line_bytes = 1024;

constexpr const char* category_names[KMX_LOG_CATEGORIES] = {
    "camera", "capture", "buffers", "drawing", "exports", "sim", "aravis"};

struct Clevel_name {
    const char* name;
    kmx_log_level level;
};

constexpr Clevel_name level_names[] = {
    {"off", KMX_LOG_OFF},      {"error", KMX_LOG_ERROR}, {"warn", KMX_LOG_WARN},
    {"warning", KMX_LOG_WARN}, {"info", KMX_LOG_INFO},   {"debug", KMX_LOG_DEBUG},
};

// Every category, where a category is asked for.
constexpr int all_categories = -1;

bool valid_category(int category) { return category >= 0 && category < KMX_LOG_CATEGORIES; }

bool valid_level(int level) { return level >= KMX_LOG_OFF && level <= KMX_LOG_DEBUG; }

bool parse_level(const std::string& text, kmx_log_level& level)
{
    for (const Clevel_name& entry : level_names) {
        if (text == entry.name) {
            level = entry.level;
            return true;
        }
    }
    return false;
}

bool parse_category(const std::string& text, int& category)
{
    if (text == "*" || text == "all") {
        category = all_categories;
        return true;
    }
    for (int i = 0; i < KMX_LOG_CATEGORIES; ++i) {
        if (text == category_names[i]) {
            category = i;
            return true;
        }
    }
    return false;
}

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The thresholds of the categories.
class Cthresholds {
public:
    Cthresholds()
    {
        for (std::atomic<int>& level : levels)
            level.store(default_threshold, std::memory_order_relaxed);
    }

    bool passes(int category, int level) const
    {
        return valid_category(category) && level != KMX_LOG_OFF && valid_level(level) &&
               level <= levels[category].load(std::memory_order_relaxed);
    }

    void set(int category, kmx_log_level level)
    {
        for (int i = 0; i < KMX_LOG_CATEGORIES; ++i)
            if (category == i || category == all_categories)
                levels[i].store(level, std::memory_order_relaxed);
    }

    kmx_log_level get(int category) const
    {
        if (!valid_category(category))
            return KMX_LOG_OFF;
        return static_cast<kmx_log_level>(levels[category].load(std::memory_order_relaxed));
    }

    // The items of a KMX_LOG list, in order; the number not understood.
    int apply(const std::string& spec)
    {
        int ignored = 0;
        size_t start = 0;
        while (start <= spec.size()) {
            size_t end = spec.find(',', start);
            if (end == std::string::npos)
                end = spec.size();
            const std::string item = trimmed(spec.substr(start, end - start));
            if (!item.empty() && !apply_item(item))
                ++ignored;
            start = end + 1;
        }
        return ignored;
    }

private:
    // "level" for every category, or "category:level".
    bool apply_item(const std::string& item)
    {
        kmx_log_level level = KMX_LOG_OFF;
        const size_t colon = item.find(':');
        if (colon == std::string::npos) {
            if (!parse_level(item, level))
                return false;
            set(all_categories, level);
            return true;
        }
        int category = 0;
        if (!parse_category(trimmed(item.substr(0, colon)), category) ||
            !parse_level(trimmed(item.substr(colon + 1)), level))
            return false;
        set(category, level);
        return true;
    }

    std::atomic<int> levels[KMX_LOG_CATEGORIES];
};

class Cchannel {
public:
    bool enabled(kmx_log_category category, kmx_log_level level)
    {
        if (const kmxlib_log_sink* sink = forward.load(std::memory_order_acquire))
            return sink->enabled(category, level) != 0;
        return own_thresholds().passes(category, level);
    }

    // The thresholds, with KMX_LOG applied on first use. A library whose
    // messages go to another library's channel never needs them, so it
    // neither reads KMX_LOG nor complains about it a second time.
    Cthresholds& own_thresholds()
    {
        // The common case, every call after the first, costs one load.
        if (environment_applied.load(std::memory_order_acquire))
            return thresholds;
        std::call_once(environment_read, [this] {
            const char* spec = std::getenv("KMX_LOG");
            if (spec != nullptr && thresholds.apply(spec) != 0)
                std::fprintf(stderr, "kmx: KMX_LOG=\"%s\": items not understood were ignored "
                                     "(write level or category:level; levels off error warn "
                                     "info debug; categories camera capture buffers drawing "
                                     "exports sim aravis)\n",
                             spec);
            environment_applied.store(true, std::memory_order_release);
        });
        return thresholds;
    }

    void set_callback(kmx_log_callback new_callback, void* new_user)
    {
        std::lock_guard<std::mutex> lock(mutex);
        callback = new_callback;
        user = new_user;
    }

    void use_sink(const kmxlib_log_sink* sink) { forward.store(sink, std::memory_order_release); }

    // One message to whoever receives this channel's messages.
    void deliver(int category, int level, const char* message)
    {
        if (const kmxlib_log_sink* sink = forward.load(std::memory_order_acquire)) {
            sink->write(category, level, message);
            return;
        }
        // A message logged from inside the callback (the callback called
        // into the library) goes to stderr: the callback is not re-entered,
        // and the lock this thread holds is not taken again.
        thread_local bool in_callback = false;
        if (in_callback) {
            to_stderr(category, level, message);
            return;
        }
        std::lock_guard<std::mutex> lock(mutex);
        if (callback == nullptr) {
            to_stderr(category, level, message);
            return;
        }
        in_callback = true;
        callback(user, static_cast<kmx_log_category>(category), static_cast<kmx_log_level>(level),
                 message);
        in_callback = false;
    }

private:
    static void to_stderr(int category, int level, const char* message)
    {
        // One write per line, so that the lines of several threads do not mix.
        char line[line_bytes + 32];
        const int length = std::snprintf(line, sizeof line, "kmx %s %s: %s\n",
                                         category_name(static_cast<kmx_log_category>(category)),
                                         level_name(static_cast<kmx_log_level>(level)), message);
        if (length > 0)
            std::fwrite(line, 1, std::strlen(line), stderr);
    }

    Cthresholds thresholds;
    std::once_flag environment_read;
    std::atomic<bool> environment_applied{false};
    std::atomic<const kmxlib_log_sink*> forward{nullptr};
    std::mutex mutex;
    kmx_log_callback callback = nullptr;
    void* user = nullptr;
};

// Made on first use and never destroyed: a thread may still log while the
// process ends.
Cchannel& channel()
{
    static Cchannel* const instance = new Cchannel;
    return *instance;
}

// The sink other libraries write through: this channel's own thresholds and
// receiver.
int sink_enabled(int category, int level)
{
    return channel().own_thresholds().passes(category, level) ? 1 : 0;
}

void sink_write(int category, int level, const char* message)
{
    if (message != nullptr && channel().own_thresholds().passes(category, level))
        channel().deliver(category, level, message);
}

const kmxlib_log_sink this_library_sink = {&sink_enabled, &sink_write};

} // namespace

bool enabled(kmx_log_category category, kmx_log_level level)
{
    return channel().enabled(category, level);
}

void write(kmx_log_category category, kmx_log_level level, const char* format, ...)
{
    if (format == nullptr || !enabled(category, level))
        return;
    char message[line_bytes];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    if (length < 0)
        return;
    if (static_cast<size_t>(length) >= sizeof message)
        std::memcpy(message + sizeof message - 4, "...", 4);
    channel().deliver(category, level, message);
}

void write_text(kmx_log_category category, kmx_log_level level, const char* message)
{
    if (message != nullptr && enabled(category, level))
        channel().deliver(category, level, message);
}

void set_callback(kmx_log_callback callback, void* user) { channel().set_callback(callback, user); }

int configure(const char* spec)
{
    return spec == nullptr ? 0 : channel().own_thresholds().apply(spec);
}

void set_level(kmx_log_category category, kmx_log_level level)
{
    if (valid_level(level))
        channel().own_thresholds().set(valid_category(category) ? category : all_categories,
                                       level);
}

kmx_log_level get_level(kmx_log_category category)
{
    return channel().own_thresholds().get(category);
}

const char* category_name(kmx_log_category category)
{
    return valid_category(category) ? category_names[category] : "?";
}

const char* level_name(kmx_log_level level)
{
    for (const Clevel_name& entry : level_names)
        if (entry.level == level)
            return entry.name;
    return "?";
}

const kmxlib_log_sink* own_sink() { return &this_library_sink; }

void use_sink(const kmxlib_log_sink* sink)
{
    // Handing a library's messages to its own channel would loop.
    channel().use_sink(sink == &this_library_sink ? nullptr : sink);
}

} // namespace kmx_log
