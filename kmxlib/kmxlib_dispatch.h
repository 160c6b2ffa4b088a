/* SPDX-License-Identifier: Apache-2.0 */
/**
 * @file kmxlib_dispatch.h
 * @brief Choosing the camera library at run time.
 *
 * libkmxlib exports the 58 functions of kmxlib.h and forwards each one to
 * a camera library that it loads when the library instance is opened
 * (kmx_open_interface()). Which one is decided, in this order, by:
 *
 *   1. the last kmxlib_select() of the application;
 *   2. the environment variable `KMX_CAMERA_LIBRARY`;
 *   3. the simulator.
 *
 * A name is `sim` (the simulated cameras), `aravis` (GigE Vision and USB3
 * Vision cameras through Aravis), or the file of any library that provides
 * the 58 functions. The two short names are looked up next to libkmxlib
 * itself first, then through the system's library search path, so both a
 * build tree and an installed tree work.
 *
 * A library that cannot be loaded, or that lacks one of the functions,
 * makes kmx_open_interface() fail with a non-zero status; kmxlib_last_error()
 * then says why. Calls made while no library is loaded answer
 * KMX_ERR_NULL_HANDLE, like calls with a null handle.
 *
 * A library once loaded stays loaded until the process ends: camera
 * libraries run threads of their own that must never lose their code.
 *
 * kmxlib_set_log_sink() is forwarded too: the log channel kmxcore hands
 * over reaches every camera library loaded, before or after, that exports
 * it. A library that cannot be loaded is also logged, as an error of
 * category camera.
 *
 * kmxlib_select() and kmxlib_last_error() may be called from any thread;
 * the choice itself belongs to the thread that opens the instance.
 */
#ifndef KMXLIB_DISPATCH_H
#define KMXLIB_DISPATCH_H

#include <kmxcore/camera/kmxlib.h>

#ifdef __cplusplus
extern "C" {
#endif

/** The environment variable that names the camera library. */
#define KMXLIB_ENVIRONMENT "KMX_CAMERA_LIBRARY"

/**
 * @brief Chooses the camera library that the next kmx_open_interface() loads.
 * @param name `sim`, `aravis` or a library file; NULL or "" goes back to
 *        the environment variable (or the simulator)
 * @return KMX_OK; KMX_ERR_IN_USE while a library instance is open (close
 *         it first); KMX_ERR_BAD_ARGUMENT for a name longer than 4095 bytes
 */
KMXLIB_API int kmxlib_select(const char* name);

/**
 * @brief Why the last kmx_open_interface() or kmxlib_select() failed.
 * @return one line of text, or "" when it did not fail; valid until the
 *         calling thread calls this function again
 */
KMXLIB_API const char* kmxlib_last_error(void);

/**
 * @brief The file of the camera library the calls go to now.
 * @return its path, or "" before the first successful kmx_open_interface();
 *         valid until the calling thread calls this function again
 */
KMXLIB_API const char* kmxlib_loaded_library(void);

/**
 * @brief A function or variable of the camera library in use, for calls
 * beyond the contract (a library's own control header).
 * @param name the symbol's name
 * @return its address, or NULL when no library is loaded or it has no such
 *         name
 */
KMXLIB_API void* kmxlib_symbol(const char* name);

#ifdef __cplusplus
}
#endif

#endif /* KMXLIB_DISPATCH_H */
