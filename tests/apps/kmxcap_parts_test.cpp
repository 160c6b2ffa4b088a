// SPDX-License-Identifier: Apache-2.0
// kmxcap's pieces in-process: option values, file names, the progress
// line, picture conversions and statistics, and the file writers.
#include <sys/stat.h>

#include <cmath>

#include "commands.h"
#include "kmxcore/image/fw_image.h"
#include "kmxcore/image/iformat.h"
#include "kmxcap_test_support.h"
#include "options.h"
#include "picture.h"
#include "progress.h"
#include "writers.h"

using namespace kmxcap;
using kmxcap_test::Cfile_image;
using kmxcap_test::Cscratch_dir;

namespace {

Coptions parsed(const std::vector<std::string>& args)
{
    Coptions options;
    const Cstatus status = parse_options(args, options);
    EXPECT_TRUE(status.is_ok()) << status.message();
    return options;
}

TEST(Kmxcap_options, ValuesReachTheirFields)
{
    const Coptions o = parsed({"average", "16", "--camera", "2:1", "--gain=40", "--gamma", "0.45",
                               "--invert", "off", "--bin", "--sum", "--stats-roi", "1,2,3,4",
                               "--out", "a.TIFF", "--exposure", "5000"});
    EXPECT_EQ(o.command, Ecommand::average);
    EXPECT_EQ(o.frames, 16u);
    EXPECT_TRUE(o.camera_given);
    EXPECT_EQ(o.camera_id, 2u);
    EXPECT_EQ(o.camera_index, 1u);
    EXPECT_TRUE(o.gain.given);
    EXPECT_EQ(o.gain.value, 40u);
    EXPECT_DOUBLE_EQ(o.gamma, 0.45);
    EXPECT_TRUE(o.invert.given);
    EXPECT_EQ(o.invert.value, 0u);
    EXPECT_EQ(o.readout, Ereadout::bin);
    EXPECT_TRUE(o.sum);
    EXPECT_EQ(o.stats_region.left, 1u);
    EXPECT_EQ(o.stats_region.height, 4u);
    EXPECT_EQ(o.out_path, "a.TIFF");
    EXPECT_EQ(o.exposure_us.value, 5000u);
    EXPECT_FALSE(o.black_level.given);
}

TEST(Kmxcap_options, HelpWinsAndDefaultsAreQuiet)
{
    EXPECT_EQ(parsed({"snap", "--gain", "nonsense", "--help"}).command, Ecommand::help);
    EXPECT_EQ(parsed({"-h"}).command, Ecommand::help);
    const Coptions o = parsed({"auto", "white-balance"});
    EXPECT_EQ(o.auto_kind, Eauto_kind::white_balance);
    EXPECT_FALSE(o.camera_given);
    EXPECT_EQ(o.pixel_values, Epixel_values::display);
    EXPECT_EQ(o.depth, 0u);
    EXPECT_TRUE(o.show_progress);
    const std::string help = help_text();
    for (const char* word : {"list", "snap", "average", "deep-average", "auto", "stream", "--overlay",
                             "--stats", "Exit codes", "7  aborted"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

TEST(Kmxcap_names, StreamFramesAreNumberedBeforeTheExtension)
{
    EXPECT_EQ(numbered_path("out/frame.png", 7, 100), "out/frame-000007.png");
    EXPECT_EQ(numbered_path("a.b/frame", 3, 9), "a.b/frame-000003");
    EXPECT_EQ(numbered_path("f.tif", 12, 12345678), "f-00000012.tif");
}

TEST(Kmxcap_progress, LineShowsTheShareDone)
{
    EXPECT_EQ(progress_line("avg", 0, 4), "avg [..............................] 0/4");
    EXPECT_EQ(progress_line("avg", 2, 4), "avg [###############...............] 2/4");
    EXPECT_EQ(progress_line("avg", 9, 4), "avg [##############################] 4/4");
}

// A library frame image with chosen samples.
Cfw_image make_frame(unsigned format, int width, int height)
{
    Cfw_image frame;
    EXPECT_EQ(frame.create_image(format, width, height), 1);
    return frame;
}

TEST(Kmxcap_picture, ReversedColourBecomesRgb)
{
    Cfw_image frame = make_frame(KMX_FORMAT_BGR24, 2, 1);
    auto* p = static_cast<unsigned char*>(frame.get_bp());
    const unsigned char bgr[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(p, bgr, sizeof bgr);
    Cpicture picture;
    ASSERT_TRUE(picture_from_image(frame, picture).is_ok());
    EXPECT_EQ(picture.channels, 3u);
    EXPECT_EQ(picture.samples, (std::vector<uint16_t>{3, 2, 1, 6, 5, 4}));
}

TEST(Kmxcap_picture, DeepGreyKeepsItsDepthAndInvertsAgainstItsMaximum)
{
    Cfw_image frame = make_frame(KMX_FORMAT_MONO12, 2, 2);
    const uint16_t values[4] = {0, 1, 4000, 4095};
    std::memcpy(frame.get_bp(), values, sizeof values);
    Cpicture picture;
    ASSERT_TRUE(picture_from_image(frame, picture).is_ok());
    EXPECT_EQ(picture.significant_bits, 12u);
    invert_grey(picture);
    EXPECT_EQ(picture.samples, (std::vector<uint16_t>{4095, 4094, 95, 0}));
    scale_to_16_bits(picture);
    EXPECT_EQ(picture.samples, (std::vector<uint16_t>{65535, 65519, 1520, 0}));
    EXPECT_EQ(picture.significant_bits, 16u);
}

TEST(Kmxcap_picture, ImagesWithoutPixelsOrWithShortBuffersAreRefused)
{
    Cfw_image empty;
    Cpicture picture;
    EXPECT_EQ(picture_from_image(empty, picture).exit_code(), exit_capture_failed);
    // Raw words need two bytes per pixel; an 8-bit buffer of the size has
    // only one.
    Cfw_image small = make_frame(KMX_FORMAT_MONO8, 4, 4);
    EXPECT_EQ(picture_from_raw(small, 12, picture).exit_code(), exit_capture_failed);
    Cfw_image wide = make_frame(KMX_FORMAT_MONO10, 4, 4);
    ASSERT_EQ(wide.modify_image(KMX_FORMAT_MONO8), 1);
    EXPECT_TRUE(picture_from_raw(wide, 10, picture).is_ok());
    EXPECT_EQ(picture.significant_bits, 10u);
}

TEST(Kmxcap_stats, MeanAndDeviationPerChannelAndRegion)
{
    Cpicture picture;
    picture.width = 2;
    picture.height = 2;
    picture.channels = 1;
    picture.samples = {10, 20, 30, 40};
    std::vector<Cchannel_stats> stats;
    ASSERT_TRUE(picture_stats(picture, Cregion(), stats));
    EXPECT_DOUBLE_EQ(stats[0].mean, 25.0);
    EXPECT_DOUBLE_EQ(stats[0].deviation, std::sqrt(125.0));
    ASSERT_TRUE(picture_stats(picture, Cregion{true, 1, 0, 1, 2}, stats));
    EXPECT_DOUBLE_EQ(stats[0].mean, 30.0);
    EXPECT_DOUBLE_EQ(stats[0].deviation, 10.0);
    EXPECT_FALSE(picture_stats(picture, Cregion{true, 1, 1, 2, 1}, stats));
    EXPECT_FALSE(picture_stats(picture, Cregion{true, 0xFFFFFFFFu, 0, 2, 1}, stats));
    EXPECT_EQ(format_stats(picture, {{1.5, 0.25}}), "mean 1.500 sd 0.250");
}

Cpicture ramp(unsigned channels, unsigned bits)
{
    Cpicture picture;
    picture.width = 7;  // odd widths catch row-size mistakes
    picture.height = 3;
    picture.channels = channels;
    picture.significant_bits = bits;
    for (unsigned i = 0; i < picture.width * picture.height * channels; ++i)
        picture.samples.push_back(static_cast<uint16_t>((i * 37) & picture.max_value()));
    return picture;
}

void expect_same(const Cpicture& written, const Cfile_image& read, unsigned bits)
{
    EXPECT_EQ(read.width, written.width);
    EXPECT_EQ(read.height, written.height);
    EXPECT_EQ(read.channels, written.channels);
    EXPECT_EQ(read.bits, bits);
    ASSERT_EQ(read.samples.size(), written.samples.size());
    for (size_t i = 0; i < read.samples.size(); ++i)
        ASSERT_EQ(read.samples[i], written.samples[i]) << i;
}

TEST(Kmxcap_writers, PngAndTiffRoundTrip)
{
    Cscratch_dir dir;
    for (unsigned channels : {1u, 3u})
        for (unsigned bits : {8u, 12u}) {
            SCOPED_TRACE(std::to_string(channels) + " channels, " + std::to_string(bits) + " bits");
            const Cpicture picture = ramp(channels, bits);
            const unsigned file_bits = bits == 8 ? 8 : 16;
            Cfile_image png, tiff;
            ASSERT_TRUE(write_picture(picture, Cprovenance(), dir.file("r.png"), Efile_kind::png, false).is_ok());
            ASSERT_TRUE(kmxcap_test::read_png(dir.file("r.png"), png));
            expect_same(picture, png, file_bits);
            EXPECT_EQ(png.significant_bits, bits);
            ASSERT_TRUE(write_picture(picture, Cprovenance(), dir.file("r.tif"), Efile_kind::tiff, true).is_ok());
            ASSERT_TRUE(kmxcap_test::read_tiff(dir.file("r.tif"), tiff));
            expect_same(picture, tiff, file_bits);
            EXPECT_EQ(tiff.max_sample_value, picture.max_value());
        }
}

TEST(Kmxcap_writers, InconsistentPicturesAreRefused)
{
    Cscratch_dir dir;
    Cpicture picture = ramp(1, 8);
    picture.samples.pop_back();
    EXPECT_EQ(write_picture(picture, Cprovenance(), dir.file("x.png"), Efile_kind::png, false).exit_code(),
              exit_write_failed);
    EXPECT_TRUE(dir.files().empty());
}

TEST(Kmxcap_writers, PendingFilesAppearOnlyOnCommit)
{
    Cscratch_dir dir;
    const Cpicture picture = ramp(1, 8);
    {
        Cpending_file dropped(dir.file("dropped.png"));
        ASSERT_TRUE(write_pending(picture, Cprovenance(), dropped, Efile_kind::png, false).is_ok());
        EXPECT_EQ(dir.files().size(), 1u);
        EXPECT_EQ(dir.files().front().rfind(".dropped.png.", 0), 0u);
    }
    EXPECT_TRUE(dir.files().empty());

    Cpending_file kept(dir.file("kept.tif"));
    ASSERT_TRUE(write_pending(picture, Cprovenance(), kept, Efile_kind::tiff, false).is_ok());
    ASSERT_TRUE(kept.commit().is_ok());
    EXPECT_EQ(dir.files(), std::vector<std::string>{"kept.tif"});
    struct stat info;
    ASSERT_EQ(stat(dir.file("kept.tif").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IRUSR, 0u);

    Cpending_file nowhere(dir.file("missing/x.png"));
    EXPECT_EQ(write_pending(picture, Cprovenance(), nowhere, Efile_kind::png, false).exit_code(), exit_write_failed);
}

} // namespace
