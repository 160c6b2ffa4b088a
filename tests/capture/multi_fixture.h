// SPDX-License-Identifier: Apache-2.0
// Fixture of the averaging, accumulation, automatic-procedure and image
// description tests: the capture fixture's camera, with a capture that also
// reaches the multi-frame members (applications derive the same way).
#ifndef KMX_TESTS_MULTI_FIXTURE_H
#define KMX_TESTS_MULTI_FIXTURE_H

#include "capture_fixture.h"
#include "kmxcore/image/image_binfo.h"

namespace multi_test {

using capture_test::Ccapture_test;
using capture_test::Csettings_probe;

class Cmulti_probe : public capture_test::Ccapture_probe {
public:
    Cmulti_probe() = default;
    explicit Cmulti_probe(Cdevice* device) : Ccapture_probe(device) {}
    using Ccapture::accumulate;
    using Ccapture::accumulate_deep;
    using Ccapture::aep_callback;
    using Ccapture::agp_callback;
    using Ccapture::average_frames;
    using Ccapture::average_opt;
    using Ccapture::current_image;
    using Ccapture::deep_image_ready;
    using Ccapture::get_multi_deep;
    using Ccapture::get_multi_frame;
    using Ccapture::height;
    using Ccapture::process_multi_deep;
    using Ccapture::process_multi_frame8;
    using Ccapture::wb_callback;
    using Ccapture::width;
};

class Cmulti_test : public Ccapture_test {
protected:
    // Binds `multi`, made afresh, to a preset camera with inversion off;
    // `adjust` changes the settings first. With frames > 0 averaging is set
    // up with that many frames in mode `mode` (mode 2, which the settings
    // refuse, is put straight into the capture). Frames complete after
    // `busy_polls` busy answers. Recording starts afterwards.
    template <typename Adjust>
    Cmulti_probe& averaging(kmxsim_preset which, unsigned mode, unsigned frames, Adjust adjust,
                            unsigned busy_polls = 0)
    {
        open_preset(device, which);
        multi = Cmulti_probe();
        settings.init(device.get_camera_handle());
        settings.set_invert_image(0);
        settings.set_average_opt(mode == 0 ? 0 : 1);
        settings.set_average_frames(frames);
        adjust(settings);
        multi.init(&device, &settings);
        multi.setup(mode == 0 ? 0 : 1, 0);
        multi.average_opt = mode;
        kmxsim_use_virtual_clock(1, busy_polls);
        start_recording();
        return multi;
    }

    Cmulti_probe& averaging(kmxsim_preset which, unsigned mode, unsigned frames)
    {
        return averaging(which, mode, frames, [](Csettings_probe&) {});
    }

    // Flat frames of the given values, in turn.
    static void script(std::initializer_list<uint32_t> values)
    {
        const std::vector<uint32_t> list(values);
        kmxsim_script_flat_frames(list.data(), static_cast<unsigned>(list.size()));
    }

    // Every 16-bit component of an image equals value.
    static bool deep_filled_with(const Cimage_core& image, uint16_t value)
    {
        const auto* words = static_cast<const uint16_t*>(image.get_bp());
        if (words == nullptr || image.get_size() == 0)
            return false;
        for (unsigned i = 0; i < image.get_size() / 2; ++i)
            if (words[i] != value)
                return false;
        return true;
    }

    // The camera's current value of a parameter.
    unsigned camera_param(unsigned id)
    {
        unsigned value = 0xDEADBEEF;
        EXPECT_EQ(device.get_param(id, &value), 0);
        return value;
    }

    Cmulti_probe multi;
};

} // namespace multi_test

#endif
