// SPDX-License-Identifier: Apache-2.0
// Pieces shared by the averaging (8-bit) and accumulation (deep)
// acquisitions: the sum buffer, its size, the repeated attempt at one
// frame, the cancel test of their waits and the mapping of a failed
// completion status (which the single frames share). Internal to the
// library.
#ifndef KMX_CAPTURE_MULTI_COMMON_H
#define KMX_CAPTURE_MULTI_COMMON_H

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>

#include "kmxcore/camera/kmxlib.h"
#include "kmxcore/capture/capture.h"
#include "kmxcore/capture/thread_state.h"
#include "kmxcore/image/iformat.h"
#include "kmx_platform.h"

namespace kmx_multi {

// Attempts at one frame while the camera keeps answering status 16
// (CAPTURE_ERROR_16).
constexpr unsigned attempts_per_frame = 5;

// One frame of a sum: the attempt is made again while the camera answers
// status 16, up to attempts_per_frame attempts in all; the last result
// stands.
template <typename Attempt>
int attempt_frame(Attempt attempt)
{
    int result = attempt();
    for (unsigned made = 1; made < attempts_per_frame && result == CAPTURE_ERROR_16; ++made)
        result = attempt();
    return result;
}

// Averaging modes (the capture's average_opt).
constexpr unsigned average_none = 0;
constexpr unsigned average_mean = 1;
constexpr unsigned average_sum = 2;

// image_mode of a colour camera: three components per pixel.
constexpr unsigned colour_image_mode = 1;
constexpr unsigned colour_components = 3;

// The pool buffer a stream starts in, and where the deep result's 8-bit
// copy goes.
constexpr unsigned first_buffer = 0;
// A stream alternates between two pool buffers.
constexpr unsigned stream_buffers = 2;
// check_start_next: start the next frame as soon as this one is complete,
// or let the stream end with it.
constexpr unsigned char keep_streaming = 1;
constexpr unsigned char end_stream = 0;
// KMX_PARAM_INVERT while frames are summed.
constexpr unsigned inversion_off = 0;

// The deepest component depth; every other deep depth takes the 10-bit
// codes.
constexpr unsigned deepest_depth = 12;

// The camera's format while a deep frame is taken.
inline unsigned deep_format_code(unsigned image_mode, unsigned depth)
{
    if (image_mode == colour_image_mode)
        return depth == deepest_depth ? KMX_FORMAT_RGB36 : KMX_FORMAT_RGB30;
    return depth == deepest_depth ? KMX_FORMAT_MONO12 : KMX_FORMAT_MONO10;
}

// Bytes of one 32-bit sum.
constexpr uint64_t sum_size = sizeof(uint32_t);

// The sum buffer comes from malloc and goes back with free, like every
// pixel buffer of the library; the owner releases it on every path.
struct Cfree_sums {
    void operator()(unsigned char* sums) const { std::free(sums); }
};
using Csum_buffer = std::unique_ptr<unsigned char, Cfree_sums>;

// Components per row: three per pixel in colour.
inline uint64_t components_per_row(unsigned image_mode, unsigned width)
{
    return uint64_t{width} * (image_mode == colour_image_mode ? colour_components : 1);
}

// Bytes of the sum buffer, in 64 bits so that a large image cannot wrap.
inline uint64_t sum_buffer_bytes(unsigned image_mode, unsigned width, unsigned height)
{
    return components_per_row(image_mode, width) * height * sum_size;
}

// True when the sums can be handed over as the unsigned byte count of the
// accumulate operations and allocated.
inline bool sum_buffer_fits(uint64_t bytes)
{
    return bytes <= std::numeric_limits<unsigned>::max() &&
           bytes <= std::numeric_limits<size_t>::max();
}

// True when a caller's sum buffer holds the sums an image needs, as
// aligned 32-bit words.
inline bool sums_usable(const unsigned char* sums, unsigned sums_bytes, uint64_t needed)
{
    if (!sums || needed > sums_bytes)
        return false;
    return reinterpret_cast<uintptr_t>(sums) % alignof(uint32_t) == 0;
}

// Allocates the sums; null when there is no memory. A zero-sized image
// still gets one byte, so that null always means failure.
inline Csum_buffer allocate_sums(uint64_t bytes)
{
    return Csum_buffer(static_cast<unsigned char*>(std::malloc(bytes ? static_cast<size_t>(bytes) : 1)));
}

// The frames an averaged result is made of: average_frames while
// averaging, one otherwise.
inline unsigned frames_to_sum(unsigned average_opt, unsigned average_frames)
{
    return average_opt != average_none ? average_frames : 1;
}

// GetAsyncKeyState sets the most significant bit while the key is down.
constexpr unsigned short key_down_bit = 0x8000;

// Every wait for the camera gives up while the Escape key is down. The key
// is read afresh at every poll.
inline bool escape_down()
{
    return (static_cast<unsigned short>(GetAsyncKeyState(VK_ESCAPE)) & key_down_bit) != 0;
}

// A wait for a frame gives up on an abort or a stop request, tested in
// that order, or while the Escape key is down.
inline bool wait_cancelled(const Cthread_state* state)
{
    if (state && (state->abort_requested() || state->stop_requested()))
        return true;
    return escape_down();
}

// Capture result of a completion status other than 0 and 14.
inline int failure_result(int status)
{
    if (status == KMX_FRAME_FAILED_16)
        return CAPTURE_ERROR_16;
    if (status == KMX_FRAME_FAILED_13)
        return CAPTURE_ERROR_13;
    return CAPTURE_FAILED;
}

// True when `rows` rows of `n` elements, `stride` elements apart, lie
// within `available` elements.
inline bool rows_fit(uint64_t n, uint64_t rows, uint64_t stride, uint64_t available)
{
    if (rows == 0 || n == 0)
        return true;
    if (stride < n)
        return false;
    return stride * (rows - 1) + n <= available;
}

} // namespace kmx_multi

#endif
