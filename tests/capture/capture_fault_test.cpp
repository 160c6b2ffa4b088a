// SPDX-License-Identifier: Apache-2.0
// Faults the camera library may answer with in the middle of an
// acquisition: every parameter write and set-up refused in turn, and the
// Escape key held down during every kind of wait.
#include <cstdint>
#include <vector>

#include "multi_fixture.h"

namespace multi_test {
namespace {

using Cbytes = std::vector<unsigned char>;

// The pixel bytes of an image, or nothing when it has none.
Cbytes bytes_of(const Cimage_core* image)
{
    if (image == nullptr || image->get_bp() == nullptr)
        return {};
    const auto* first = static_cast<const unsigned char*>(image->get_bp());
    return Cbytes(first, first + image->get_size());
}

// Where an acquisition leaves its result.
enum class Eresult { current, deep, deep_and_current, caller };

struct Cacquisition {
    const char* name;
    kmxsim_preset camera;
    unsigned depth;          // of the settings
    unsigned invert;         // of the settings, and so of the camera
    unsigned average_frames; // 0: no averaging
    Eresult result;
    int (*run)(Cmulti_probe&, Cfw_image&);
};

const Cacquisition acquisitions[] = {
    {"single 8-bit", KMXSIM_PRESET_MONO, 8, 1, 0, Eresult::current,
     [](Cmulti_probe& c, Cfw_image&) { return c.get_frame(); }},
    {"deep through the settings", KMXSIM_PRESET_MONO, 10, 1, 0, Eresult::deep,
     [](Cmulti_probe& c, Cfw_image&) { return c.get_frame(); }},
    {"deep through the settings into a caller image", KMXSIM_PRESET_COLOR, 12, 0, 0,
     Eresult::caller, [](Cmulti_probe& c, Cfw_image& image) { return c.get_frame(&image); }},
    {"deep 12-bit on 8-bit monochrome settings", KMXSIM_PRESET_MONO, 8, 1, 0, Eresult::deep,
     [](Cmulti_probe& c, Cfw_image&) { return c.get_deep_frame(12); }},
    {"deep 10-bit on 8-bit colour settings", KMXSIM_PRESET_COLOR, 8, 0, 0, Eresult::deep,
     [](Cmulti_probe& c, Cfw_image&) { return c.get_deep_frame(10); }},
    {"raw", KMXSIM_PRESET_MONO, 8, 1, 0, Eresult::current,
     [](Cmulti_probe& c, Cfw_image&) { return c.get_raw_frame(); }},
    {"8-bit average, inversion on", KMXSIM_PRESET_MONO, 8, 1, 2, Eresult::current,
     [](Cmulti_probe& c, Cfw_image&) { return c.process_multi_frame8(); }},
    {"8-bit average, inversion off", KMXSIM_PRESET_MONO, 8, 0, 2, Eresult::current,
     [](Cmulti_probe& c, Cfw_image&) { return c.process_multi_frame8(); }},
    {"deep average, inversion on", KMXSIM_PRESET_MONO, 8, 1, 2, Eresult::deep_and_current,
     [](Cmulti_probe& c, Cfw_image&) { return c.process_multi_deep(12); }},
    {"deep average, inversion off", KMXSIM_PRESET_MONO, 8, 0, 2, Eresult::deep_and_current,
     [](Cmulti_probe& c, Cfw_image&) { return c.process_multi_deep(12); }},
};

class Ccapture_fault : public Cmulti_test {
protected:
    // A freshly opened camera and a capture bound to it for `a`, frames
    // flat at one value; recording starts afterwards.
    Cmulti_probe& prepare(const Cacquisition& a)
    {
        script({100});
        return averaging(a.camera, a.average_frames == 0 ? 0 : 1, a.average_frames,
                         [&a](Csettings_probe& s) {
                             s.set_component_depth(a.depth);
                             s.set_invert_image(a.invert);
                         });
    }

    static Cbytes result_of(const Cacquisition& a, Cmulti_probe& capture, const Cfw_image& image)
    {
        switch (a.result) {
        case Eresult::current: return bytes_of(capture.get_image());
        case Eresult::deep: return bytes_of(capture.get_deep_image());
        case Eresult::caller: return bytes_of(&image);
        case Eresult::deep_and_current: {
            Cbytes both = bytes_of(capture.get_deep_image());
            const Cbytes copy = bytes_of(capture.get_image());
            both.insert(both.end(), copy.begin(), copy.end());
            return both;
        }
        }
        return {};
    }

    // An 8-bit frame taken by a capture made afresh on the same device,
    // with 8-bit settings of the acquisition's inversion.
    Cbytes fresh_frame(const Cacquisition& a)
    {
        Csettings_probe eight;
        eight.init(device.get_camera_handle());
        eight.set_invert_image(a.invert);
        Cmulti_probe fresh;
        fresh.init(&device, &eight);
        EXPECT_EQ(fresh.get_frame(), CAPTURE_OK);
        return bytes_of(fresh.get_image());
    }
};

// The rule: CAPTURE_OK means the pixels are right and the camera holds its
// format and inversion as before; any other result offers nothing as
// ready; and whatever happened, the same acquisition asked again gives the
// right result and a new capture on the device takes a right 8-bit frame.
TEST_F(Ccapture_fault, EveryRefusedWriteOrSetupFailsTheAcquisitionOrLeavesItRight)
{
    const kmxsim_fn refused[] = {KMXSIM_FN_SET_PARAM, KMXSIM_FN_SETUP_CAMERA};
    for (const Cacquisition& a : acquisitions) {
        SCOPED_TRACE(a.name);
        Cfw_image image;
        Cmulti_probe& capture = prepare(a);
        ASSERT_EQ(a.run(capture, image), CAPTURE_OK);
        const Cbytes expected = result_of(a, capture, image);
        ASSERT_FALSE(expected.empty());
        const size_t calls_of[] = {calls(KMXSIM_FN_SET_PARAM), calls(KMXSIM_FN_SETUP_CAMERA)};
        const Cbytes expected_fresh = fresh_frame(a);
        device.close();

        for (unsigned f = 0; f < 2; ++f) {
            for (unsigned k = 0; k < calls_of[f]; ++k) {
                SCOPED_TRACE(testing::Message() << kmxsim_fn_name(refused[f]) << " #" << k);
                Cfw_image target;
                Cmulti_probe& faulted = prepare(a);
                const unsigned format = camera_param(KMX_PARAM_FORMAT);
                const unsigned invert = camera_param(KMX_PARAM_INVERT);
                kmxsim_fail(refused[f], KMX_ERR_INJECTED, 1, k);

                const int result = a.run(faulted, target);

                kmxsim_clear_faults();
                if (result == CAPTURE_OK) {
                    EXPECT_EQ(result_of(a, faulted, target), expected);
                    EXPECT_EQ(camera_param(KMX_PARAM_FORMAT), format);
                    EXPECT_EQ(camera_param(KMX_PARAM_INVERT), invert);
                } else {
                    EXPECT_FALSE(faulted.image_available());
                    EXPECT_FALSE(faulted.deep_image_available());
                }
                // The same capture, asked again without a new setup, gets
                // the camera back into shape or fails: never wrong pixels;
                // on 8-bit settings so does its next single 8-bit frame.
                Cfw_image again;
                EXPECT_EQ(a.run(faulted, again), CAPTURE_OK);
                EXPECT_EQ(result_of(a, faulted, again), expected);
                if (a.depth == 8) {
                    kmxsim_fail(refused[f], KMX_ERR_INJECTED, 1, k);
                    a.run(faulted, again);
                    kmxsim_clear_faults();
                    EXPECT_EQ(faulted.get_frame8(), CAPTURE_OK);
                    EXPECT_EQ(bytes_of(faulted.get_image()), expected_fresh);
                }
                EXPECT_EQ(fresh_frame(a), expected_fresh);
                device.close();
            }
        }
    }
}

// The Escape key ends the streamed, deep, raw and deep-average waits (the
// single 8-bit and averaging waits have their own tests) with
// CAPTURE_FAILED; the frame in progress is aborted and the camera's format
// put back.
TEST_F(Ccapture_fault, EscapeKeyAbandonsEveryWait)
{
    const struct {
        const char* name;
        unsigned average_frames;
        int (*run)(Cmulti_probe&);
    } waits[] = {
        {"streamed", 0, [](Cmulti_probe& c) { return c.complete_framex(nullptr); }},
        {"deep", 0, [](Cmulti_probe& c) { return c.get_deep_frame(12); }},
        {"raw", 0, [](Cmulti_probe& c) { return c.get_raw_frame(); }},
        {"deep average", 2, [](Cmulti_probe& c) { return c.process_multi_deep(12); }},
    };
    for (const auto& w : waits) {
        SCOPED_TRACE(w.name);
        Cmulti_probe& capture = averaging(KMXSIM_PRESET_MONO, w.average_frames == 0 ? 0 : 1,
                                          w.average_frames, [](Csettings_probe&) {}, 3);
        const unsigned format = camera_param(KMX_PARAM_FORMAT);
        if (!kmx_platform_set_key_down(VK_ESCAPE, true))
            GTEST_SKIP() << "the keyboard cannot be held down on this platform";

        EXPECT_EQ(w.run(capture), CAPTURE_FAILED);

        kmx_platform_release_all_keys();
        EXPECT_GE(calls(KMXSIM_FN_ABORT_FRAME), 1u);
        EXPECT_EQ(camera_param(KMX_PARAM_FORMAT), format);
        EXPECT_FALSE(capture.image_available());
        EXPECT_FALSE(capture.deep_image_available());
        device.close();
    }
}

} // namespace
} // namespace multi_test
