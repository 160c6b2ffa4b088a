// SPDX-License-Identifier: Apache-2.0
// kmxcap on kmxaravis' fake camera, chosen with --camera-library or the
// environment: list, snap, average and stream, the files read back.
#include <cstdlib>

#include "kmxcap_test_support.h"

namespace kmxcap_test {
namespace {

constexpr unsigned fake_side = 2048;

struct Cfile_check {
    const char* name;
    unsigned side;
};

TEST(KmxcapAravis, ListSnapAverageAndStreamOnTheFakeCamera)
{
    Cscratch_dir dir;
    struct Ccase {
        std::vector<std::string> args;
        std::vector<Cfile_check> files;  // 3-channel 8-bit pictures, square
    };
    const Ccase cases[] = {
        {{"snap", "--out", dir.file("snap.png"), "--stats"}, {{"snap.png", fake_side}}},
        {{"snap", "--bin", "--out", dir.file("bin.tif")}, {{"bin.tif", fake_side / 2}}},
        {{"average", "4", "--out", dir.file("mean.png"), "--no-progress"}, {{"mean.png", fake_side}}},
        {{"stream", "2", "--preview", "--out", dir.file("live.png"), "--no-progress"},
         {{"live-000001.png", fake_side / 2}, {"live-000002.png", fake_side / 2}}},
    };
    for (const Ccase& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin() + 1, {"--camera-library", "aravis"});
        SCOPED_TRACE(args[0]);
        const Crun_result run = run_tool(args);
        ASSERT_EQ(run.exit_code, 0) << run.err;
        for (const Cfile_check& f : c.files) {
            Cfile_image image;
            const std::string path = dir.file(f.name);
            const bool png = path.size() > 4 && path.compare(path.size() - 4, 4, ".png") == 0;
            ASSERT_TRUE(png ? read_png(path, image) : read_tiff(path, image)) << f.name;
            EXPECT_EQ(image.width, f.side);
            EXPECT_EQ(image.height, f.side);
            EXPECT_EQ(image.channels, 3u);
            EXPECT_EQ(image.bits, 8u);
        }
    }
}

// kmxaravis knows the phase of the fake camera's Bayer format; kmxcap
// learns it from the library's own colour copy of the raw frame (it is
// not the simulator's RGGB) and writes it into the DNG.
TEST(KmxcapAravis, RawFramesBecomeDngsWithTheLibrarysMosaicPattern)
{
    Cscratch_dir dir;
    const std::string dng = dir.file("raw.dng");
    const Crun_result run =
        run_tool({"snap", "--camera-library", "aravis", "-c", "3", "--raw", "-o", dng, "-v"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const std::string said = "reads its raw mosaic as ";
    const size_t at = run.err.find(said);
    ASSERT_NE(at, std::string::npos) << run.err;
    const std::string pattern = run.err.substr(at + said.size(), 4);
    EXPECT_NE(pattern, "RGGB");
    TIFF* tiff = TIFFOpen(dng.c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    uint16_t count = 0;
    uint8_t* colours = nullptr;
    ASSERT_EQ(TIFFGetField(tiff, TIFFTAG_CFAPATTERN, &count, &colours), 1);
    ASSERT_EQ(count, 4u);
    std::string written;
    for (unsigned i = 0; i < count; ++i)
        written += "RGB"[colours[i] % 3];
    EXPECT_EQ(written, pattern);
    TIFFClose(tiff);
}

TEST(KmxcapAravis, TheEnvironmentChoosesTheLibraryAndAMissingOneIsNamed)
{
    setenv("KMX_CAMERA_LIBRARY", "aravis", 1);
    const Crun_result listed = run_tool({"list"});
    EXPECT_EQ(listed.exit_code, 0) << listed.err;
    EXPECT_NE(listed.out.find("camera 3:0  Aravis Fake"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("type: colour"), std::string::npos);
    // The flag wins over the environment.
    const Crun_result missing = run_tool({"list", "--camera-library", "/nonexistent/libcamera.so"});
    EXPECT_EQ(missing.exit_code, 3);
    EXPECT_NE(missing.err.find("'/nonexistent/libcamera.so' could not be loaded"), std::string::npos)
        << missing.err;
    unsetenv("KMX_CAMERA_LIBRARY");
}

} // namespace
} // namespace kmxcap_test
