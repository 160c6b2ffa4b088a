// SPDX-License-Identifier: Apache-2.0
#include "frames.h"

#include <cstdint>
#include <cstring>

#include <kmxcore/image/image_core.h>

namespace kmx_python {

namespace {

constexpr unsigned reversed_order = 1;
constexpr unsigned raw_word_bytes = 2;
constexpr unsigned byte_bits = 8;
constexpr unsigned word_bits = 16;

// Rows of `pixel_bytes` x width bytes, `row_bytes` apart, lie within
// `buffer_bytes`.
bool rows_fit(uint64_t pixel_bytes, uint64_t width, uint64_t height, uint64_t row_bytes,
              uint64_t buffer_bytes)
{
    const uint64_t row_needed = pixel_bytes * width;
    if (row_bytes < row_needed)
        return false;
    return height == 0 || row_bytes * (height - 1) + row_needed <= buffer_bytes;
}

uint16_t load_word(const unsigned char* p)
{
    uint16_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

void store_word(unsigned char* p, uint16_t value) { std::memcpy(p, &value, sizeof value); }

// What a window shows for a sample: max - v, and 0 for a value past max
// (which no camera should deliver).
uint16_t complemented(uint16_t value, unsigned max)
{
    return static_cast<uint16_t>(value > max ? 0 : max - value);
}

// One row of a frame whose pixels are packed in memory in the order
// handed out: a copy, complemented where asked. The 8-bit loop is the
// one averaging and single frames take, written so the compiler vectorises it.
void copy_row_in_order(const Cframe& f, const unsigned char* source, unsigned char* out)
{
    const size_t samples = static_cast<size_t>(f.width) * f.channels;
    if (!f.complement) {
        std::memcpy(out, source, samples * f.sample_bytes);
    } else if (f.sample_bytes == 1) {
        for (size_t i = 0; i < samples; ++i)
            out[i] = static_cast<unsigned char>(~source[i]);
    } else {
        const unsigned max = f.max_value();
        for (size_t i = 0; i < samples; ++i)
            store_word(out + 2 * i, complemented(load_word(source + 2 * i), max));
    }
}

// One row of any other frame: pixel by pixel, reordered and complemented.
void copy_row_by_pixel(const Cframe& f, const unsigned char* source, unsigned char* out)
{
    const unsigned max = f.max_value();
    for (unsigned x = 0; x < f.width; ++x) {
        const unsigned char* pixel = source + static_cast<size_t>(x) * f.pixel_bytes;
        for (unsigned c = 0; c < f.channels; ++c) {
            const unsigned from = f.reversed ? f.channels - 1 - c : c;
            const unsigned char* sample = pixel + from * f.sample_bytes;
            if (f.sample_bytes == 1) {
                *out = f.complement ? static_cast<unsigned char>(~*sample) : *sample;
            } else {
                const uint16_t value = load_word(sample);
                store_word(out, f.complement ? complemented(value, max) : value);
            }
            out += f.sample_bytes;
        }
    }
}

} // namespace

size_t Cframe::packed_bytes() const
{
    return static_cast<size_t>(width) * height * channels * sample_bytes;
}

bool describe_image(const Cimage_core& image, bool monochrome_display, Cframe& frame)
{
    const unsigned components = image.get_no_components();
    const unsigned component_size = image.get_component_size();
    auto* pixels = static_cast<unsigned char*>(image.get_bp());
    if (pixels == nullptr || image.get_width() == 0 || image.get_height() == 0)
        return false;
    if (components != 1 && components != 3 && components != 4)
        return false;
    if (component_size != 1 && component_size != 2)
        return false;
    const unsigned pixel_bytes = components * component_size;
    if (!rows_fit(pixel_bytes, image.get_width(), image.get_height(), image.get_rowbytes(),
                  image.get_bsize()))
        return false;
    Cframe f;
    f.pixels = pixels;
    f.width = image.get_width();
    f.height = image.get_height();
    f.channels = components == 1 ? 1 : 3;
    f.sample_bytes = component_size;
    f.pixel_bytes = pixel_bytes;
    f.row_bytes = image.get_rowbytes();
    f.reversed = components > 1 && image.get_component_order() == reversed_order;
    const unsigned depth = image.get_component_depth();
    f.bits = component_size == 1 ? byte_bits : (depth > byte_bits && depth <= word_bits ? depth
                                                                                        : word_bits);
    f.complement = monochrome_display && components == 1;
    frame = f;
    return true;
}

bool describe_raw(const Cimage_core& buffer, unsigned depth, bool complement, Cframe& frame)
{
    auto* pixels = static_cast<unsigned char*>(buffer.get_bp());
    if (pixels == nullptr || buffer.get_width() == 0 || buffer.get_height() == 0 ||
        depth < byte_bits || depth > word_bits)
        return false;
    const uint64_t row_bytes = static_cast<uint64_t>(buffer.get_width()) * raw_word_bytes;
    if (!rows_fit(raw_word_bytes, buffer.get_width(), buffer.get_height(), row_bytes,
                  buffer.get_bsize()))
        return false;
    Cframe f;
    f.pixels = pixels;
    f.width = buffer.get_width();
    f.height = buffer.get_height();
    f.sample_bytes = raw_word_bytes;
    f.pixel_bytes = raw_word_bytes;
    f.row_bytes = static_cast<size_t>(row_bytes);
    f.bits = depth;
    f.complement = complement;
    frame = f;
    return true;
}

void copy_packed(const Cframe& frame, void* destination)
{
    auto* out = static_cast<unsigned char*>(destination);
    const size_t out_row = static_cast<size_t>(frame.width) * frame.channels * frame.sample_bytes;
    const bool in_order = !frame.reversed && frame.pixel_bytes == frame.channels * frame.sample_bytes;
    if (in_order && !frame.complement && frame.row_bytes == out_row) {
        std::memcpy(out, frame.pixels, frame.packed_bytes());
        return;
    }
    for (unsigned y = 0; y < frame.height; ++y) {
        const unsigned char* source = frame.pixels + static_cast<size_t>(y) * frame.row_bytes;
        if (in_order)
            copy_row_in_order(frame, source, out);
        else
            copy_row_by_pixel(frame, source, out);
        out += out_row;
    }
}

void complement_in_place(Cframe& frame)
{
    if (!frame.complement)
        return;
    // Monochrome only: one sample per pixel, packed within the row.
    Cframe row_copy = frame;
    for (unsigned y = 0; y < frame.height; ++y) {
        unsigned char* row = frame.pixels + static_cast<size_t>(y) * frame.row_bytes;
        copy_row_in_order(row_copy, row, row);
    }
    frame.complement = false;
}

} // namespace kmx_python
