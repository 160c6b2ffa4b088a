// SPDX-License-Identifier: Apache-2.0
// kmxcap end to end: averaging, deep accumulation, the automatic
// procedures, streams, and aborts that must leave no file behind.
#include <algorithm>
#include <chrono>
#include <thread>

#include "kmxcap_test_support.h"

using namespace kmxcap_test;

namespace {

// The simulator's flat grey patch lies in the top-left quarter.
const char* const flat_region = "16,16,128,96";

unsigned same(unsigned v) { return v; }

class Ckmxcap_multi : public ::testing::Test {
protected:
    Cscratch_dir dir;
};

TEST_F(Ckmxcap_multi, AveragingSixteenFramesCutsTheNoise)
{
    const Crun_result single =
        run_tool({"snap", "--camera", "1", "--stats", "--stats-roi", flat_region});
    const Crun_result averaged =
        run_tool({"average", "16", "--camera", "1", "--stats", "--stats-roi", flat_region});
    ASSERT_EQ(single.exit_code, 0) << single.err;
    ASSERT_EQ(averaged.exit_code, 0) << averaged.err;
    const double sd1 = reported_deviation(single.out);
    const double sd16 = reported_deviation(averaged.out);
    ASSERT_GT(sd1, 1.0) << single.out;
    // Photon noise falls with the square root of the frame count: a
    // quarter, with room for rounding to 8 bits.
    EXPECT_LT(sd16, sd1 / 2.5) << single.out << averaged.out;
    // Same scene, same polarity: the means agree.
    EXPECT_NEAR(reported_mean(single.out), reported_mean(averaged.out), 2.0);
}

TEST_F(Ckmxcap_multi, AverageOfTestFramesIsThePattern)
{
    const std::string mean = dir.file("mean.png");
    const std::string sum = dir.file("sum.png");
    Crun_result run = run_tool({"average", "4", "--camera", "1", "--test-mode", "--out", mean});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    run = run_tool({"average", "2", "--camera", "1", "--test-mode", "--sum", "--out", sum});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    Cfile_image a, b;
    ASSERT_TRUE(read_png(mean, a));
    ASSERT_TRUE(read_png(sum, b));
    EXPECT_EQ(pattern_mismatches(a, mono_slot, 8, same), 0u);
    EXPECT_EQ(pattern_mismatches(b, mono_slot, 8, [](unsigned v) { return std::min(2 * v, 255u); }),
              0u);
}

TEST_F(Ckmxcap_multi, ColourAverageWithOverlay)
{
    const std::string out = dir.file("colour.png");
    const Crun_result run = run_tool(
        {"average", "2", "--camera", "2", "--test-mode", "--overlay", "crosshair", "--out", out});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    Cfile_image image;
    ASSERT_TRUE(read_png(out, image));
    ASSERT_EQ(image.channels, 3u);
    for (unsigned c = 0; c < 3; ++c)
        // (100, 100) lies between the crosshair's fourth and fifth circles.
        EXPECT_EQ(image.at(100, 100, c), kmxsim_test_pattern_value(colour_slot, 100, 100, c, 8));
}

TEST_F(Ckmxcap_multi, DeepAverageWritesTheDeepMean)
{
    for (const char* depth : {"10", "12"}) {
        SCOPED_TRACE(depth);
        const std::string out = dir.file(std::string("deep") + depth + ".tif");
        const Crun_result run = run_tool(
            {"deep-average", "3", "--camera", "1", "--depth", depth, "--test-mode", "--out", out});
        ASSERT_EQ(run.exit_code, 0) << run.err;
        Cfile_image image;
        ASSERT_TRUE(read_tiff(out, image));
        EXPECT_EQ(image.bits, 16u);
        EXPECT_EQ(image.max_sample_value, depth[1] == '2' ? 4095u : 1023u);
        EXPECT_EQ(pattern_mismatches(image, mono_slot, static_cast<unsigned>(std::atoi(depth)), same),
                  0u);
    }
}

TEST_F(Ckmxcap_multi, DeepAverageCutsTheNoiseToo)
{
    const Crun_result one = run_tool(
        {"deep-average", "1", "--camera", "1", "--stats", "--stats-roi", flat_region});
    const Crun_result many = run_tool(
        {"deep-average", "16", "--camera", "1", "--stats", "--stats-roi", flat_region});
    ASSERT_EQ(one.exit_code, 0) << one.err;
    ASSERT_EQ(many.exit_code, 0) << many.err;
    EXPECT_LT(reported_deviation(many.out), reported_deviation(one.out) / 3.0)
        << one.out << many.out;
}

TEST_F(Ckmxcap_multi, AutomaticProceduresReportWhatTheCameraSettledOn)
{
    Crun_result run = run_tool({"auto", "exposure", "--camera", "1", "--stats"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("exposure: exposure index "), std::string::npos) << run.out;
    // The procedure aims at mid-grey: the frame taken afterwards is far
    // from the overexposed default.
    EXPECT_GT(reported_mean(run.out), 60.0) << run.out;
    EXPECT_LT(reported_mean(run.out), 190.0) << run.out;

    run = run_tool({"auto", "gain", "--camera", "2"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("gain: gain index "), std::string::npos) << run.out;

    const std::string out = dir.file("balanced.png");
    run = run_tool({"auto", "white-balance", "--camera", "2", "--roi", "0,0,320,256", "--out", out});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("white balance: gain index "), std::string::npos) << run.out;
    Cfile_image image;
    EXPECT_TRUE(read_png(out, image));
}

TEST_F(Ckmxcap_multi, StreamWritesNumberedFrames)
{
    const std::string out = dir.file("frame.png");
    const Crun_result run = run_tool({"stream", "5", "--camera", "1", "--test-mode", "--out", out});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("stream: 5 frames in "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("frames per second"), std::string::npos) << run.out;
    std::vector<std::string> files = dir.files();
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), 5u);
    for (unsigned n = 1; n <= 5; ++n) {
        ASSERT_EQ(files[n - 1], "frame-00000" + std::to_string(n) + ".png");
        Cfile_image image;
        ASSERT_TRUE(read_png(dir.file(files[n - 1]), image));
        EXPECT_EQ(pattern_mismatches(image, mono_slot, 8, same), 0u);
    }
}

TEST_F(Ckmxcap_multi, StreamOnlyCountedWritesNothing)
{
    const Crun_result run = run_tool({"stream", "10", "--camera", "2", "--stats"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("stream: 10 frames in "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("stats (last frame): 1280x1024 RGB"), std::string::npos) << run.out;
    EXPECT_TRUE(dir.files().empty());
}

TEST_F(Ckmxcap_multi, AbortMidStreamLeavesNoFile)
{
    const std::string out = dir.file("frame.png");
    const Crun_result run =
        run_tool({"stream", "50", "--camera", "1", "--abort-after-frames", "3", "--out", out});
    EXPECT_EQ(run.exit_code, 7);
    EXPECT_NE(run.err.find("kmxcap: stream aborted"), std::string::npos) << run.err;
    EXPECT_TRUE(dir.files().empty()) << dir.files().front();
}

TEST_F(Ckmxcap_multi, AbortDuringAnAverageLeavesNoFile)
{
    const std::string out = dir.file("mean.tif");
    const Crun_result run =
        run_tool({"average", "40", "--camera", "1", "--abort-after-frames", "2", "--out", out});
    EXPECT_EQ(run.exit_code, 7);
    EXPECT_NE(run.err.find("average aborted"), std::string::npos) << run.err;
    EXPECT_TRUE(dir.files().empty());
}

TEST_F(Ckmxcap_multi, CtrlCFromOutsideAbortsTheStream)
{
    const std::string out = dir.file("frame.png");
    bool sent = false;
    const Crun_result run = run_tool(
        {"stream", "2000", "--camera", "1", "--out", out},
        [&](const std::string& err, pid_t child) {
            if (sent || err.find("streaming") == std::string::npos)
                return;
            // Let a few frames reach their temporary files first.
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            kill(child, SIGINT);
            sent = true;
        });
    ASSERT_TRUE(sent);
    EXPECT_EQ(run.exit_code, 7) << run.err;
    EXPECT_NE(run.err.find("stream aborted"), std::string::npos) << run.err;
    EXPECT_TRUE(dir.files().empty());
}

} // namespace
