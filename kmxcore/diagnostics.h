/* SPDX-License-Identifier: Apache-2.0 */
/**
 * @file diagnostics.h
 * @brief The diagnostics channel: categories, levels, where messages go,
 * and the last camera-library call that failed.
 *
 * Every message belongs to a category and has a level. A message is
 * written when its level is at or below the category's threshold. The
 * thresholds start at #KMX_LOG_ERROR and are read once from the
 * environment variable `KMX_LOG`, a comma-separated list of items, each a
 * level for every category or `category:level` for one, applied in order:
 *
 *     KMX_LOG=debug                     every category at debug
 *     KMX_LOG=capture:debug,camera:warn two categories
 *     KMX_LOG=warn,sim:off              warn everywhere but the simulator
 *
 * Levels are `off`, `error`, `warn`, `info` and `debug`; categories are
 * `camera`, `capture`, `buffers`, `drawing`, `exports`, `sim` and
 * `aravis`. Messages go to stderr, one line each
 * (`kmx camera warn: ...`), unless the application installs a callback.
 *
 * The camera libraries that come with kmxcore (the simulator and the
 * Aravis library) write their messages through this channel too, under
 * their own categories, once kmxcore has opened the library instance
 * (Ckmx_interface::open). A camera library used without kmxcore reads
 * `KMX_LOG` itself and writes to stderr.
 *
 * Every camera-library call that kmxcore makes and that fails is logged
 * at #KMX_LOG_WARN in category #KMX_LOG_CAMERA with its name, its
 * arguments and the status it answered; at #KMX_LOG_DEBUG every call is.
 * Logging never changes a result.
 *
 * All functions here may be called from any thread.
 */
#ifndef KMXCORE_DIAGNOSTICS_H
#define KMXCORE_DIAGNOSTICS_H

#include <kmxcore/kmx_export.h>

#ifdef __cplusplus
extern "C" {
#endif

/** What a message is about. */
typedef enum kmx_log_category {
    KMX_LOG_CAMERA = 0,  /**< calls into the camera library */
    KMX_LOG_CAPTURE = 1, /**< acquisitions, retries, automatic procedures */
    KMX_LOG_BUFFERS = 2, /**< frame records and the buffer pool */
    KMX_LOG_DRAWING = 3, /**< drawable images and overlays */
    KMX_LOG_EXPORTS = 4, /**< the C entry points */
    KMX_LOG_SIM = 5,     /**< the simulated camera library */
    KMX_LOG_ARAVIS = 6,  /**< the camera library over Aravis */
    KMX_LOG_CATEGORIES = 7 /**< the number of categories */
} kmx_log_category;

/** How much a message matters; as a threshold, the least that is written. */
typedef enum kmx_log_level {
    KMX_LOG_OFF = 0,   /**< as a threshold: nothing is written */
    KMX_LOG_ERROR = 1, /**< the library cannot do what it was asked */
    KMX_LOG_WARN = 2,  /**< a failure the caller is told about by a result */
    KMX_LOG_INFO = 3,  /**< a notable step: a retry, a stop, a fallback */
    KMX_LOG_DEBUG = 4  /**< every step, every camera-library call */
} kmx_log_level;

/**
 * @brief Receives one message.
 * @param user the value given to kmx_log_set_callback()
 * @param category what the message is about
 * @param level how much it matters
 * @param message one line of text without a line break; valid only during
 *        the call
 */
typedef void (*kmx_log_callback)(void* user, kmx_log_category category, kmx_log_level level,
                                 const char* message);

/**
 * @brief Sends every message that passes the thresholds to @p callback
 * instead of stderr.
 *
 * Calls are made one at a time, on the thread that logs. When this
 * function returns, the earlier callback is not running and will not be
 * called again. A message logged from within the callback goes to stderr.
 * The callback must not call kmx_log_set_callback().
 *
 * @param callback the new receiver; null brings back stderr
 * @param user passed to every call of @p callback
 */
KMX_C_API void kmx_log_set_callback(kmx_log_callback callback, void* user);

/**
 * @brief Applies a list of thresholds written as for `KMX_LOG`.
 * @param spec for example `"capture:debug,camera:warn"`; null or empty
 *        changes nothing
 * @return 0 when every item was understood; otherwise the number of items
 *         ignored (the others are applied)
 */
KMX_C_API int kmx_log_configure(const char* spec);

/**
 * @brief Sets the threshold of one category.
 * @param category a category; any other value sets every category
 * @param level the least important level to write; #KMX_LOG_OFF writes
 *        nothing
 */
KMX_C_API void kmx_log_set_level(kmx_log_category category, kmx_log_level level);

/**
 * @brief The threshold of a category.
 * @return the level set for @p category, #KMX_LOG_OFF for an unknown one
 */
KMX_C_API kmx_log_level kmx_log_get_level(kmx_log_category category);

/**
 * @brief The name of a category as `KMX_LOG` spells it.
 * @return `"camera"` .. `"aravis"`, or `"?"` for an unknown category
 */
KMX_C_API const char* kmx_log_category_name(kmx_log_category category);

/**
 * @brief The name of a level as `KMX_LOG` spells it.
 * @return `"off"`, `"error"`, `"warn"`, `"info"`, `"debug"`, or `"?"`
 */
KMX_C_API const char* kmx_log_level_name(kmx_log_level level);

/**
 * @brief The last camera-library call made by kmxcore on this thread that
 * failed.
 *
 * Kept per thread whatever the thresholds, so that a tool can say why an
 * operation failed (`kmx_set_param(camera 0x..., 0, 99999): status 2`).
 * A completion check that answers "in progress" is not a failure.
 *
 * @param text receives the call, as `name(arguments)`, terminated and cut
 *        to fit; may be null
 * @param length bytes at @p text
 * @return the status the call answered, or 0 when no call has failed since
 *         the thread started or since kmx_clear_camera_failure()
 */
KMX_C_API int kmx_last_camera_failure(char* text, unsigned length);

/** @brief Forgets the last failed camera-library call of this thread. */
KMX_C_API void kmx_clear_camera_failure(void);

/**
 * @brief The name of a camera-library status.
 * @return the constant's name in kmxlib.h (`"KMX_ERR_BAD_ARGUMENT"`), or
 *         `"unknown status"`
 */
KMX_C_API const char* kmx_camera_status_name(int status);

#ifdef __cplusplus
} /* extern "C" */

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace kmx {

/**
 * @brief The C++ form of a log receiver: category, level and message.
 *
 * It must not throw; an exception it lets out is swallowed.
 */
using log_handler = std::function<void(kmx_log_category, kmx_log_level, const char*)>;

/** @cond internal */
namespace detail {

inline void call_log_handler(void* user, kmx_log_category category, kmx_log_level level,
                             const char* message)
{
    try {
        (*static_cast<log_handler*>(user))(category, level, message);
    } catch (...) {
        // No exception may cross back into the library's C code.
    }
}

// The handler this program installed, kept alive while the library may
// call it.
struct installed_log_handler {
    std::mutex mutex;
    std::unique_ptr<log_handler> handler;
};

inline installed_log_handler& log_handler_slot()
{
    static installed_log_handler slot;
    return slot;
}

} // namespace detail
/** @endcond */

/**
 * @brief Sends every message that passes the thresholds to @p handler
 * (kmx_log_set_callback() with a C++ callable).
 * @param handler the new receiver; an empty one brings back stderr
 */
inline void set_log_handler(log_handler handler)
{
    detail::installed_log_handler& slot = detail::log_handler_slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    std::unique_ptr<log_handler> next;
    if (handler)
        next = std::make_unique<log_handler>(std::move(handler));
    kmx_log_set_callback(next ? &detail::call_log_handler : nullptr, next.get());
    // The library no longer calls the old handler: it can go.
    slot.handler = std::move(next);
}

/**
 * @brief Applies a list of thresholds written as for `KMX_LOG`.
 * @return true when every item was understood
 */
inline bool configure_log(const char* spec) { return kmx_log_configure(spec) == 0; }

} // namespace kmx

#endif /* __cplusplus */

#endif /* KMXCORE_DIAGNOSTICS_H */
