// SPDX-License-Identifier: Apache-2.0
// Fixture of the capture tests: the shared camera fixture, a simulated
// camera opened by a device, and a capture whose protected members the
// tests reach the way an application's derived class would.
#ifndef KMX_TESTS_CAPTURE_FIXTURE_H
#define KMX_TESTS_CAPTURE_FIXTURE_H

#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

#include "kmxcore/camera/device.h"
#include "kmxcore/camera/kmx_interface.h"
#include "kmxcore/capture/capture.h"
#include "kmxcore/capture/thread_state.h"
#include "kmxcore/image/fw_image.h"
#include "kmx_test_support.h"

namespace capture_test {

using kmx_test::colour_camera_id;
using kmx_test::mono_camera_id;
// A virtual-clock frame that never completes by itself.
constexpr unsigned never_completes = UINT_MAX;

class Ccapture_probe : public Ccapture {
public:
    using Ccapture::Ccapture;
    using Ccapture::operator=;
    using Ccapture::get_deep_frame;
    using Ccapture::get_frame8;
    using Ccapture::average_frames;
    using Ccapture::average_opt;
    using Ccapture::averaging;
    using Ccapture::buffer_no;
    using Ccapture::continuous;
    using Ccapture::format;
    using Ccapture::frame_count;
    using Ccapture::frame_info;
    using Ccapture::image_ready;
    using Ccapture::next_index;
    using Ccapture::restart_needed;
    using Ccapture::retry_count;
    using Ccapture::start_index;
};

// Settings whose switches a test can set directly.
class Csettings_probe : public Ccam_settings {
public:
    using Ccam_settings::bin_mode;
    using Ccam_settings::contrast;
    using Ccam_settings::contrast_mode;
    using Ccam_settings::exposure;
    using Ccam_settings::live_rate;
    using Ccam_settings::preview_mode;
    using Ccam_settings::rate;
};

class Ccapture_test : public kmx_test::Ccamera_test {
protected:
    void TearDown() override
    {
        device.close();
        Ccamera_test::TearDown();
    }

    // Opens a preset camera, binds settings to it (inversion off, so
    // delivered values are the scripted ones) and lets `adjust` change them
    // before the capture is bound. Frames complete after `busy_polls` busy
    // answers on the virtual clock. Recording starts after init.
    template <typename Adjust>
    Ccapture_probe& bound(kmxsim_preset which, unsigned busy_polls, Adjust adjust)
    {
        open_preset(device, which);
        settings.init(device.get_camera_handle());
        settings.set_invert_image(0);
        adjust(settings);
        capture.init(&device, &settings);
        kmxsim_use_virtual_clock(1, busy_polls);
        start_recording();
        return capture;
    }

    Ccapture_probe& bound(kmxsim_preset which = KMXSIM_PRESET_MONO, unsigned busy_polls = 0)
    {
        return bound(which, busy_polls, [](Csettings_probe&) {});
    }

    // Values written to one camera parameter, in order.
    static std::vector<unsigned> param_values(unsigned id)
    {
        std::vector<unsigned> values;
        for (const auto& write : kmx_test::recorded_param_writes())
            if (write.first == id)
                values.push_back(write.second);
        return values;
    }

    static size_t calls(kmxsim_fn fn) { return kmxsim_count_calls(fn); }

    // The index argument of every kmx_start_frame_index, in order.
    static std::vector<unsigned> started_indices()
    {
        std::vector<unsigned> indices;
        for (const auto& call : kmx_test::recorded_calls(KMXSIM_FN_START_FRAME_INDEX))
            indices.push_back(static_cast<unsigned>(call.args[0]));
        return indices;
    }

    // Every pixel byte of an image equals value.
    static bool filled_with(Cimage_core& image, unsigned char value)
    {
        const auto* bytes = static_cast<const unsigned char*>(image.get_bp());
        if (bytes == nullptr || image.get_size() == 0)
            return false;
        for (unsigned i = 0; i < image.get_size(); ++i)
            if (bytes[i] != value)
                return false;
        return true;
    }

    static void script_flat(uint32_t value) { kmxsim_script_flat_frames(&value, 1); }

    Cdevice device;
    Csettings_probe settings;
    Ccapture_probe capture;
    Cthread_state state;
};

} // namespace capture_test

#endif
