// SPDX-License-Identifier: Apache-2.0
// kmxaravis' pixel work without a camera: which camera format serves each
// delivered format, unpacking, demosaicing, reordering, the preview
// reduction, the software stages, and the record words and copies.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "pixels.h"
#include "record.h"

namespace {

using namespace kmxaravis;

const Csource_format& source(const char* name)
{
    for (const Csource_format& f : source_formats())
        if (std::strcmp(f.name, name) == 0)
            return f;
    ADD_FAILURE() << "no format " << name;
    return source_formats().front();
}

std::vector<uint32_t> offered(std::initializer_list<const char*> names)
{
    std::vector<uint32_t> values;
    for (const char* name : names)
        values.push_back(source(name).pfnc);
    return values;
}

unsigned word(const std::vector<uint8_t>& bytes, size_t i) { return bytes[2 * i] | (bytes[2 * i + 1] << 8); }

TEST(AravisPixels, EachDeliveredFormatTakesTheCheapestCameraFormat)
{
    struct Ccase {
        std::vector<uint32_t> offered;
        bool colour;
        unsigned code;
        const char* chosen;  // null: nothing serves it
        bool direct;
        unsigned depth;      // of the delivered layout
    };
    const Ccase cases[] = {
        {offered({"Mono12", "Mono8"}), false, code_mono8, "Mono8", true, 8},
        {offered({"Mono12"}), false, code_mono10, "Mono12", false, 10},
        {offered({"Mono12Packed", "Mono12"}), false, code_mono12, "Mono12", true, 12},
        {offered({"Mono12Packed", "Mono16"}), false, code_mono12, "Mono16", false, 12},
        {offered({"Mono8"}), false, code_mono12, nullptr, false, 0},
        {offered({"Mono8"}), false, code_rgb24, nullptr, false, 0},
        {offered({"BayerRG8", "RGB8"}), true, code_bgr24, "RGB8", false, 8},
        {offered({"BayerRG8", "BGR8"}), true, code_bgr24, "BGR8", true, 8},
        {offered({"RGBa8"}), true, code_rgb32, "RGBa8", true, 8},
        {offered({"BayerGB12", "RGB8"}), true, code_rgb36, "BayerGB12", false, 12},
        {offered({"RGB12"}), true, code_rgb36, "RGB12", true, 12},
        {offered({"RGB12"}), true, code_rgb30, "RGB12", false, 10},
        {offered({"RGB8"}), true, code_mono8, nullptr, false, 0},
        // Raw: the deepest mosaic of a colour camera, the deepest
        // monochrome format of the other, at most 12 significant bits.
        {offered({"BayerRG8", "BayerRG12", "RGB8"}), true, code_raw, "BayerRG12", true, 12},
        {offered({"Mono8", "Mono16"}), false, code_raw, "Mono16", false, 12},
        {offered({"Mono8"}), false, code_raw, "Mono8", false, 8},
        {offered({"RGB8"}), true, code_raw, nullptr, false, 0},
    };
    for (const Ccase& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << " from " << (c.chosen ? c.chosen : "-"));
        Cplan plan;
        const bool found = plan_format(c.offered, c.colour, c.code, 64, 48, plan);
        ASSERT_EQ(found, c.chosen != nullptr);
        if (!found)
            continue;
        EXPECT_STREQ(plan.source->name, c.chosen);
        EXPECT_EQ(plan.direct, c.direct);
        EXPECT_EQ(plan.out.depth, c.depth);
        EXPECT_EQ(plan.out.width, 64u);
    }
    EXPECT_TRUE(offers_colour(offered({"Mono8", "BayerBG8"})));
    EXPECT_FALSE(offers_colour(offered({"Mono8", "Mono16"})));
}

// Packs samples the way each camera encoding lays them out.
std::vector<uint8_t> pack(const Csource_format& f, const std::vector<unsigned>& samples)
{
    std::vector<uint8_t> bytes(source_image_bytes(f, static_cast<unsigned>(samples.size()), 1));
    for (size_t i = 0; i < samples.size(); ++i) {
        const unsigned v = samples[i];
        switch (f.encoding) {
        case Eencoding::mono8: bytes[i] = static_cast<uint8_t>(v); break;
        case Eencoding::words16:
            bytes[2 * i] = static_cast<uint8_t>(v);
            bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
            break;
        case Eencoding::packed_gige: {
            const unsigned low = f.depth - 8;
            uint8_t* p = &bytes[(i / 2) * 3];
            p[(i & 1) ? 2 : 0] = static_cast<uint8_t>(v >> low);
            p[1] |= static_cast<uint8_t>((v & ((1u << low) - 1)) << ((i & 1) ? 4 : 0));
            break;
        }
        default:
            for (unsigned bit = 0; bit < f.depth; ++bit) {
                if (v & (1u << bit)) {
                    const size_t at = i * f.depth + bit;
                    bytes[at / 8] |= static_cast<uint8_t>(1u << (at % 8));
                }
            }
            break;
        }
    }
    return bytes;
}

TEST(AravisPixels, PackedAndWideSamplesUnpackToTheirValues)
{
    const char* names[] = {"Mono10Packed", "Mono12Packed", "Mono10p", "Mono12p", "Mono12", "Mono16"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const Csource_format& f = source(name);
        const unsigned top = (1u << f.depth) - 1;
        std::vector<unsigned> samples = {0, top, 1, top - 1, 0x2A5u & top, 0x15Au & top, 7};
        const unsigned width = static_cast<unsigned>(samples.size());
        const std::vector<uint8_t> bytes = pack(f, samples);
        Cplan plan;
        plan.source = &f;
        plan.out = raw_layout(f, width, 1);
        std::vector<uint8_t> out(plan.out.bytes());
        convert_frame(plan, bytes.data(), bytes.size(), width, 1, out.data());
        const unsigned shift = f.depth - plan.out.depth;
        for (unsigned x = 0; x < width; ++x)
            EXPECT_EQ(word(out, x), samples[x] >> shift) << "sample " << x;
    }
}

TEST(AravisPixels, FlatMosaicsDemosaicToFlatColourInEveryPhaseAndDepth)
{
    struct Ccase {
        const char* name;
        unsigned code;
        unsigned r, g, b;        // camera values
        unsigned er, eg, eb;     // delivered values
    };
    const Ccase cases[] = {
        {"BayerRG8", code_rgb24, 200, 100, 50, 200, 100, 50},
        {"BayerGR8", code_bgr24, 200, 100, 50, 200, 100, 50},
        {"BayerGB8", code_rgb32, 10, 20, 30, 10, 20, 30},
        {"BayerBG8", code_rgb24, 255, 0, 128, 255, 0, 128},
        {"BayerRG12", code_rgb36, 4000, 2000, 1000, 4000, 2000, 1000},
        {"BayerBG12", code_rgb24, 4000, 2000, 1000, 250, 125, 62},
        {"BayerGR10p", code_rgb30, 1000, 500, 3, 1000, 500, 3},
    };
    constexpr unsigned width = 7, height = 5; // odd: the edges reflect
    for (const Ccase& c : cases) {
        SCOPED_TRACE(c.name);
        const Csource_format& f = source(c.name);
        std::vector<unsigned> samples;
        for (unsigned y = 0; y < height; ++y)
            for (unsigned x = 0; x < width; ++x) {
                const unsigned colour = mosaic_colour(f.bayer, x, y);
                samples.push_back(colour == 0 ? c.r : colour == 1 ? c.g : c.b);
            }
        const std::vector<uint8_t> bytes = pack(f, samples);
        Cplan plan;
        ASSERT_TRUE(plan_format({f.pfnc}, true, c.code, width, height, plan));
        std::vector<uint8_t> out(plan.out.bytes());
        convert_frame(plan, bytes.data(), bytes.size(), width, height, out.data());
        const Clayout& l = plan.out;
        for (unsigned i = 0; i < width * height; ++i) {
            unsigned v[4] = {0, 0, 0, 0};
            for (unsigned k = 0; k < l.components; ++k)
                v[k] = l.sample_bytes == 1 ? out[i * l.components + k] : word(out, i * l.components + k);
            const unsigned r = l.reversed ? v[2] : v[0], b = l.reversed ? v[0] : v[2];
            ASSERT_EQ(r, c.er) << "pixel " << i;
            ASSERT_EQ(v[1], c.eg) << "pixel " << i;
            ASSERT_EQ(b, c.eb) << "pixel " << i;
            ASSERT_EQ(v[3], 0u); // the fourth byte of 32-bit pixels, else untouched
        }
    }
}

TEST(AravisPixels, SizeMismatchesPadWithZerosAndShortImagesReadAsZeros)
{
    const Csource_format& mono = source("Mono8");
    Cplan plan;
    ASSERT_TRUE(plan_format({mono.pfnc}, false, code_mono8, 4, 3, plan));
    // The camera took 3 x 2 where 4 x 3 was asked for, and sent one byte
    // short: the rest of the frame is zero, nothing is read past the end.
    const std::vector<uint8_t> image = {0xFF, 0x80, 0x40, 0x20, 0x10, 0x08};
    std::vector<uint8_t> out(plan.out.bytes(), 0xEE);
    convert_frame(plan, image.data(), image.size() - 1, 3, 2, out.data());
    const std::vector<uint8_t> expected = {0xFF, 0x80, 0x40, 0, 0x20, 0x10, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(out, expected);
}

TEST(AravisPixels, PreviewHalvesByMeansAndKeepsTheMosaicPhase)
{
    Clayout grey;
    ASSERT_TRUE(layout_for_code(code_mono8, 4, 2, grey));
    const std::vector<uint8_t> in = {10, 20, 30, 41, 30, 40, 50, 60};
    std::vector<uint8_t> out(halve_layout(grey).bytes());
    halve_frame(grey, in.data(), out.data());
    EXPECT_EQ(out, (std::vector<uint8_t>{25, 45}));

    const Clayout mosaic = raw_layout(source("BayerRG12"), 8, 4);
    std::vector<uint8_t> words(mosaic.bytes());
    for (unsigned i = 0; i < 32; ++i)
        words[2 * i] = static_cast<uint8_t>(i);
    std::vector<uint8_t> half(halve_layout(mosaic).bytes());
    halve_frame(mosaic, words.data(), half.data());
    // Cells (0,0) and (4,0) of the top rows, cell (0,...) kept whole.
    EXPECT_EQ((std::vector<unsigned>{word(half, 0), word(half, 1), word(half, 2), word(half, 3)}),
              (std::vector<unsigned>{0, 1, 4, 5}));
    EXPECT_EQ(word(half, 4), 8u);
}

TEST(AravisPixels, SoftwareStagesBoostContrastAndInvert)
{
    struct Ccase {
        unsigned code;
        Ctone tone;
        std::vector<unsigned> in, out;
    };
    Ctone invert;
    invert.invert = true;
    Ctone boost_red;
    boost_red.red_boost = true;
    Ctone contrast;
    contrast.contrast = 254;
    const Ccase cases[] = {
        {code_mono8, invert, {0, 10, 255}, {255, 245, 0}},
        {code_mono12, invert, {100, 4095, 0}, {3995, 0, 4095}},
        {code_rgb24, boost_red, {100, 100, 100, 250, 7, 9}, {125, 100, 100, 255, 7, 9}},
        {code_bgr24, boost_red, {100, 100, 100}, {100, 100, 125}},
        {code_mono8, contrast, {127, 64, 200, 20}, {127, 1, 255, 0}},
        {code_mono8, Ctone{}, {1, 2, 3}, {1, 2, 3}},
    };
    for (const Ccase& c : cases) {
        SCOPED_TRACE(c.code);
        Clayout l;
        const unsigned count = static_cast<unsigned>(c.in.size());
        ASSERT_TRUE(layout_for_code(c.code, count / (c.code == code_mono8 || c.code == code_mono12 ? 1 : 3), 1, l));
        std::vector<uint8_t> pixels(l.bytes());
        for (unsigned i = 0; i < count; ++i) {
            if (l.sample_bytes == 1) {
                pixels[i] = static_cast<uint8_t>(c.in[i]);
            } else {
                pixels[2 * i] = static_cast<uint8_t>(c.in[i]);
                pixels[2 * i + 1] = static_cast<uint8_t>(c.in[i] >> 8);
            }
        }
        apply_tone(l, c.tone, pixels.data());
        for (unsigned i = 0; i < count; ++i)
            EXPECT_EQ(l.sample_bytes == 1 ? pixels[i] : word(pixels, i), c.out[i]) << "sample " << i;
    }
    // A raw mosaic is boosted at its red sites only.
    Clayout raw = raw_layout(source("BayerGR8"), 2, 1);
    std::vector<uint8_t> mosaic = {100, 0, 100, 0};
    apply_tone(raw, boost_red, mosaic.data());
    EXPECT_EQ(mosaic, (std::vector<uint8_t>{100, 0, 125, 0}));
}

TEST(AravisPixels, RecordsDescribeTheirFrameAndCopiesRefuseWhatDoesNotFit)
{
    Clayout l;
    ASSERT_TRUE(layout_for_code(code_bgr24, 3, 2, l));
    std::vector<uint8_t> pixels = {30, 20, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 60, 50, 40};
    kmx_frame_t record{};
    record.buffer = pixels.data();
    record.buffer_size = static_cast<uint32_t>(pixels.size());
    Clayout back;
    EXPECT_FALSE(delivered_layout(record, back));
    mark_delivered(record, l, 7);
    ASSERT_TRUE(delivered_layout(record, back));
    EXPECT_EQ(back.format, unsigned(code_bgr24));
    EXPECT_EQ(back.width, 3u);

    unsigned char rgb[2 * 12] = {};
    const RECT all{0, 0, 3, 2};
    ASSERT_EQ(copy_frame(&record, nullptr, code_rgb32, rgb, all, 12), KMX_OK);
    EXPECT_EQ((std::vector<unsigned char>(rgb, rgb + 4)), (std::vector<unsigned char>{10, 20, 30, 0}));
    EXPECT_EQ((std::vector<unsigned char>(rgb + 20, rgb + 24)), (std::vector<unsigned char>{40, 50, 60, 0}));
    unsigned char grey[1] = {};
    const RECT corner{2, 1, 3, 2};
    ASSERT_EQ(copy_frame(&record, &corner, code_mono8, grey, RECT{0, 0, 1, 1}, 1), KMX_OK);
    EXPECT_EQ(grey[0], (77 * 40 + 150 * 50 + 29 * 60 + 128) >> 8);

    struct Cbad {
        const RECT* source;
        unsigned format;
        RECT rect;
        unsigned rowbytes;
        int status;
    };
    const RECT outside{0, 0, 4, 2};
    const Cbad bad[] = {
        {nullptr, code_rgb30, all, 12, KMX_ERR_FORMAT},
        {nullptr, code_rgb32, all, 11, KMX_ERR_BAD_ARGUMENT},
        {nullptr, code_rgb32, RECT{2, 0, 1, 2}, 12, KMX_ERR_BAD_ARGUMENT},
        {&outside, code_rgb32, all, 12, KMX_ERR_BAD_ARGUMENT},
    };
    for (const Cbad& b : bad)
        EXPECT_EQ(copy_frame(&record, b.source, b.format, rgb, b.rect, b.rowbytes), b.status);
    EXPECT_EQ(copy_frame(nullptr, nullptr, code_rgb32, rgb, all, 12), KMX_ERR_BAD_ARGUMENT);
    // A record whose words were changed, or whose buffer shrank, holds no frame.
    record.buffer_size = 17;
    EXPECT_EQ(copy_frame(&record, nullptr, code_rgb32, rgb, all, 12), KMX_ERR_STATE);
    record.buffer_size = 18;
    record.reserved[rw_width] = 4;
    EXPECT_EQ(copy_frame(&record, nullptr, code_rgb32, rgb, all, 12), KMX_ERR_STATE);
}

// A raw copy takes each colour from the site the phase gives it; a cell
// cut by the odd right edge reads its missing column again rather than
// leaving a colour black.
TEST(AravisPixels, RawCopiesDemosaicByPhaseAndReuseSamplesAtAnOddEdge)
{
    // Three columns, two rows of 8-bit samples in 16-bit words.
    std::vector<uint16_t> mosaic = {10, 20, 30, 40, 50, 60};
    struct Ccase {
        Ebayer bayer;
        unsigned cell[3];  // RGB of the whole cell (columns 0 and 1)
        unsigned edge[3];  // RGB of the cut cell (column 2)
    };
    const Ccase cases[] = {
        {Ebayer::rggb, {10, 30, 50}, {30, 45, 60}},
        {Ebayer::grbg, {20, 30, 40}, {30, 45, 60}},
        {Ebayer::gbrg, {40, 30, 20}, {60, 45, 30}},
        {Ebayer::bggr, {50, 30, 10}, {60, 45, 30}},
    };
    for (const Ccase& c : cases) {
        SCOPED_TRACE(static_cast<unsigned>(c.bayer));
        kmx_frame_t record{};
        record.buffer = mosaic.data();
        record.buffer_size = static_cast<uint32_t>(mosaic.size() * sizeof(uint16_t));
        mark_delivered(record, Clayout{3, 2, code_raw, 1, 2, 8, true, false, c.bayer}, 1);
        unsigned char rgb[2 * 9] = {};
        ASSERT_EQ(copy_frame(&record, nullptr, code_rgb24, rgb, RECT{0, 0, 3, 2}, 9), KMX_OK);
        for (unsigned row = 0; row < 2; ++row) {
            EXPECT_EQ((std::vector<unsigned>(rgb + row * 9, rgb + row * 9 + 3)),
                      (std::vector<unsigned>(c.cell, c.cell + 3)));
            EXPECT_EQ((std::vector<unsigned>(rgb + row * 9 + 6, rgb + row * 9 + 9)),
                      (std::vector<unsigned>(c.edge, c.edge + 3)));
        }
    }
}

} // namespace
