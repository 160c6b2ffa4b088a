// SPDX-License-Identifier: Apache-2.0
// kmxcap's pieces in-process: option values, file names, the progress
// line, picture conversions and statistics, and the file writers.
#include <sys/stat.h>

#include <cmath>

#include "commands.h"
#include "json_writer.h"
#include "mosaic_phase.h"
#include "option_table.h"
#include "output_names.h"
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

TEST(Kmxcap_options, ShortFormsAndSettingsReachTheSameFields)
{
    const Coptions o = parsed({"-c", "serial=2001", "stream", "-n", "40", "-e", "700", "-g", "9",
                               "-o", "-", "--format", "tiff", "-q"});
    EXPECT_EQ(o.command, Ecommand::stream);
    EXPECT_TRUE(o.camera_by_serial);
    EXPECT_EQ(o.camera_serial, 2001u);
    EXPECT_EQ(o.frames, 40u);
    EXPECT_EQ(o.exposure_us.value, 700u);
    EXPECT_EQ(o.gain.value, 9u);
    EXPECT_EQ(o.out_path, "-");
    EXPECT_EQ(o.out_format, Eout_format::tiff);
    EXPECT_TRUE(o.quiet);
    const Coptions s = parsed({"set", "gain=12", "-c", "1", "gamma=0.5", "invert=off"});
    EXPECT_EQ(s.set_names, (std::vector<std::string>{"gain", "gamma", "invert"}));
    EXPECT_EQ(s.gain.value, 12u);
    EXPECT_DOUBLE_EQ(s.gamma, 0.5);
    EXPECT_TRUE(s.invert.given);
    EXPECT_EQ(parsed({"-V"}).command, Ecommand::version);
}

// The help is made from the option table: every option that is not a
// testing aid is listed, once, with its short form where it has one.
TEST(Kmxcap_options, HelpListsEveryOptionOnce)
{
    const std::string help = help_text();
    for (const Coption_entry& option : option_table()) {
        // An option's own line starts with its names.
        const std::string listed = (option.short_name ? "\n  " : "\n      ") +
                                   option_name(option, true);
        size_t count = 0;
        for (size_t at = help.find(listed); at != std::string::npos; at = help.find(listed, at + 1))
            count += help.compare(at + listed.size(), 1, " ") == 0 ||
                     help.compare(at + listed.size(), 1, "\n") == 0;
        EXPECT_EQ(count, option.hidden ? 0u : 1u) << listed;
    }
    size_t longest = 0;
    size_t start = 0;
    for (size_t end; (end = help.find('\n', start)) != std::string::npos; start = end + 1)
        longest = std::max(longest, end - start);
    EXPECT_LE(longest, 80u);
}

TEST(Kmxcap_names, StreamFramesAreNumberedBeforeTheExtension)
{
    EXPECT_EQ(numbered_path("out/frame.png", 7, 100), "out/frame-000007.png");
    EXPECT_EQ(numbered_path("a.b/frame", 3, 9), "a.b/frame-000003");
    EXPECT_EQ(numbered_path("f.tif", 12, 12345678), "f-00000012.tif");
}

TEST(Kmxcap_names, PatternsTakeNumberTimeAndSerial)
{
    const std::string created = "2024-05-01T14:03:07.123+02:00";
    const struct {
        const char* pattern;
        unsigned number;
        const char* name;
        bool numbered;
    } cases[] = {
        {"run-%s-%04n.png", 7, "run-1001-0007.png", true},
        {"%n.tif", 12345, "12345.tif", true},
        {"%02n", 123, "123", true},
        {"at-%t.png", 1, "at-20240501T140307.png", false},
        {"100%%-%%n.png", 3, "100%-%n.png", false},
        {"odd-%", 1, "odd-%", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(expand_name(c.pattern, c.number, created, 1001), c.name) << c.pattern;
        EXPECT_EQ(name_has_number_pattern(c.pattern), c.numbered) << c.pattern;
    }
    for (const char* good : {"a%n%t%s%%.png", "%010n.tif", "plain.png"})
        EXPECT_TRUE(name_pattern_valid(good)) << good;
    for (const char* bad : {"a%q.png", "%3t.png", "end%", "%12"})
        EXPECT_FALSE(name_pattern_valid(bad)) << bad;
}

TEST(Kmxcap_json, StringsAreEscapedAndAlwaysUtf8)
{
    const struct {
        std::string text;
        const char* quoted;
    } cases[] = {
        {"plain", "\"plain\""},
        {"say \"hi\"\\", "\"say \\\"hi\\\"\\\\\""},
        {"tab\tline\nreturn\r", "\"tab\\tline\\nreturn\\r\""},
        {std::string("nul\0bell\x07", 9), "\"nul\\u0000bell\\u0007\""},
        {"K\xC3\xB6ln \xE2\x82\xAC \xF0\x9F\x93\xB7",
         "\"K\xC3\xB6ln \xE2\x82\xAC \xF0\x9F\x93\xB7\""},
        {"bad \xFF\xC3 end", "\"bad \xEF\xBF\xBD\xEF\xBF\xBD end\""},
        {"overlong \xC0\xAF surrogate \xED\xA0\x80",
         "\"overlong \xEF\xBF\xBD\xEF\xBF\xBD surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(json_quote(c.text), c.quoted) << c.text;

    Cjson_writer json;
    json.begin_object();
    json.key("n");
    json.value(2.1);
    json.key("big");
    json.value(4294967295u);
    json.key("none");
    json.value(std::nan(""));
    json.key("list");
    json.begin_array();
    json.value(true);
    json.end_array();
    json.key("empty");
    json.begin_object();
    json.end_object();
    json.end_object();
    EXPECT_EQ(json.text(), "{\n  \"n\": 2.1,\n  \"big\": 4294967295,\n  \"none\": null,\n"
                           "  \"list\": [\n    true\n  ],\n  \"empty\": {}\n}\n");
}

// A colour copy of a mosaic of each pattern, made as a camera library
// makes it (the cell's red, mean green, blue): the pattern is found; a
// flat frame cannot tell.
TEST(Kmxcap_mosaic, TheColourCopyShowsThePattern)
{
    constexpr unsigned side = 8;
    for (Ecfa pattern : {Ecfa::rggb, Ecfa::grbg, Ecfa::gbrg, Ecfa::bggr}) {
        SCOPED_TRACE(cfa_name(pattern));
        const std::string name = cfa_name(pattern);
        Cpicture raw;
        raw.width = raw.height = side;
        raw.channels = 1;
        raw.significant_bits = 12;
        raw.samples.resize(side * side);
        std::vector<unsigned char> copy(side * side * 3);
        for (unsigned y = 0; y < side; y += 2)
            for (unsigned x = 0; x < side; x += 2) {
                unsigned rgb[3] = {0, 0, 0};
                for (unsigned k = 0; k < 4; ++k) {
                    const unsigned colour = std::string("RGB").find(name[k]);
                    const unsigned level = (colour + 1) * 800 + 16 * (x + 8 * y);
                    raw.samples[(y + k / 2) * side + x + k % 2] = static_cast<uint16_t>(level);
                    rgb[colour] = level >> 4;
                }
                for (unsigned c = 0; c < 3; ++c)
                    copy[(y * side + x) * 3 + c] = static_cast<unsigned char>(rgb[c]);
            }
        EXPECT_EQ(best_matching_pattern(raw, 0, 0, side / 2, side / 2, copy, side * 3), pattern);
        std::fill(raw.samples.begin(), raw.samples.end(), 1000);
        std::fill(copy.begin(), copy.end(), 1000 >> 4);
        EXPECT_EQ(best_matching_pattern(raw, 0, 0, side / 2, side / 2, copy, side * 3), Ecfa::none);
    }
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
            ASSERT_TRUE(write_picture(picture, Cprovenance(), dir.file("r.png"), Efile_kind::png,
                                      false)
                            .is_ok());
            ASSERT_TRUE(kmxcap_test::read_png(dir.file("r.png"), png));
            expect_same(picture, png, file_bits);
            EXPECT_EQ(png.significant_bits, bits);
            ASSERT_TRUE(write_picture(picture, Cprovenance(), dir.file("r.tif"), Efile_kind::tiff,
                                      true)
                            .is_ok());
            ASSERT_TRUE(kmxcap_test::read_tiff(dir.file("r.tif"), tiff));
            expect_same(picture, tiff, file_bits);
            EXPECT_EQ(tiff.max_sample_value, picture.max_value());
        }
}

// What only the writers decide: a known pixel pitch becomes pHYs and the
// TIFF resolution, text that is not ASCII goes into iTXt, a mosaic asked
// for as TIFF becomes a DNG with its pattern and black level, an inverted
// mosaic is written as the sensor saw it, and no DNG is made of a picture
// that is not a mosaic.
TEST(Kmxcap_writers, PitchTextAndMosaicsAsTheyAreWritten)
{
    Cscratch_dir dir;
    Cprovenance provenance;
    provenance.camera_vendor = "K\xC3\xB6lner Kamera";
    provenance.pixel_pitch_um = 5.0;
    provenance.black_level = 10.0;
    Cpicture picture = ramp(1, 12);
    ASSERT_TRUE(
        write_picture(picture, provenance, dir.file("p.png"), Efile_kind::png, false).is_ok());
    FILE* file = std::fopen(dir.file("p.png").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_read_info(png, info);
    png_uint_32 x_ppm = 0, y_ppm = 0;
    int unit = 0;
    EXPECT_EQ(png_get_pHYs(png, info, &x_ppm, &y_ppm, &unit), PNG_INFO_pHYs);
    EXPECT_EQ(x_ppm, 200000u);
    EXPECT_EQ(unit, PNG_RESOLUTION_METER);
    png_textp text = nullptr;
    int count = 0;
    png_get_text(png, info, &text, &count);
    bool vendor_in_itxt = false;
    for (int i = 0; i < count; ++i)
        vendor_in_itxt |= std::string(text[i].key) == "Camera Vendor" &&
                          text[i].compression == PNG_ITXT_COMPRESSION_NONE &&
                          std::string(text[i].text) == provenance.camera_vendor;
    EXPECT_TRUE(vendor_in_itxt);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);

    picture.mosaic = Ecfa::gbrg;
    picture.inverted = true;
    ASSERT_TRUE(
        write_picture(picture, provenance, dir.file("m.tif"), Efile_kind::tiff, false).is_ok());
    TIFF* tiff = TIFFOpen(dir.file("m.tif").c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    uint16_t photometric = 0, resolution_unit = 0, pattern_count = 0;
    float x_resolution = 0;
    uint8_t* pattern = nullptr;
    uint16_t black_count = 0;
    float* black = nullptr;
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x_resolution);
    TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &resolution_unit);
    ASSERT_EQ(TIFFGetField(tiff, TIFFTAG_CFAPATTERN, &pattern_count, &pattern), 1);
    ASSERT_EQ(TIFFGetField(tiff, TIFFTAG_BLACKLEVEL, &black_count, &black), 1);
    EXPECT_EQ(photometric, PHOTOMETRIC_CFA);
    EXPECT_FLOAT_EQ(x_resolution, 2000.0f);
    EXPECT_EQ(resolution_unit, RESUNIT_CENTIMETER);
    EXPECT_EQ(std::vector<uint8_t>(pattern, pattern + pattern_count),
              (std::vector<uint8_t>{1, 2, 0, 1}));
    EXPECT_FLOAT_EQ(black[0], 160.0f);  // 10 in 8-bit units, 12-bit samples
    TIFFClose(tiff);
    Cfile_image read;
    ASSERT_TRUE(kmxcap_test::read_tiff(dir.file("m.tif"), read));
    for (size_t i = 0; i < read.samples.size(); ++i)
        ASSERT_EQ(read.samples[i], picture.max_value() - picture.samples[i]) << i;

    picture.mosaic = Ecfa::none;
    EXPECT_EQ(write_picture(picture, provenance, dir.file("n.dng"), Efile_kind::dng, false)
                  .exit_code(),
              exit_write_failed);
    EXPECT_EQ(dir.files().size(), 2u);
}

TEST(Kmxcap_writers, InconsistentPicturesAreRefused)
{
    Cscratch_dir dir;
    Cpicture picture = ramp(1, 8);
    picture.samples.pop_back();
    EXPECT_EQ(write_picture(picture, Cprovenance(), dir.file("x.png"), Efile_kind::png, false)
                  .exit_code(),
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
    EXPECT_EQ(write_pending(picture, Cprovenance(), nowhere, Efile_kind::png, false).exit_code(),
              exit_write_failed);
}

} // namespace
