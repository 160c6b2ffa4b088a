// SPDX-License-Identifier: Apache-2.0
// kmxcap end to end on the simulated cameras: snaps in every readout and
// depth, read back from the files and compared with the test pattern.
#include "kmxcap_test_support.h"

using namespace kmxcap_test;

namespace {

constexpr unsigned mono_width = 640, mono_height = 480;
constexpr unsigned colour_width = 1280, colour_height = 1024;

unsigned same(unsigned v) { return v; }

class Ckmxcap_snap : public ::testing::Test {
protected:
    Cscratch_dir dir;
};

TEST_F(Ckmxcap_snap, MonochromePngIsTheTestPatternInDisplayPolarity)
{
    const std::string out = dir.file("mono.png");
    const Crun_result run = run_tool({"snap", "--camera", "1", "--test-mode", "--out", out});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    Cfile_image image;
    ASSERT_TRUE(read_png(out, image));
    EXPECT_EQ(image.width, mono_width);
    EXPECT_EQ(image.height, mono_height);
    EXPECT_EQ(image.channels, 1u);
    EXPECT_EQ(image.bits, 8u);
    // The camera inverts (monochrome default); display polarity undoes it.
    EXPECT_EQ(pattern_mismatches(image, mono_slot, 8, same), 0u);
}

TEST_F(Ckmxcap_snap, CameraPolarityKeepsTheDeliveredValues)
{
    const std::string inverted = dir.file("inverted.png");
    const std::string plain = dir.file("plain.png");
    ASSERT_EQ(run_tool({"snap", "--camera", "1", "--test-mode", "--pixel-values", "camera",
                        "--out", inverted}).exit_code, 0);
    ASSERT_EQ(run_tool({"snap", "--camera", "1", "--test-mode", "--pixel-values", "camera",
                        "--invert", "off", "--out", plain}).exit_code, 0);
    Cfile_image a, b;
    ASSERT_TRUE(read_png(inverted, a));
    ASSERT_TRUE(read_png(plain, b));
    EXPECT_EQ(pattern_mismatches(a, mono_slot, 8, [](unsigned v) { return 255 - v; }), 0u);
    EXPECT_EQ(pattern_mismatches(b, mono_slot, 8, same), 0u);
}

TEST_F(Ckmxcap_snap, ColourPngIsRgbWhateverTheCameraOrder)
{
    for (const char* order : {"bgr", "rgb"}) {
        SCOPED_TRACE(order);
        const std::string out = dir.file(std::string("colour-") + order + ".png");
        const Crun_result run =
            run_tool({"snap", "--camera", "2", "--test-mode", "--order", order, "--out", out});
        ASSERT_EQ(run.exit_code, 0) << run.err;
        Cfile_image image;
        ASSERT_TRUE(read_png(out, image));
        EXPECT_EQ(image.width, colour_width);
        EXPECT_EQ(image.height, colour_height);
        ASSERT_EQ(image.channels, 3u);
        EXPECT_EQ(pattern_mismatches(image, colour_slot, 8, same), 0u);
    }
}

TEST_F(Ckmxcap_snap, ReadoutModesChangeTheSize)
{
    const struct {
        const char* flag;
        unsigned width, height;
    } modes[] = {{"--bin", 320, 240}, {"--preview", 320, 240}};
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.flag);
        const std::string out = dir.file(std::string("mode") + mode.flag + ".tif");
        const Crun_result run = run_tool({"snap", "--camera", "1", mode.flag, "--test-mode", "--out", out});
        ASSERT_EQ(run.exit_code, 0) << run.err;
        Cfile_image image;
        ASSERT_TRUE(read_tiff(out, image));
        EXPECT_EQ(image.width, mode.width);
        EXPECT_EQ(image.height, mode.height);
        EXPECT_EQ(image.bits, 8u);
        EXPECT_EQ(pattern_mismatches(image, mono_slot, 8, same), 0u);
    }
}

TEST_F(Ckmxcap_snap, DeepSnapsKeepTheirSignificantBits)
{
    const std::string tiff = dir.file("deep12.tif");
    Crun_result run = run_tool({"snap", "--camera", "1", "--depth", "12", "--test-mode", "--out", tiff});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    Cfile_image image;
    ASSERT_TRUE(read_tiff(tiff, image));
    EXPECT_EQ(image.bits, 16u);
    EXPECT_EQ(image.max_sample_value, 4095u);
    EXPECT_EQ(pattern_mismatches(image, mono_slot, 12, same), 0u);

    const std::string png = dir.file("deep10.png");
    run = run_tool({"snap", "--camera", "2", "--depth", "10", "--test-mode", "--out", png});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    Cfile_image colour;
    ASSERT_TRUE(read_png(png, colour));
    EXPECT_EQ(colour.bits, 16u);
    EXPECT_EQ(colour.significant_bits, 10u);
    EXPECT_EQ(colour.channels, 3u);
    EXPECT_EQ(pattern_mismatches(colour, colour_slot, 10, same), 0u);
}

TEST_F(Ckmxcap_snap, Scale16SpreadsDeepValuesOverSixteenBits)
{
    const std::string out = dir.file("scaled.png");
    const Crun_result run = run_tool(
        {"snap", "--camera", "1", "--depth", "12", "--test-mode", "--scale16", "--out", out});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    Cfile_image image;
    ASSERT_TRUE(read_png(out, image));
    EXPECT_EQ(image.significant_bits, 16u);
    EXPECT_EQ(pattern_mismatches(image, mono_slot, 12, [](unsigned v) { return (v << 4) | (v >> 8); }),
              0u);
}

TEST_F(Ckmxcap_snap, RawSnapIsOneWordPerPixelAtTheDeepestDepth)
{
    const std::string out = dir.file("raw.tif");
    const Crun_result run = run_tool({"snap", "--camera", "2", "--raw", "--test-mode", "--out", out});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    Cfile_image image;
    ASSERT_TRUE(read_tiff(out, image));
    EXPECT_EQ(image.width, colour_width);
    EXPECT_EQ(image.height, colour_height);
    EXPECT_EQ(image.channels, 1u);
    EXPECT_EQ(image.bits, 16u);
    // An RGGB mosaic of the 12-bit pattern.
    size_t wrong = 0;
    for (unsigned y = 0; y < image.height; ++y)
        for (unsigned x = 0; x < image.width; ++x) {
            const unsigned c = (y & 1) == 0 ? ((x & 1) ? 1 : 0) : ((x & 1) ? 2 : 1);
            wrong += image.at(x, y, 0) != kmxsim_test_pattern_value(colour_slot, x, y, c, 12);
        }
    EXPECT_EQ(wrong, 0u);
}

TEST_F(Ckmxcap_snap, OverlaysAreDrawnOverTheFrame)
{
    for (const char* overlay : {"crosshair", "grid"}) {
        SCOPED_TRACE(overlay);
        const std::string out = dir.file(std::string(overlay) + ".png");
        const Crun_result run = run_tool(
            {"snap", "--camera", "1", "--test-mode", "--overlay", overlay, "--out", out});
        ASSERT_EQ(run.exit_code, 0) << run.err;
        Cfile_image image;
        ASSERT_TRUE(read_png(out, image));
        ASSERT_EQ(image.width, mono_width);
        // The lines through the centre invert the pixels they cover;
        // corners far from every line keep the pattern.
        const unsigned cx = mono_width / 2, cy = mono_height / 2;
        EXPECT_EQ(image.at(cx, 5, 0), 255 - kmxsim_test_pattern_value(mono_slot, cx, 5, 0, 8));
        EXPECT_EQ(image.at(5, cy, 0), 255 - kmxsim_test_pattern_value(mono_slot, 5, cy, 0, 8));
        for (unsigned y = 2; y < 16; ++y)
            for (unsigned x = 2; x < 16; ++x)
                ASSERT_EQ(image.at(x, y, 0), kmxsim_test_pattern_value(mono_slot, x, y, 0, 8))
                    << x << "," << y;
    }
}

TEST_F(Ckmxcap_snap, ColourOverlayKeepsTheComponentOrder)
{
    for (const char* order : {"bgr", "rgb"}) {
        SCOPED_TRACE(order);
        const std::string out = dir.file(std::string("grid-") + order + ".png");
        const Crun_result run = run_tool({"snap", "--camera", "2", "--test-mode", "--order", order,
                                          "--overlay", "grid", "--out", out});
        ASSERT_EQ(run.exit_code, 0) << run.err;
        Cfile_image image;
        ASSERT_TRUE(read_png(out, image));
        ASSERT_EQ(image.channels, 3u);
        for (unsigned c = 0; c < 3; ++c)
            EXPECT_EQ(image.at(10, 10, c), kmxsim_test_pattern_value(colour_slot, 10, 10, c, 8));
    }
}

TEST_F(Ckmxcap_snap, StatsReportTheWrittenValues)
{
    const Crun_result run =
        run_tool({"snap", "--camera", "1", "--test-mode", "--stats", "--stats-roi", "0,0,1,1"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    // One pixel: the pattern's value there, no spread.
    EXPECT_DOUBLE_EQ(reported_mean(run.out), kmxsim_test_pattern_value(mono_slot, 0, 0, 0, 8));
    EXPECT_DOUBLE_EQ(reported_deviation(run.out), 0.0);
    EXPECT_TRUE(dir.files().empty());
}

} // namespace
