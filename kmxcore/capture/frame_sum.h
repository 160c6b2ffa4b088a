// SPDX-License-Identifier: Apache-2.0
// Arithmetic of multi-frame averaging: frames are added component by
// component into packed unsigned 32-bit sums, one sum per component value
// (n sums per row, no padding), and the finished sums are written back into
// a frame as a truncated mean or a clamped sum, optionally inverted.
//
// Internal to the library (not exported). The functions take plain pointers
// that must not overlap, sizes in size_t, and row strides in elements of the
// frame (bytes for 8-bit frames, 16-bit components for deep frames). They
// check nothing: the callers have already made sure that `rows` rows of
// `n` sums and of `stride` elements (the last row needing only n) fit.
//
// The loops exist in one version per instruction set (frame_kernels.h);
// every function here runs the one chosen for the processor when the
// library was loaded, unless its last argument names another (tests and
// benchmarks run each in turn). All versions give the same results.
#ifndef KMX_CAPTURE_FRAME_SUM_H
#define KMX_CAPTURE_FRAME_SUM_H

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kmx_frame_sum {

struct Cframe_kernels;

// The version of the loops chosen for this processor.
const Cframe_kernels& chosen_kernels();

// How finished sums become components.
struct Cfinish {
    bool mean = true;     // true: sum / frames; false: the sum clamped to limit
    uint32_t frames = 1;  // frames summed; the divisor of the mean, at least 1
    uint32_t limit = 255; // clamp of the saturated sum: 255, or the deep mask
    uint32_t flip = 0;    // XORed into every result: limit to invert, else 0
};

// sums[r * n + k] += frame[r * stride + k] for r < rows, k < n.
void add_frame8(uint32_t* sums, const uint8_t* frame, size_t n, size_t rows, size_t stride,
                const Cframe_kernels& version = chosen_kernels());
void add_frame16(uint32_t* sums, const uint16_t* frame, size_t n, size_t rows, size_t stride,
                 const Cframe_kernels& version = chosen_kernels());

// frame[r * stride + k] = the finished sums[r * n + k], stored as its low
// 8 (respectively 16) bits.
void finish_frame8(const uint32_t* sums, uint8_t* frame, size_t n, size_t rows, size_t stride,
                   const Cfinish& how, const Cframe_kernels& version = chosen_kernels());
void finish_frame16(const uint32_t* sums, uint16_t* frame, size_t n, size_t rows, size_t stride,
                    const Cfinish& how, const Cframe_kernels& version = chosen_kernels());

// Adds a run of frames into the sums for little more than half the memory
// traffic of add_frame8/16, which read and write 8 bytes of sums for every
// component. Frames go into 16-bit partial sums (4 bytes read and written
// a component) that are folded into the 32-bit sums before they could
// overflow, by fold(), and when the accumulator goes away. The sums then
// hold exactly what add_frame8/16 would have made of the same frames,
// whatever the frames hold.
//
// The partial sums are allocated at the first frame and freed with the
// accumulator. Where they cannot be allocated, or for frames too deep to
// gain from them, frames go straight into the sums: nothing fails.
class Caccumulator {
public:
    // Frames of `rows` rows of n components will be added into sums.
    Caccumulator(uint32_t* sums, size_t n, size_t rows,
                 const Cframe_kernels& version = chosen_kernels());
    ~Caccumulator();
    Caccumulator(const Caccumulator&) = delete;
    Caccumulator& operator=(const Caccumulator&) = delete;

    void add(const uint8_t* frame, size_t stride);
    // `largest` is the largest value the frame's depth allows (its mask).
    // It only sets how often the partial sums are folded: larger values
    // are still summed exactly.
    void add(const uint16_t* frame, size_t stride, uint32_t largest);
    // Makes the sums whole: every frame added so far is in them.
    void fold();

private:
    // True when a frame whose values reach `largest` goes into the
    // partial sums (folded first if it could overflow them).
    bool into_partials(uint32_t largest);

    uint32_t* sums_;
    size_t n_;
    size_t rows_;
    const Cframe_kernels& version_;
    std::unique_ptr<uint16_t[]> partial_;
    bool unavailable_ = false;  // the partial sums could not be allocated
    uint32_t held_ = 0;         // largest total the partials may hold; 0: empty
};

} // namespace kmx_frame_sum

#endif
