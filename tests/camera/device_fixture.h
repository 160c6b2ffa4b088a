// SPDX-License-Identifier: Apache-2.0
// Fixture of the device tests: the shared camera fixture, simulated cameras
// that a test may reshape before opening them, and a device whose
// protected fields the tests can read (applications derive the same way).
#ifndef KMX_TESTS_DEVICE_FIXTURE_H
#define KMX_TESTS_DEVICE_FIXTURE_H

#include <gtest/gtest.h>

#include <vector>

#include "kmxcore/camera/device.h"
#include "kmxcore/camera/kmx_interface.h"
#include "kmx_test_support.h"

namespace device_test {

using kmx_test::colour_camera_id;
using kmx_test::mono_camera_id;

class Cdevice_probe : public Cdevice {
public:
    using Cdevice::camera_depths;
    using Cdevice::format;
    using Cdevice::iformat;
    using Cdevice::readout_mode;
    using Cdevice::settings;
    bool validate(unsigned code) { return validate_format(code); }
};

// A settings record whose switches can be set without a camera.
class Csettings_probe : public Ccam_settings {
public:
    using Ccam_settings::bin_mode;
    using Ccam_settings::blue_boost;
    using Ccam_settings::blue_gain;
    using Ccam_settings::bl;
    using Ccam_settings::contrast;
    using Ccam_settings::contrast_mode;
    using Ccam_settings::exposure;
    using Ccam_settings::gain;
    using Ccam_settings::gamma;
    using Ccam_settings::gamma_mode;
    using Ccam_settings::green_gain;
    using Ccam_settings::preview_mode;
    using Ccam_settings::rate;
    using Ccam_settings::red_boost;
    using Ccam_settings::red_gain;
    using Ccam_settings::test_mode;
};

class Cdevice_test : public kmx_test::Ccamera_test {
protected:
    void TearDown() override
    {
        device.close();
        Ccamera_test::TearDown();
    }

    // Changes a preset camera before it is opened.
    static void configure(kmxsim_preset which, unsigned caps, unsigned max_width = 0,
                          unsigned max_height = 0)
    {
        kmxsim_camera_desc desc = preset(which);
        desc.caps = caps;
        if (max_width != 0) {
            desc.max_width = max_width;
            desc.max_height = max_height;
            desc.preview_width = max_width / 2;
            desc.preview_height = max_height / 2;
        }
        reshape(which, desc);
    }

    // The device opened on a preset with these capabilities, recording on.
    Cdevice_probe& opened(kmxsim_preset which, unsigned caps)
    {
        configure(which, caps);
        open_preset(device, which);
        start_recording();
        return device;
    }

    // Bytes every pool buffer holds, and the check that all agree.
    static unsigned pool_bsize(Cdevice& dev)
    {
        Cbuffer_pool* pool = dev.get_bpool();
        if (pool->get_no_buffers() == 0)
            return 0;
        const unsigned bsize = dev.get_buffer(0)->get_bsize();
        for (unsigned i = 1; i < pool->get_no_buffers(); ++i)
            EXPECT_EQ(dev.get_buffer(i)->get_bsize(), bsize);
        return bsize;
    }

    // The format of every pool buffer, or 0 when they disagree.
    static unsigned pool_format(Cdevice& dev)
    {
        Cbuffer_pool* pool = dev.get_bpool();
        if (pool->get_no_buffers() == 0)
            return 0;
        const unsigned code = dev.get_buffer(0)->get_format();
        for (unsigned i = 1; i < pool->get_no_buffers(); ++i)
            if (dev.get_buffer(i)->get_format() != code)
                return 0;
        return code;
    }

    Cdevice_probe device;
};

} // namespace device_test

#endif
