// SPDX-License-Identifier: Apache-2.0
// kmxaravis on Aravis' in-process fake camera: that calls really reach
// Aravis, identity and limits, the features the camera lacks, frames into
// caller memory, streaming, averaging, brightness, the automatic exposure,
// abort, the frame deadline and bad arguments.
#include <dlfcn.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "aravis_support.h"
#include "kmxcore/capture/capture.h"
#include "kmxcore/capture/thread_state.h"
#include "kmxcore/image/fw_image.h"

namespace aravis_test {
namespace {

constexpr unsigned text_length = 64;
constexpr unsigned stat_failed = 2; // kmxaravis' statistics, as the simulator numbers them

std::string file_of(const void* address)
{
    Dl_info info{};
    return dladdr(address, &info) != 0 && info.dli_fname != nullptr ? info.dli_fname : "";
}

bool ends_with(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class Ccapture_probe : public Ccapture {
public:
    using Ccapture::Ccapture;
    using Ccapture::process_multi_frame8;
};

using Cfake_colour = Cfake_test;

TEST_F(Cfake_colour, CallsReachAravisThroughTheDispatch)
{
    open_fake(Efake::colour);
    // This program links no camera library: its kmx_ calls are the
    // dispatch's, and the dispatch loaded kmxaravis.
    EXPECT_TRUE(ends_with(file_of(reinterpret_cast<void*>(&kmx_open)), KMXLIB_FILE));
    EXPECT_TRUE(ends_with(kmxlib_loaded_library(), KMXARAVIS_FILE)) << kmxlib_loaded_library();
    ASSERT_TRUE(ARV_IS_CAMERA(arv_camera()));
    EXPECT_TRUE(ARV_IS_FAKE_DEVICE(arv_camera_get_device(arv_camera())));
    char vendor[text_length], prefix[text_length], product[text_length], listed[text_length];
    EXPECT_EQ(kmx_camera_vendor_desc(camera, vendor, text_length), KMX_OK);
    EXPECT_EQ(kmx_camera_vendor_prefix(camera, prefix, text_length), KMX_OK);
    EXPECT_EQ(kmx_camera_product_desc(camera, product, text_length), KMX_OK);
    EXPECT_STREQ(vendor, "Aravis");
    EXPECT_STREQ(prefix, "Aravis");
    EXPECT_STREQ(product, "Fake");
    EXPECT_EQ(Ckmx_interface::camera_product_desc(fake_id, 0, listed, text_length), KMX_OK);
    EXPECT_STREQ(listed, "Fake");
    EXPECT_EQ(Ckmx_interface::camera_product_desc(fake_id, 9, listed, text_length), KMX_ERR_NOT_FOUND);
    EXPECT_STREQ(listed, "");
}

TEST_F(Cfake_colour, IdentityLimitsAndWhatTheCameraLacks)
{
    open_fake(Efake::colour);
    struct Cinfo {
        unsigned key, value;
    };
    const Cinfo infos[] = {{KMX_INFO_SERIAL_NO, 1},
                           {KMX_INFO_MAX_WIDTH, fake_side},
                           {KMX_INFO_MAX_HEIGHT, fake_side},
                           {KMX_INFO_PREVIEW_WIDTH, fake_side / 2},
                           {KMX_INFO_PREVIEW_HEIGHT, fake_side / 2},
                           {KMX_INFO_CAPS, KMX_CAP_DEPTH8 | KMX_CAP_COLOR | KMX_CAP_PREVIEW | KMX_CAP_BIN}};
    for (const Cinfo& i : infos) {
        unsigned value = 0;
        EXPECT_EQ(kmx_get_info(camera, i.key, &value), KMX_OK);
        EXPECT_EQ(value, i.value) << "key " << i.key;
    }
    // Limits: GainRaw 0..10, ExposureTimeAbs 10 us..10 s (all 257
    // indexes), 25 frames per second at open (the 30 fps selector); no
    // black level, white balance, gamma or test pattern: a single neutral
    // value each.
    struct Climits {
        unsigned id, min, max, fallback;
    };
    const Climits limits[] = {
        {KMX_PARAM_GAIN, 0, 10, 0},        {KMX_PARAM_EXPOSURE, 0, 256, 10000},
        {KMX_PARAM_BL, 0, 0, 0},           {KMX_PARAM_RED_GAIN, 0, 0, 0},
        {KMX_PARAM_RATE, 0, 4, 1},         {KMX_PARAM_FORMAT, 0, 11, KMX_FORMAT_RGB24},
        {KMX_PARAM_TEST_MODE, 0, 0, 0},    {KMX_PARAM_BIN, 0, 1, 0},
        {KMX_PARAM_GAMMA_MODE, 0, 0, 0},   {KMX_PARAM_CONTRAST, 0, 255, 127},
    };
    for (const Climits& l : limits) {
        unsigned min = 99, max = 99, fallback = 99;
        EXPECT_EQ(kmx_get_param_min(camera, l.id, &min), KMX_OK);
        EXPECT_EQ(kmx_get_param_max(camera, l.id, &max), KMX_OK);
        EXPECT_EQ(kmx_get_param_default(camera, l.id, &fallback), KMX_OK);
        EXPECT_EQ(min, l.min) << "parameter " << l.id;
        EXPECT_EQ(max, l.max) << "parameter " << l.id;
        EXPECT_EQ(fallback, l.fallback) << "parameter " << l.id;
    }
    struct Cwrite {
        unsigned id, value;
        int status;
    };
    const Cwrite writes[] = {
        {KMX_PARAM_GAIN, 5, KMX_OK},           {KMX_PARAM_GAIN, 11, KMX_ERR_BAD_ARGUMENT},
        {KMX_PARAM_BL, 0, KMX_OK},             {KMX_PARAM_BL, 3, KMX_ERR_NOT_SUPPORTED},
        {KMX_PARAM_RED_GAIN, 1, KMX_ERR_NOT_SUPPORTED},
        {KMX_PARAM_TEST_MODE, 1, KMX_ERR_NOT_SUPPORTED},
        {KMX_PARAM_GAMMA_MODE, 1, KMX_ERR_NOT_SUPPORTED},
        {KMX_PARAM_FORMAT, KMX_FORMAT_MONO8, KMX_ERR_FORMAT},
        {KMX_PARAM_FORMAT, KMX_FORMAT_RGB36, KMX_ERR_FORMAT},
        {KMX_PARAM_FORMAT, 9, KMX_ERR_FORMAT},  {KMX_PARAM_FORMAT, 12, KMX_ERR_BAD_ARGUMENT},
        {KMX_PARAM_EXPOSURE, 5, KMX_ERR_BAD_ARGUMENT},
        {KMX_PARAM_EXPOSURE, 20000, KMX_OK},   {KMX_PARAM_RATE, 4, KMX_OK},
        {KMX_PARAM_BIN, 1, KMX_OK},            {KMX_PARAM_CONTRAST, 300, KMX_ERR_BAD_ARGUMENT},
        {13, 0, KMX_ERR_BAD_ARGUMENT},         {KMX_PARAM_19, 0xFFFFFFFFu, KMX_OK},
    };
    for (const Cwrite& w : writes)
        EXPECT_EQ(kmx_set_param(camera, w.id, w.value), w.status) << "parameter " << w.id << " = " << w.value;
    // Written values reach the camera's own features.
    GError* error = nullptr;
    EXPECT_EQ(arv_camera_get_integer(arv_camera(), "GainRaw", &error), 5);
    EXPECT_NEAR(arv_camera_get_float(arv_camera(), "ExposureTimeAbs", &error), 20000.0, 1.0);
    EXPECT_NEAR(arv_camera_get_float(arv_camera(), "AcquisitionFrameRate", &error), 60.0, 0.5);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(param(KMX_PARAM_GAIN), 5u);
    EXPECT_EQ(param(KMX_PARAM_EXPOSURE), 20000u);

    double gamma = 0, gain = 0;
    EXPECT_EQ(kmx_get_fparam_max(camera, KMX_FPARAM_GAMMA, &gamma), KMX_OK);
    EXPECT_EQ(gamma, 1.0);
    EXPECT_EQ(kmx_set_fparam(camera, KMX_FPARAM_GAMMA, 1.5), KMX_ERR_NOT_SUPPORTED);
    EXPECT_EQ(kmx_set_fparam(camera, KMX_FPARAM_GAMMA, 1.0), KMX_OK);
    EXPECT_EQ(kmx_index_to_gain(camera, 3, &gain), KMX_OK);
    EXPECT_EQ(gain, 3.0); // GainRaw has no unit: the index is the raw value
    unsigned index = 0;
    EXPECT_EQ(kmx_gain_to_index(camera, NAN, &index), KMX_ERR_BAD_ARGUMENT);
    unsigned char lut[256];
    EXPECT_EQ(kmx_get_lut(camera, lut, 256), KMX_OK);
    EXPECT_EQ(lut[200], 200);
    EXPECT_EQ(kmx_load_lut(camera, lut, 256), KMX_ERR_NOT_SUPPORTED);
    EXPECT_EQ(kmx_awb_roi_index(camera, 0, nullptr, 0, RECT{0, 0, 100, 100}), KMX_ERR_NOT_SUPPORTED);
}

TEST_F(Cfake_colour, FramesLandInCallerMemoryAndConvertWhereTheyMust)
{
    open_fake(Efake::colour);
    use_pattern();
    // kmxcore's settings switch both colour boosts on: off, the camera's
    // values come through unchanged.
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_RED_BOOST, 0), KMX_OK);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_BLUE_BOOST, 0), KMX_OK);
    struct Ccase {
        unsigned format;
        bool in_caller_memory;  // Aravis wrote into the record's own buffer
        unsigned components;
        bool reversed;
    };
    const Ccase cases[] = {{KMX_FORMAT_RGB24, true, 3, false},
                           {KMX_FORMAT_BGR24, false, 3, true},
                           {KMX_FORMAT_BGR32, false, 4, true}};
    for (const Ccase& c : cases) {
        SCOPED_TRACE(c.format);
        ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_FORMAT, c.format), KMX_OK);
        ASSERT_EQ(take_frame(1), KMX_OK) << extra<kmxaravis_last_error_fn>("kmxaravis_last_error")();
        const kmx_frame_t* record = device.get_frame_info(1);
        EXPECT_EQ(pattern.last_data.load() == record->buffer, c.in_caller_memory);
        EXPECT_EQ(record->reserved[2], fake_side); // width, as the record words describe it
        EXPECT_EQ(record->reserved[4], c.format);
        const uint8_t* bytes = frame_bytes(1);
        for (unsigned y : {0u, 7u, fake_side - 1}) {
            for (unsigned x : {0u, 5u, fake_side - 1}) {
                const uint8_t* px = bytes + (size_t{y} * fake_side + x) * c.components;
                EXPECT_EQ(px[c.reversed ? 2 : 0], Cpattern::value(x, y, 0));
                EXPECT_EQ(px[1], Cpattern::value(x, y, 1));
                EXPECT_EQ(px[c.reversed ? 0 : 2], Cpattern::value(x, y, 2));
            }
        }
        unsigned char grey[4] = {};
        EXPECT_EQ(kmx_copy_frame(camera, device.get_frame_info(1), KMX_FORMAT_MONO8, grey,
                                 RECT{0, 0, 4, 1}, 4), KMX_OK);
    }
    // The emulated boost multiplies red by 1.25 and leaves green alone.
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_RED_BOOST, 1), KMX_OK);
    ASSERT_EQ(take_frame(1), KMX_OK);
    const uint8_t* boosted = frame_bytes(1) + (size_t{3} * fake_side + 9) * 4; // BGR32 still
    EXPECT_EQ(boosted[2], std::min(255u, unsigned(std::lround(Cpattern::value(9, 3, 0) * 1.25))));
    EXPECT_EQ(boosted[1], Cpattern::value(9, 3, 1));

    // Binned readout: the camera's own binning, half the size.
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_FORMAT, KMX_FORMAT_RGB24), KMX_OK);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_BIN, 1), KMX_OK);
    ASSERT_EQ(take_frame(0), KMX_OK);
    EXPECT_EQ(device.get_frame_info(0)->reserved[2], fake_side / 2);
    GError* error = nullptr;
    EXPECT_EQ(arv_camera_get_integer(arv_camera(), "BinningHorizontal", &error), 2);
    // Emulated preview: half the size again, from the binned frame.
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_PREVIEW, 1), KMX_OK);
    ASSERT_EQ(take_frame(0), KMX_OK);
    EXPECT_EQ(device.get_frame_info(0)->reserved[2], fake_side / 4);
}

TEST_F(Cfake_colour, StreamsIntoTheTwoRecordsInTurnAndEndsOnRequest)
{
    open_fake(Efake::colour);
    struct Cevents {
        std::vector<uint32_t> sequences;
    } events;
    ASSERT_EQ(kmx_register_event_callback(camera, KMX_EVENT_FRAME_COMPLETE,
                                          [](void* context, uint32_t sequence) {
                                              static_cast<Cevents*>(context)->sequences.push_back(sequence);
                                          },
                                          reinterpret_cast<uintptr_t>(&events), 0),
              KMX_OK);
    ASSERT_EQ(kmx_start_frame_index(camera, 0), KMX_OK);
    std::vector<unsigned> records;
    for (int frame = 0; frame < 5; ++frame) {
        const unsigned char keep_going = frame < 4 ? 1 : 0;
        int status;
        while ((status = kmx_check_start_next(camera, keep_going)) == KMX_FRAME_BUSY)
            g_usleep(500);
        ASSERT_EQ(status, KMX_OK);
        // The record just delivered carries the newest sequence number.
        const uint32_t s0 = device.get_frame_info(0)->reserved[1];
        const uint32_t s1 = device.get_frame_info(1)->reserved[1];
        records.push_back(s1 > s0 ? 1 : 0);
    }
    EXPECT_EQ(records, (std::vector<unsigned>{0, 1, 0, 1, 0}));
    EXPECT_EQ(events.sequences, (std::vector<uint32_t>{1, 2, 3, 4, 5}));
    // Flag 0 let the stream end after its frame.
    EXPECT_EQ(kmx_check_start_next(camera, 1), KMX_ERR_STATE);
    EXPECT_EQ(kmx_remove_event_callback(camera, KMX_EVENT_FRAME_COMPLETE), KMX_OK);
}

TEST_F(Cfake_colour, AbortFromAnotherThreadAndTheFrameDeadlineEndAFrameThatDoesNotCome)
{
    open_fake(Efake::colour);
    Ccam_settings settings;
    settings.init(camera);
    Ccapture capture;
    capture.init(&device, &settings);
    ASSERT_EQ(capture.get_frame(), CAPTURE_OK);
    // One frame a second from now on: after a frame, the next one is a
    // second away. Aravis has no feature that tells kmxaravis so: the
    // frames waited for get a deadline of three seconds.
    auto set_deadline = extra<kmxaravis_set_frame_deadline_ms_fn>("kmxaravis_set_frame_deadline_ms");
    arv_fake_camera_set_trigger_frequency(fake_camera(), 1.0);
    ASSERT_EQ(set_deadline(camera, 3000), KMX_OK);
    ASSERT_EQ(take_frame(), KMX_OK);

    Cthread_state state;
    int result = -1;
    const auto start = std::chrono::steady_clock::now();
    std::thread worker([&] { result = capture.get_frame(&state); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    state.set_abort();
    worker.join();
    EXPECT_EQ(result, CAPTURE_FAILED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

    // A camera that stops delivering fails the frame at the deadline
    // instead of leaving a caller that polls without limit hanging.
    ASSERT_EQ(take_frame(), KMX_OK);
    ASSERT_EQ(set_deadline(camera, 100), KMX_OK);
    unsigned failed_before = 0, failed_after = 0;
    kmx_get_stat(camera, stat_failed, &failed_before);
    EXPECT_EQ(take_frame(), KMX_FRAME_FAILED_16);
    kmx_get_stat(camera, stat_failed, &failed_after);
    EXPECT_EQ(failed_after, failed_before + 1);
    EXPECT_EQ(set_deadline(nullptr, 100), KMX_ERR_NULL_HANDLE);
    // The camera delivers again: so does the library.
    arv_fake_camera_set_trigger_frequency(fake_camera(), 25.0);
    ASSERT_EQ(set_deadline(camera, 3000), KMX_OK);
    EXPECT_EQ(take_frame(), KMX_OK);
    EXPECT_EQ(set_deadline(camera, 0), KMX_OK);
}

TEST_F(Cfake_colour, BadArgumentsAreRefusedAndLeaveTheCameraWorking)
{
    open_fake(Efake::colour);
    std::vector<uint8_t> small(100);
    kmx_frame_t tiny{small.data(), static_cast<uint32_t>(small.size()), {}};
    kmx_frame_t empty{nullptr, 1u << 30, {}};
    unsigned value = 0;
    char text[8];
    kmx_camera_t* other = nullptr;
    kmx_camera_t* stale = reinterpret_cast<kmx_camera_t*>(&value);
    struct Ccase {
        const char* what;
        int status;
        int expected;
    };
    const Ccase cases[] = {
        {"record too small", kmx_start_frame(camera, &tiny), KMX_ERR_BUFFER_TOO_SMALL},
        {"record without memory", kmx_start_frame(camera, &empty), KMX_ERR_BUFFER_TOO_SMALL},
        {"no record", kmx_start_frame(camera, nullptr), KMX_ERR_BAD_ARGUMENT},
        {"index past the pool", kmx_start_frame_index(camera, 2), KMX_ERR_NO_BUFFERS},
        {"nothing started", kmx_check_for_complete(camera), KMX_ERR_STATE},
        {"no records to assign", kmx_assign_buffers(camera, nullptr, 2), KMX_ERR_BAD_ARGUMENT},
        {"no out-pointer", kmx_get_param(camera, KMX_PARAM_GAIN, nullptr), KMX_ERR_BAD_ARGUMENT},
        {"unknown key", kmx_get_info(camera, 99, &value), KMX_ERR_BAD_ARGUMENT},
        {"empty text", kmx_camera_vendor_desc(camera, text, 0), KMX_ERR_BAD_ARGUMENT},
        {"unknown statistic", kmx_get_stat(camera, 99, &value), KMX_ERR_BAD_ARGUMENT},
        {"unknown event", kmx_register_event_callback(camera, 2, nullptr, 0, 0), KMX_ERR_BAD_ARGUMENT},
        {"no frame in the record", kmx_copy_frame(camera, &tiny, KMX_FORMAT_MONO8, small.data(),
                                                  RECT{0, 0, 1, 1}, 1), KMX_ERR_STATE},
        {"limits upside down", kmx_auto_exp_index(camera, 0, nullptr, 0, 1000, 10), KMX_ERR_BAD_ARGUMENT},
        {"stale handle", kmx_get_info(stale, KMX_INFO_CAPS, &value), KMX_ERR_NULL_HANDLE},
        {"unknown camera", kmx_open(Ckmx_interface::get_interface(), 9, 0, &other), KMX_ERR_NOT_FOUND},
        {"camera in use", kmx_open(Ckmx_interface::get_interface(), fake_id, 0, &other), KMX_ERR_IN_USE},
        {"closing a stale handle", kmx_close(Ckmx_interface::get_interface(), &stale), KMX_ERR_NULL_HANDLE},
    };
    for (const Ccase& c : cases)
        EXPECT_EQ(c.status, c.expected) << c.what;
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(take_frame(), KMX_OK);
    // Released records are out of reach; assigned again, they work.
    ASSERT_EQ(kmx_release_buffers(camera), KMX_OK);
    EXPECT_EQ(kmx_start_frame_index(camera, 0), KMX_ERR_NO_BUFFERS);
    EXPECT_EQ(device.get_bpool()->assign(camera), 0);
    EXPECT_EQ(take_frame(), KMX_OK);
}

using Cfake_mono = Cfake_test;

TEST_F(Cfake_mono, DeepFramesComeFromTheSixteenBitFormat)
{
    open_fake(Efake::mono);
    unsigned caps = 0;
    ASSERT_EQ(kmx_get_info(camera, KMX_INFO_CAPS, &caps), KMX_OK);
    EXPECT_EQ(caps, unsigned(KMX_CAP_DEPTH8 | KMX_CAP_DEPTH10 | KMX_CAP_DEPTH12 | KMX_CAP_PREVIEW | KMX_CAP_BIN));
    use_pattern();
    struct Ccase {
        unsigned format;
        unsigned shift;          // of the camera's 16-bit values; 8: Mono8 itself
        bool in_caller_memory;
    };
    const Ccase cases[] = {{KMX_FORMAT_MONO8, 8, true},
                           {KMX_FORMAT_MONO10, 6, false},
                           {KMX_FORMAT_MONO12, 4, false},
                           {KMX_FORMAT_RAW, 4, false}};
    for (const Ccase& c : cases) {
        SCOPED_TRACE(c.format);
        ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_FORMAT, c.format), KMX_OK);
        ASSERT_EQ(take_frame(), KMX_OK);
        EXPECT_EQ(pattern.last_data.load() == device.get_frame_info(0)->buffer, c.in_caller_memory);
        const uint8_t* bytes = frame_bytes();
        for (unsigned x : {0u, 1u, 333u, fake_side - 1}) {
            const unsigned y = 11;
            const size_t i = size_t{y} * fake_side + x;
            if (c.format == KMX_FORMAT_MONO8)
                EXPECT_EQ(bytes[i], Cpattern::value(x, y, 0));
            else
                EXPECT_EQ(bytes[2 * i] | (bytes[2 * i + 1] << 8), Cpattern::value16(x, y) >> c.shift);
        }
    }
}

// The fake camera's picture: a ramp scaled by 1 + gain + log10(exposure
// / 10 ms), clipped to 8 bits.
double expected_mean(double exposure_us, unsigned gain)
{
    const double scale = 1.0 + gain + std::log10(exposure_us / 10000.0);
    double sum = 0;
    for (unsigned v = 0; v < 255; ++v)
        sum += std::clamp(v * scale, 0.0, 255.0);
    return sum / 255.0;
}

TEST_F(Cfake_mono, BrightnessFollowsExposureAndGain)
{
    open_fake(Efake::mono);
    const std::pair<unsigned, unsigned> settings[] = {{10000, 0}, {3162, 0}, {5000, 0}, {10000, 1}};
    for (const auto& s : settings) {
        SCOPED_TRACE(testing::Message() << s.first << " us, gain " << s.second);
        ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_EXPOSURE, s.first), KMX_OK);
        ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_GAIN, s.second), KMX_OK);
        ASSERT_EQ(take_frame(), KMX_OK);
        const double expected = expected_mean(s.first, s.second);
        EXPECT_NEAR(mean_of(0, size_t{fake_side} * fake_side), expected, 0.05 * expected + 1.0);
    }
}

TEST_F(Cfake_mono, AutomaticExposureConvergesAndAnAnsweredStopLeavesTheCameraAsItWas)
{
    open_fake(Efake::mono);
    struct Ccalls {
        unsigned count = 0;
        int answer = 1;
    } calls;
    const kmx_progress_callback progress = [](void*, uintptr_t user) {
        auto* c = reinterpret_cast<Ccalls*>(user);
        ++c->count;
        return c->answer;
    };
    const auto user = reinterpret_cast<uintptr_t>(&calls);
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_EXPOSURE, 2000), KMX_OK);
    ASSERT_EQ(kmx_auto_exp_index(camera, 0, progress, user, 10, 100000), KMX_OK);
    EXPECT_GE(calls.count, 1u);
    const double level = mean_of(0, size_t{fake_side} * fake_side);
    EXPECT_NEAR(level, 127.5, 0.05 * 127.5);
    EXPECT_GT(param(KMX_PARAM_EXPOSURE), 2000u);

    calls = Ccalls{0, 0};
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_EXPOSURE, 2000), KMX_OK);
    EXPECT_EQ(kmx_auto_exp_index_ex(camera, 0, progress, user, 10, 100000, 0, 10), KMX_AUTO_ABORTED);
    EXPECT_EQ(calls.count, 1u);
    EXPECT_EQ(param(KMX_PARAM_EXPOSURE), 2000u);

    // The camera's own GainAuto=Once never finishes on the fake camera:
    // it is switched off again and the software loop takes over.
    calls = Ccalls{};
    ASSERT_EQ(kmx_set_param(camera, KMX_PARAM_EXPOSURE, 5000), KMX_OK);
    EXPECT_EQ(kmx_auto_gain_index(camera, 0, progress, user, 0, 10), KMX_OK);
    GError* error = nullptr;
    EXPECT_STREQ(arv_camera_get_string(arv_camera(), "GainAuto", &error), "Off");
    // Gain 0 leaves the picture at 0.7 of mid-grey, gain 1 at 1.3: the
    // halving search settles on the lowest gain that is not too dark.
    EXPECT_EQ(param(KMX_PARAM_GAIN), 1u);
}

TEST_F(Cfake_mono, AveragingCutsTheNoise)
{
    open_fake(Efake::mono);
    pattern.noise = 24;
    use_pattern();
    // Deviation from the clean picture; averaged monochrome images come
    // back inverted, as kmxcore shows monochrome.
    auto deviation = [&](const Cfw_image& image, bool inverted) {
        const auto* bytes = static_cast<const uint8_t*>(image.get_bp());
        double sum = 0;
        size_t n = 0;
        for (unsigned y = 0; y < fake_side; y += 7) {
            for (unsigned x = 0; x < fake_side; x += 3, ++n) {
                const double clean = Cpattern::value(x, y, 0);
                const double d = bytes[size_t{y} * fake_side + x] - (inverted ? 255.0 - clean : clean);
                sum += d * d;
            }
        }
        return std::sqrt(sum / static_cast<double>(n));
    };
    Ccam_settings settings;
    settings.init(camera);
    settings.set_invert_image(0);
    settings.set_average_opt(1);
    settings.set_average_frames(16);
    Ccapture_probe capture;
    capture.init(&device, &settings);
    ASSERT_EQ(capture.get_frame(), CAPTURE_OK);
    const double single = deviation(*capture.get_image(), false);
    capture.setup(1, 0);
    ASSERT_EQ(capture.process_multi_frame8(), CAPTURE_OK);
    const double averaged = deviation(*capture.get_image(), true);
    EXPECT_GT(single, 10.0);
    // Sixteen frames: a quarter of the noise, and the truncating mean's
    // half level of bias.
    EXPECT_LT(averaged, 0.4 * single);
}

using Cfake_free_running = Cfake_test;

TEST_F(Cfake_free_running, FramesBegunBeforeTheirStartAreDropped)
{
    open_fake(Efake::free_running);
    use_pattern();
    const unsigned exposure_us = param(KMX_PARAM_EXPOSURE);
    for (int frame = 0; frame < 8; ++frame) {
        // Starts at random points of the camera's frame period.
        g_usleep(static_cast<gulong>(frame * 7000));
        const int64_t start_us = g_get_real_time();
        ASSERT_EQ(take_frame(), KMX_OK);
        // The frame delivered is the camera's last, drawn after its
        // exposure began: after the start.
        EXPECT_GE(pattern.last_fill_us.load() - exposure_us, start_us) << "frame " << frame;
    }
}

} // namespace
} // namespace aravis_test
