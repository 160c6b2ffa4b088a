// SPDX-License-Identifier: Apache-2.0
// Frames as the module hands them to Python: rows of packed samples, one
// (grey) or three (red, green, blue, in that order) per pixel, 8-bit
// samples for 8-bit frames and 16-bit samples for deep and raw ones.
//
// The library keeps monochrome frames as its windows show them through an
// inverted grey table: a monochrome camera inverts its output by default,
// and averaged monochrome results are inverted in software. The module
// hands out what those windows show, every sample v as max - v (max being
// 255, or 1023 and 4095 for deep samples), so that with the camera's
// default inversion more light gives higher values, whatever the
// acquisition. This is kmxcap's "display" polarity.
#ifndef KMX_PYTHON_FRAMES_H
#define KMX_PYTHON_FRAMES_H

#include <cstddef>

class Cimage_core;

namespace kmx_python {

/// Where a frame lies in the library's memory and how it is handed out.
struct Cframe {
    unsigned char* pixels = nullptr;  ///< first byte of the first row; library memory
    unsigned width = 0;
    unsigned height = 0;
    unsigned channels = 1;      ///< samples handed out per pixel: 1 or 3
    unsigned sample_bytes = 1;  ///< 1, or 2 for deep and raw samples
    unsigned pixel_bytes = 1;   ///< bytes per pixel in memory (4 for 32-bit colour)
    size_t row_bytes = 0;       ///< bytes from one row to the next in memory
    bool reversed = false;      ///< blue, green, red in memory
    unsigned bits = 8;          ///< significant bits of a sample
    bool complement = false;    ///< handed out as max - v (monochrome)
    /// The library allocates this memory anew for each acquisition of its
    /// kind (the deep image), so a view of it would outlive it: such a
    /// frame is always handed out as a copy.
    bool renewed = false;

    /// Bytes of the frame handed out as packed rows.
    size_t packed_bytes() const;
    /// The largest sample value: 255, 1023, 4095, ...
    unsigned max_value() const { return (1u << bits) - 1; }
};

/// Describes an 8-bit or deep image of the library (a pool buffer, the
/// deep image). `monochrome_display`: the image comes from a monochrome
/// camera and is complemented when handed out. False, with `frame`
/// untouched, for an image without pixels, with components the module
/// does not hand out, or whose rows do not fit its buffer.
bool describe_image(const Cimage_core& image, bool monochrome_display, Cframe& frame);

/// Describes the camera's raw output in a pool buffer: one 16-bit word per
/// pixel with `depth` significant bits, packed, at the buffer's size.
/// `complement` as above. False when the words do not fit the buffer.
bool describe_raw(const Cimage_core& buffer, unsigned depth, bool complement, Cframe& frame);

/// Writes the frame as packed rows (packed_bytes() bytes) to
/// `destination`, in red-green-blue order and complemented as described.
void copy_packed(const Cframe& frame, void* destination);

/// Complements the frame in the library's memory (nothing unless
/// `complement`), so that a view of that memory shows what copy_packed
/// would write; the component order stays as it is (a view reverses it
/// through its strides). Then `complement` is false.
void complement_in_place(Cframe& frame);

} // namespace kmx_python

#endif
