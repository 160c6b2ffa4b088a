// SPDX-License-Identifier: Apache-2.0
// Copies of delivered frames into tight destinations, and the automatic
// procedures.
#include <cmath>
#include <memory>
#include <vector>

#include "kmx_test_support.h"

namespace {

class Ccamera_fixture : public kmx_test::Csim_test {
protected:
    void open(unsigned id)
    {
        ASSERT_EQ(kmx_open_interface(&instance), 0);
        ASSERT_EQ(kmx_open(instance, id, 0, &camera), 0);
        kmxsim_use_virtual_clock(1, 0);
        buffer.assign(1280 * 1024 * 6, 0);
        frame.buffer = buffer.data();
        frame.buffer_size = static_cast<uint32_t>(buffer.size());
        ASSERT_EQ(kmx_assign_buffers(camera, &frame, 1), 0);
    }
    int take()
    {
        int status = kmx_start_frame_index(camera, 0);
        while (status == 0 && (status = kmx_check_for_complete(camera)) == KMX_FRAME_BUSY) {
        }
        return status;
    }
    kmx_instance_t* instance = nullptr;
    kmx_camera_t* camera = nullptr;
    std::vector<unsigned char> buffer;
    kmx_frame_t frame{};
};

// A heap block of exactly the bytes a rectangle needs, so ASan catches
// any write outside it.
std::unique_ptr<unsigned char[]> tight(const RECT& r, unsigned rowbytes, unsigned pixel_size)
{
    const size_t bytes = static_cast<size_t>(r.bottom - 1) * rowbytes + r.right * pixel_size;
    return std::unique_ptr<unsigned char[]>(new unsigned char[bytes]());
}

TEST_F(Ccamera_fixture, CopiesConvertEveryFormatIntoTightDestinations)
{
    open(2);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_TEST_MODE, 1), 0);
    const unsigned sources[] = {4, 6, 7, 8, 5, 11, 0};
    const struct {
        unsigned format, pixel_size;
    } destinations[] = {{2, 1}, {4, 3}, {6, 3}, {7, 4}, {8, 4}};
    for (unsigned source : sources) {
        ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_FORMAT, source), 0);
        ASSERT_EQ(take(), 0);
        for (const auto& d : destinations) {
            const RECT rect{3, 2, 3 + 1280, 2 + 1024};
            const unsigned rowbytes = rect.right * d.pixel_size;
            auto pixels = tight(rect, rowbytes, d.pixel_size);
            ASSERT_EQ(kmx_copy_frame(camera, &frame, d.format, pixels.get(), rect, rowbytes), 0)
                << source << "->" << d.format;
            // Pixel (10, 4) of the frame; deep sources keep their top bits.
            const unsigned char* p = pixels.get() + (4 + 2) * rowbytes + (10 + 3) * d.pixel_size;
            const unsigned red = kmxsim_test_pattern_value(1, 10, 4, 0, 8);
            if (d.format == 4 || d.format == 7) {
                EXPECT_EQ(p[0], red) << source;
            }
            if (d.format == 6 || d.format == 8) {
                EXPECT_EQ(p[2], red) << source;
            }
        }
    }
}

// Region copies that convert row by row: monochrome into 8-bit monochrome
// and colour into 24-bit colour, from 8-, 10- and 12-bit frames, samples
// kept in order or the first and third of each pixel swapped.
struct Crow_copy {
    unsigned source, depth, components;
    bool reversed;
    unsigned destination;
};

class Crow_copies : public Ccamera_fixture {
protected:
    // Every byte of the destination: the region's samples in the
    // destination's order, keeping their top 8 bits, and nothing beside.
    void check(const Crow_copy& c)
    {
        SCOPED_TRACE(::testing::Message() << c.source << " -> " << c.destination);
        ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_FORMAT, c.source), 0);
        ASSERT_EQ(take(), 0);
        const unsigned width = frame.reserved[2];
        const RECT source{5, 3, 5 + 101, 3 + 37};
        const RECT rect{2, 1, 2 + 101, 1 + 37};
        const unsigned pixel_size = c.destination == 2 ? 1 : 3;
        const unsigned rowbytes = rect.right * pixel_size + 3;
        std::vector<unsigned char> pixels(rect.bottom * rowbytes, 0x5A);
        ASSERT_EQ(kmx_copy_roi(camera, &frame, source, c.destination, pixels.data(), rect,
                               rowbytes),
                  0);
        const unsigned sample_bytes = c.depth == 8 ? 1 : 2;
        auto sample8 = [&](unsigned x, unsigned y, unsigned k) {
            const size_t at = ((size_t{y} * width + x) * c.components + k) * sample_bytes;
            if (sample_bytes == 1)
                return unsigned{buffer[at]};
            return ((buffer[at] | buffer[at + 1] << 8) >> (c.depth - 8)) & 0xFFu;
        };
        const bool swapped = c.destination != 2 && c.reversed != (c.destination == 6);
        for (unsigned y = 0; y < unsigned(rect.bottom); ++y)
            for (unsigned byte = 0; byte < rowbytes; ++byte) {
                const unsigned char got = pixels[y * rowbytes + byte];
                const int x = static_cast<int>(byte / pixel_size);
                if (static_cast<int>(y) < rect.top || x < rect.left || x >= rect.right) {
                    ASSERT_EQ(got, 0x5A) << "written beside the rectangle at " << byte << "," << y;
                    continue;
                }
                const unsigned k = byte % pixel_size;
                const unsigned from = swapped ? 2 - k : k;
                const unsigned source_x = source.left + x - rect.left;
                const unsigned source_y = source.top + y - rect.top;
                ASSERT_EQ(got, sample8(source_x, source_y, from)) << byte << "," << y;
            }
    }
};

TEST_F(Crow_copies, MonochromeFramesOfEveryDepth)
{
    open(1);
    for (const Crow_copy& c : {Crow_copy{2, 8, 1, false, 2}, Crow_copy{3, 10, 1, false, 2},
                               Crow_copy{10, 12, 1, false, 2}})
        check(c);
}

TEST_F(Crow_copies, ColourFramesOfEveryDepthAndOrder)
{
    open(2);
    for (const Crow_copy& c : {Crow_copy{4, 8, 3, false, 4}, Crow_copy{4, 8, 3, false, 6},
                               Crow_copy{6, 8, 3, true, 4}, Crow_copy{6, 8, 3, true, 6},
                               Crow_copy{5, 10, 3, false, 6}, Crow_copy{11, 12, 3, false, 4},
                               Crow_copy{11, 12, 3, false, 6}})
        check(c);
}

TEST_F(Ccamera_fixture, RoiCopyTakesTheRegionAndRejectsWhatDoesNotFit)
{
    open(1);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_TEST_MODE, 1), 0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_FORMAT, 10), 0);
    ASSERT_EQ(take(), 0);
    const RECT source{100, 50, 140, 70};
    const RECT rect{0, 0, 40, 20};
    auto pixels = tight(rect, 40, 1);
    ASSERT_EQ(kmx_copy_roi(camera, &frame, source, 2, pixels.get(), rect, 40), 0);
    EXPECT_EQ(pixels[0], kmxsim_test_pattern_value(0, 100, 50, 0, 12) >> 4);
    EXPECT_EQ(pixels[19 * 40 + 39], kmxsim_test_pattern_value(0, 139, 69, 0, 12) >> 4);

    EXPECT_NE(kmx_copy_roi(camera, &frame, RECT{600, 0, 641, 10}, 2, pixels.get(), rect, 40), 0);
    EXPECT_NE(kmx_copy_roi(camera, &frame, RECT{-1, 0, 10, 10}, 2, pixels.get(), rect, 40), 0);
    EXPECT_NE(kmx_copy_frame(camera, &frame, 2, pixels.get(), RECT{0, 0, 41, 20}, 40), 0);
    EXPECT_NE(kmx_copy_frame(camera, &frame, 2, pixels.get(), RECT{5, 5, 5, 9}, 40), 0);
    EXPECT_NE(kmx_copy_frame(camera, &frame, 3, pixels.get(), rect, 40), 0);
    EXPECT_NE(kmx_copy_frame(camera, &frame, 2, nullptr, rect, 40), 0);
    // A record the camera never filled (or whose words were zeroed).
    kmx_frame_t blank{buffer.data(), frame.buffer_size, {}};
    EXPECT_NE(kmx_copy_frame(camera, &blank, 2, pixels.get(), rect, 40), 0);
    // A record whose buffer no longer holds the frame it describes.
    kmx_frame_t shrunk = frame;
    shrunk.buffer_size = 100;
    EXPECT_NE(kmx_copy_frame(camera, &shrunk, 2, pixels.get(), rect, 40), 0);
}

struct Cprogress {
    int calls = 0;
    int allow = 1000; // calls answered with 1 before the first 0
};

int progress(void*, uintptr_t user)
{
    auto* p = reinterpret_cast<Cprogress*>(user);
    return ++p->calls <= p->allow ? 1 : 0;
}

class Cauto : public Ccamera_fixture {
protected:
    // Mean of the delivered 8-bit monochrome frame (or of one channel of
    // a colour frame).
    double mean(unsigned channel = 0) const
    {
        const unsigned step = frame.reserved[4] == 4 ? 3 : 1;
        const size_t pixels = size_t{frame.reserved[2]} * frame.reserved[3];
        double sum = 0;
        for (size_t i = 0; i < pixels; ++i)
            sum += buffer[i * step + (step == 3 ? channel : 0)];
        return sum / pixels;
    }
    unsigned param(unsigned id) const
    {
        unsigned v = 0;
        kmx_get_param(camera, id, &v);
        return v;
    }
};

TEST_F(Cauto, GainConvergesFromTheLowestGainAndStopsWhenAsked)
{
    open(1);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_GAIN, 0), 0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_BL, 0), 0);
    Cprogress stop{0, 0};
    EXPECT_EQ(kmx_auto_gain_index(camera, 0, progress, reinterpret_cast<uintptr_t>(&stop), 0, 1023),
              KMX_AUTO_ABORTED);
    EXPECT_EQ(stop.calls, 1);
    EXPECT_EQ(param(KMX_PARAM_GAIN), 0u); // a stopped procedure changes nothing
    Cprogress go;
    ASSERT_EQ(kmx_auto_gain_index(camera, 0, progress, reinterpret_cast<uintptr_t>(&go), 0, 1023), 0);
    EXPECT_GT(go.calls, 0);
    EXPECT_NEAR(mean(), 128.0, 10.0);
    const unsigned settled = param(KMX_PARAM_GAIN);
    EXPECT_GT(settled, 20u);
    // Bounds hold: a ceiling below the answer stops there.
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_GAIN, 0), 0);
    ASSERT_EQ(kmx_auto_gain(camera, &frame, nullptr, 0, 0, settled / 2), 0);
    EXPECT_EQ(param(KMX_PARAM_GAIN), settled / 2);
    EXPECT_NE(kmx_auto_gain_index(camera, 5, nullptr, 0, 0, 100), 0); // no record 5
}

TEST_F(Cauto, ExposureConvergesFromTheShortestExposureWithinItsBounds)
{
    open(1);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_EXPOSURE, 10), 0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_BL, 0), 0);
    Cprogress stop{0, 0};
    EXPECT_EQ(kmx_auto_exp_index(camera, 0, progress, reinterpret_cast<uintptr_t>(&stop), 10, 100000),
              KMX_AUTO_ABORTED);
    EXPECT_EQ(stop.calls, 1);
    EXPECT_EQ(param(KMX_PARAM_EXPOSURE), 10u);
    Cprogress go;
    ASSERT_EQ(kmx_auto_exp(camera, &frame, progress, reinterpret_cast<uintptr_t>(&go), 10, 100000), 0);
    EXPECT_NEAR(mean(), 128.0, 10.0);
    const unsigned exposure = param(KMX_PARAM_EXPOSURE);
    EXPECT_GT(exposure, 500u);
    EXPECT_LT(exposure, 2000u);
}

TEST_F(Cauto, ExposureWithGainRaisesGainWhenExposureIsCapped)
{
    open(1);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_EXPOSURE, 10), 0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_GAIN, 0), 0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_BL, 0), 0);
    Cprogress stop{0, 0};
    EXPECT_EQ(kmx_auto_exp_ex(camera, &frame, progress, reinterpret_cast<uintptr_t>(&stop), 10,
                              400, 0, 1023),
              KMX_AUTO_ABORTED);
    Cprogress go;
    ASSERT_EQ(kmx_auto_exp_index_ex(camera, 0, progress, reinterpret_cast<uintptr_t>(&go), 10, 400,
                                    0, 1023),
              0);
    EXPECT_LE(param(KMX_PARAM_EXPOSURE), 400u);
    EXPECT_GT(param(KMX_PARAM_GAIN), 281u);
    EXPECT_NEAR(mean(), 128.0, 10.0);
}

TEST_F(Cauto, WhiteBalanceMakesGreyNeutralFromFarGains)
{
    open(2);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_GAIN, 200), 0); // no channel saturates
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_RED_GAIN, 127), 0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_BLUE_GAIN, 5), 0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_BL, 0), 0);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_GAMMA_MODE, 0), 0);
    const RECT region{0, 0, 1280, 1024};
    Cprogress stop{0, 0};
    EXPECT_EQ(kmx_awb_roi_index(camera, 0, progress, reinterpret_cast<uintptr_t>(&stop), region),
              KMX_AUTO_ABORTED);
    Cprogress go;
    ASSERT_EQ(kmx_awb_roi(camera, &frame, progress, reinterpret_cast<uintptr_t>(&go), region), 0);
    EXPECT_NEAR(param(KMX_PARAM_RED_GAIN), 40.0, 2.0);
    EXPECT_NEAR(param(KMX_PARAM_BLUE_GAIN), 44.0, 2.0);
    const double g = mean(1);
    EXPECT_NEAR(mean(0), g, g * 0.05);
    EXPECT_NEAR(mean(2), g, g * 0.05);
    EXPECT_NE(kmx_awb_roi(camera, &frame, nullptr, 0, RECT{2000, 0, 2100, 10}), 0);
}

TEST_F(Cauto, WhiteBalanceNeedsAColourCamera)
{
    open(1);
    EXPECT_EQ(kmx_awb_roi_index(camera, 0, nullptr, 0, RECT{0, 0, 10, 10}), KMX_ERR_NOT_SUPPORTED);
}

} // namespace
