// SPDX-License-Identifier: Apache-2.0
// kmxcap's failure paths: each gives one line on stderr that names the
// problem, a distinct exit code, and no file.
#include "commands.h"
#include "kmxcore/diagnostics.h"
#include "kmxcap_test_support.h"
#include "kmx_test_support.h"

using namespace kmxcap_test;

namespace {

constexpr int exit_usage = 2;
constexpr int exit_no_camera = 3;
constexpr int exit_refused = 4;
constexpr int exit_capture_failed = 5;
constexpr int exit_write_failed = 6;

struct Cbad_case {
    std::vector<std::string> args;
    int exit_code;
    const char* named;  // what the line must mention
};

class Ckmxcap_failure : public ::testing::Test {
protected:
    Cscratch_dir dir;

    void expect_failure(const Cbad_case& bad)
    {
        std::string joined;
        for (const std::string& arg : bad.args)
            joined += arg + " ";
        SCOPED_TRACE(joined);
        const Crun_result run = run_tool(bad.args);
        EXPECT_EQ(run.exit_code, bad.exit_code) << run.err;
        EXPECT_EQ(count_lines(run.err), 1) << run.err;
        EXPECT_EQ(run.err.rfind("kmxcap: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(bad.named), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_TRUE(dir.files().empty());
    }
};

TEST_F(Ckmxcap_failure, BadCommandLinesAreUsageErrors)
{
    const std::string png = dir.file("x.png");
    const Cbad_case cases[] = {
        {{}, exit_usage, "missing subcommand"},
        {{"shoot"}, exit_usage, "'shoot'"},
        {{"snap", "--frobnicate"}, exit_usage, "'--frobnicate'"},
        {{"snap", "--gain"}, exit_usage, "--gain needs a value"},
        {{"snap", "--gain", "-3"}, exit_usage, "'-3' for --gain"},
        {{"snap", "--gain", "12x"}, exit_usage, "'12x' for --gain"},
        {{"snap", "--gain=99999999999"}, exit_usage, "--gain"},
        {{"snap", "--gamma", "nan"}, exit_usage, "--gamma"},
        {{"snap", "--depth", "9"}, exit_usage, "--depth"},
        {{"snap", "--invert", "maybe"}, exit_usage, "--invert"},
        {{"snap", "--camera", "a:b"}, exit_usage, "--camera"},
        {{"snap", "--stats-roi", "1,2,3"}, exit_usage, "--stats-roi"},
        {{"snap", "--stats-roi", "0,0,0,5"}, exit_usage, "--stats-roi"},
        {{"snap", "--overlay", "circle"}, exit_usage, "--overlay"},
        {{"snap", "--stats=yes"}, exit_usage, "--stats takes no value"},
        {{"snap", "extra"}, exit_usage, "'extra'"},
        {{"snap", "--out", dir.file("x.jpg")}, exit_usage, "must end in .png, .tif, .tiff or .dng"},
        {{"average"}, exit_usage, "missing frame count"},
        {{"average", "0"}, exit_usage, "frame count '0'"},
        {{"average", "2000000"}, exit_usage, "frame count '2000000'"},
        {{"stream", "ten"}, exit_usage, "frame count 'ten'"},
        {{"auto"}, exit_usage, "missing automatic procedure"},
        {{"auto", "focus"}, exit_usage, "'focus'"},
        {{"auto", "gain", "--depth", "12"}, exit_usage, "8-bit"},
        {{"list", "--gain", "3"}, exit_usage, "list takes no"},
        {{"average", "4", "--raw"}, exit_usage, "--raw"},
        {{"snap", "--raw", "--depth", "12"}, exit_usage, "--raw and --depth"},
        {{"snap", "--sum"}, exit_usage, "--sum"},
        {{"snap", "--roi", "0,0,4,4"}, exit_usage, "--roi"},
        {{"snap", "--exposure", "100", "--exposure-index", "3"}, exit_usage, "exclude"},
        {{"snap", "--bin", "--preview"}, exit_usage, "--bin and --preview"},
        {{"average", "2", "--preview", "--bin"}, exit_usage, "--bin and --preview"},
        {{"deep-average", "2", "--depth", "8"}, exit_usage, "deep-average needs"},
        {{"snap", "--depth", "12", "--overlay", "grid", "--out", png}, exit_usage, "--overlay"},
        {{"stream", "3", "--depth", "10"}, exit_usage, "8-bit frames only"},
        {{"snap", "--scale16"}, exit_usage, "--scale16"},
        {{"snap", "--port", "0"}, exit_usage, "--listen and --port are for view only"},
        {{"view", "--port", "65536"}, exit_usage, "--port"},
        {{"view", "--listen", ""}, exit_usage, "--listen"},
        {{"view", "--out", png}, exit_usage, "view shows 8-bit frames"},
        {{"view", "--depth", "12"}, exit_usage, "view shows 8-bit frames"},
        {{"view", "extra"}, exit_usage, "'extra'"},
        {{"snap", "--camera", "1", "--stats", "--stats-roi", "600,0,100,10"}, exit_usage,
         "outside the 640x480 image"},
        {{"auto", "white-balance", "--camera", "2", "--roi", "0,0,2000,10"}, exit_usage,
         "outside the 1280x1024 image"},
    };
    for (const Cbad_case& bad : cases)
        expect_failure(bad);
}

TEST_F(Ckmxcap_failure, RefusedSettingsNameTheSetting)
{
    const Cbad_case cases[] = {
        {{"snap", "--camera", "1", "--gain", "100000"}, exit_refused, "gain index 100000"},
        {{"snap", "--black-level", "100000"}, exit_refused, "black level index 100000"},
        {{"snap", "--exposure-index", "9999"}, exit_refused, "exposure index 9999"},
        {{"snap", "--rate", "3"}, exit_refused, "frame-rate selector 3"},
        {{"snap", "--contrast", "100000"}, exit_refused, "contrast index"},
        {{"snap", "--gamma", "1000"}, exit_refused, "gamma"},
        {{"snap", "--camera", "2", "--red-gain", "100000"}, exit_refused, "red gain 100000"},
        {{"snap", "--camera", "1", "--blue-gain", "30"}, exit_refused, "monochrome"},
        {{"snap", "--camera", "1", "--order", "rgb"}, exit_refused, "monochrome"},
        {{"auto", "white-balance", "--camera", "1"}, exit_refused, "monochrome"},
        {{"view", "--port", "0", "--gain", "100000"}, exit_refused, "gain index 100000"},
    };
    for (const Cbad_case& bad : cases)
        expect_failure(bad);
}

// A refused camera parameter is offered to the camera, whose answer and
// range end up on the error line; with KMX_LOG=camera:warn the library
// logs the failing call as well. A camera that cannot be opened names the
// call that failed.
TEST_F(Ckmxcap_failure, ErrorLinesCarryTheCameraLibraryStatus)
{
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> environment;
        int exit_code;
        std::vector<const char*> lines;  // each must appear, in this order
    } cases[] = {
        {{"snap", "--gain", "99999"},
         {"KMX_LOG=camera:warn"},
         exit_refused,
         {"kmx camera warn: kmx_set_param(0x", ", 0, 99999) failed: status 2 (KMX_ERR_BAD_ARGUMENT)\n",
          "kmxcap: the camera refused gain index 99999: status 2 (KMX_ERR_BAD_ARGUMENT), "
          "valid 0..1023\n"}},
        {{"snap", "--camera", "2", "--red-gain", "100000"},
         {},
         exit_refused,
         {"kmxcap: the camera refused red gain 100000: status 2 (KMX_ERR_BAD_ARGUMENT), valid 0.."}},
        {{"snap", "--camera", "9"},
         {},
         exit_no_camera,
         {"kmxcap: camera 9:0 could not be opened (last camera-library failure: kmx_open(0x",
          ", 9, 0, 0x", "): status 3, KMX_ERR_NOT_FOUND)\n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const Crun_result run = run_tool(c.args, c.environment);
        EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
        EXPECT_EQ(count_lines(run.err), static_cast<int>(c.environment.size()) + 1) << run.err;
        size_t at = 0;
        for (const char* piece : c.lines) {
            at = run.err.find(piece, at);
            ASSERT_NE(at, std::string::npos) << piece << " in " << run.err;
        }
    }
}

TEST_F(Ckmxcap_failure, MissingCamerasAndUnwritableFiles)
{
    const Cbad_case cases[] = {
        {{"snap", "--camera", "9"}, exit_no_camera, "camera 9:0 could not be opened"},
        {{"snap", "--camera", "1:4"}, exit_no_camera, "camera 1:4"},
        {{"snap", "--out", dir.file("no/such/dir/x.png")}, exit_write_failed, "cannot write"},
    };
    for (const Cbad_case& bad : cases)
        expect_failure(bad);
}

// Faults of the camera need the simulator of this process: the tool runs
// in-process here.
class Ckmxcap_camera_fault : public kmx_test::Csim_test {};

TEST_F(Ckmxcap_camera_fault, FailedCapturesEndWithTheirOwnCode)
{
    kmxsim_use_virtual_clock(1, 2);
    kmxsim_fail(KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_FRAME_FAILED_13, 0, 0);
    EXPECT_EQ(kmxcap::run_kmxcap({"snap", "--retries", "2"}), exit_capture_failed);
    kmxsim_clear_faults();

    kmxsim_fail(KMXSIM_FN_CHECK_START_NEXT, 99, 0, 0);
    EXPECT_EQ(kmxcap::run_kmxcap({"average", "3"}), exit_capture_failed);
    EXPECT_EQ(kmxcap::run_kmxcap({"stream", "3"}), exit_capture_failed);
    kmxsim_clear_faults();

    kmxsim_fail(KMXSIM_FN_AUTO_EXP_INDEX_EX, KMX_ERR_INJECTED, 0, 0);
    EXPECT_EQ(kmxcap::run_kmxcap({"auto", "exposure"}), exit_capture_failed);
    kmxsim_clear_faults();

    // With the faults gone the same runs succeed.
    EXPECT_EQ(kmxcap::run_kmxcap({"snap"}), 0);
    EXPECT_EQ(kmxcap::run_kmxcap({"stream", "2"}), 0);
}

// An error line names a camera-library failure only when it happened in
// the step that failed: writes refused while the camera was opened or set
// up (which nothing checks) are not blamed for a later refusal.
TEST_F(Ckmxcap_camera_fault, ErrorLinesBlameNoEarlierUncheckedWrite)
{
    kmxsim_use_virtual_clock(1, 2);
    const std::vector<std::vector<std::string>> refused_later = {
        {"snap", "--rate", "3"},             // refused by the settings record
        {"snap", "-c", "1", "--order", "rgb"}, // refused for the camera's kind
    };
    for (const auto& args : refused_later) {
        SCOPED_TRACE(args.back());
        kmxsim_fail(KMXSIM_FN_SET_PARAM, KMX_ERR_NOT_SUPPORTED, 0, 0);
        testing::internal::CaptureStderr();
        EXPECT_EQ(kmxcap::run_kmxcap(args), exit_refused);
        const std::string err = testing::internal::GetCapturedStderr();
        kmxsim_clear_faults();
        EXPECT_NE(err.find("the camera refused"), std::string::npos) << err;
        EXPECT_EQ(err.find("last camera-library failure"), std::string::npos) << err;
    }
}

TEST_F(Ckmxcap_camera_fault, RetriesAreCounted)
{
    kmxsim_use_virtual_clock(1, 2);
    kmxsim_record(1);
    kmxsim_fail(KMXSIM_FN_CHECK_FOR_COMPLETE, KMX_FRAME_FAILED_16, 0, 0);
    EXPECT_EQ(kmxcap::run_kmxcap({"snap", "--retries", "3"}), exit_capture_failed);
    // One attempt and three retries.
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_START_FRAME_INDEX), 4u);
}

// A camera library that will not copy its raw frame in colour cannot show
// its mosaic's pattern: the DNG is still written, with the usual RGGB.
TEST_F(Ckmxcap_camera_fault, RawPatternFallsBackWhenTheLibraryWillNotCopyInColour)
{
    kmxcap_test::Cscratch_dir dir;
    kmxsim_use_virtual_clock(1, 2);
    kmxsim_record(1);
    kmxsim_fail(KMXSIM_FN_COPY_ROI, KMX_ERR_INJECTED, 0, 0);
    const std::string dng = dir.file("raw.dng");
    ASSERT_EQ(kmxcap::run_kmxcap({"snap", "--raw", "-c", "2", "-o", dng}), 0);
    EXPECT_EQ(kmxsim_count_calls(KMXSIM_FN_COPY_ROI), 1u);
    TIFF* tiff = TIFFOpen(dng.c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    uint16_t count = 0;
    uint8_t* pattern = nullptr;
    ASSERT_EQ(TIFFGetField(tiff, TIFFTAG_CFAPATTERN, &count, &pattern), 1);
    EXPECT_EQ(std::vector<uint8_t>(pattern, pattern + count), (std::vector<uint8_t>{0, 1, 1, 2}));
    TIFFClose(tiff);
    char call[128] = {};
    EXPECT_EQ(kmx_last_camera_failure(call, sizeof call), 0) << call;
}

TEST_F(Ckmxcap_camera_fault, NoCameraAtAll)
{
    kmxsim_clear_cameras();
    EXPECT_EQ(kmxcap::run_kmxcap({"snap"}), exit_no_camera);
    EXPECT_EQ(kmxcap::run_kmxcap({"list"}), 0);
}

} // namespace
