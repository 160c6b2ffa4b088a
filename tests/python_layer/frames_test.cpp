// SPDX-License-Identifier: Apache-2.0
// Frames as the Python module hands them out: every layout the library
// keeps, copied into packed rows in red-green-blue order, complemented for
// monochrome; and images the layer must refuse to read.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "frames.h"
#include "kmxcore/image/iformat.h"
#include "kmxcore/image/image.h"

namespace kmx_python {
namespace {

// The value stored at (x, y, component k), distinct for every sample.
unsigned sample_at(unsigned x, unsigned y, unsigned k, unsigned max)
{
    return (x * 7 + y * 31 + k * 101) % (max + 1);
}

void store(unsigned char* p, unsigned bytes, unsigned value)
{
    if (bytes == 1) {
        *p = static_cast<unsigned char>(value);
    } else {
        const auto word = static_cast<uint16_t>(value);
        std::memcpy(p, &word, sizeof word);
    }
}

unsigned load(const unsigned char* p, unsigned bytes)
{
    if (bytes == 1)
        return *p;
    uint16_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

struct Clayout_case {
    const char* name;
    unsigned format;
    bool monochrome_display;
    unsigned channels;   // handed out
    unsigned bits;
};

// Odd widths give padded rows; 32-bit colour has a fourth byte to skip.
const Clayout_case layouts[] = {
    {"mono8", KMX_FORMAT_MONO8, true, 1, 8},
    {"mono8 camera values", KMX_FORMAT_MONO8, false, 1, 8},
    {"mono12", KMX_FORMAT_MONO12, true, 1, 12},
    {"mono10", KMX_FORMAT_MONO10, true, 1, 10},
    {"rgb24", KMX_FORMAT_RGB24, true, 3, 8},
    {"bgr24", KMX_FORMAT_BGR24, true, 3, 8},
    {"bgr32", KMX_FORMAT_BGR32, false, 3, 8},
    {"rgb32", KMX_FORMAT_RGB32, false, 3, 8},
    {"rgb36", KMX_FORMAT_RGB36, true, 3, 12},
};

TEST(python_frames, every_layout_is_handed_out_packed_in_rgb_order_and_display_polarity)
{
    constexpr unsigned width = 13;
    constexpr unsigned height = 5;
    for (const Clayout_case& c : layouts) {
        SCOPED_TRACE(c.name);
        Cimage image;
        ASSERT_EQ(image.create_image(c.format, static_cast<int>(width), static_cast<int>(height)),
                  1);
        const unsigned size = image.get_component_size();
        const unsigned pixel = image.get_pixel_size();
        const bool reversed = image.get_component_order() == 1;
        const unsigned max = (1u << c.bits) - 1;
        auto* bp = static_cast<unsigned char*>(image.get_bp());
        for (unsigned y = 0; y < height; ++y)
            for (unsigned x = 0; x < width; ++x)
                for (unsigned k = 0; k < c.channels; ++k) {
                    const unsigned in_memory = reversed ? c.channels - 1 - k : k;
                    store(bp + y * image.get_rowbytes() + x * pixel + in_memory * size, size,
                          sample_at(x, y, k, max));
                }

        Cframe frame;
        ASSERT_TRUE(describe_image(image, c.monochrome_display, frame));
        EXPECT_EQ(frame.channels, c.channels);
        EXPECT_EQ(frame.bits, c.bits);
        std::vector<unsigned char> out(frame.packed_bytes() + 1, 0xA5);
        copy_packed(frame, out.data());
        EXPECT_EQ(out.back(), 0xA5) << "written past the end";
        const bool complemented = c.monochrome_display && c.channels == 1;
        for (unsigned y = 0; y < height; ++y)
            for (unsigned x = 0; x < width; ++x)
                for (unsigned k = 0; k < c.channels; ++k) {
                    const unsigned expected = complemented ? max - sample_at(x, y, k, max)
                                                           : sample_at(x, y, k, max);
                    const size_t at = ((size_t(y) * width + x) * c.channels + k) * size;
                    ASSERT_EQ(load(&out[at], size), expected) << x << "," << y << "," << k;
                }

        // A view of the buffer converted in place shows what the copy holds.
        complement_in_place(frame);
        EXPECT_FALSE(frame.complement);
        std::vector<unsigned char> again(frame.packed_bytes());
        copy_packed(frame, again.data());
        EXPECT_TRUE(std::equal(again.begin(), again.end(), out.begin()));
    }
}

TEST(python_frames, deep_values_past_the_depth_read_as_zero_when_complemented)
{
    Cimage image;
    ASSERT_EQ(image.create_image(KMX_FORMAT_MONO12, 2, 1), 1);
    auto* bp = static_cast<unsigned char*>(image.get_bp());
    store(bp, 2, 4095);
    store(bp + 2, 2, 5000);
    Cframe frame;
    ASSERT_TRUE(describe_image(image, true, frame));
    uint16_t out[2] = {1, 1};
    copy_packed(frame, out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0);
}

TEST(python_frames, images_that_cannot_be_read_are_refused)
{
    Cimage empty;
    Cframe frame;
    frame.width = 99;
    EXPECT_FALSE(describe_image(empty, true, frame));
    EXPECT_EQ(frame.width, 99u) << "a refused image leaves the frame alone";

    // Raw words: the buffer must hold width x height of them, which an
    // 8-bit buffer of the same size does not.
    Cimage buffer;
    ASSERT_EQ(buffer.create_image(KMX_FORMAT_MONO8, 16, 16), 1);
    ASSERT_LT(buffer.get_bsize(), 16u * 16u * 2u);
    EXPECT_FALSE(describe_raw(buffer, 12, true, frame));
    ASSERT_EQ(buffer.create_image(KMX_FORMAT_MONO12, 16, 16), 1);
    ASSERT_TRUE(describe_raw(buffer, 12, true, frame));
    EXPECT_EQ(frame.packed_bytes(), 16u * 16u * 2u);
    EXPECT_FALSE(describe_raw(buffer, 17, true, frame)) << "no sample holds 17 bits";
    EXPECT_FALSE(describe_raw(buffer, 4, true, frame));
}

} // namespace
} // namespace kmx_python
