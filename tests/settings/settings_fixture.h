// SPDX-License-Identifier: Apache-2.0
// Fixture of the settings tests: the shared camera fixture, the raw
// camera handles a test opens (closed afterwards), and a settings
// record whose protected fields the tests can read (applications derive
// from the class the same way).
#ifndef KMX_TESTS_SETTINGS_FIXTURE_H
#define KMX_TESTS_SETTINGS_FIXTURE_H

#include <gtest/gtest.h>

#include <vector>

#include "kmxcore/camera/kmx_interface.h"
#include "kmx_test_support.h"
#include "kmxcore/settings/cam_settings.h"

namespace settings_test {

using kmx_test::colour_camera_id;
using kmx_test::mono_camera_id;

class Csettings_probe : public Ccam_settings {
public:
    using Ccam_settings::bl;
    using Ccam_settings::camera;
    using Ccam_settings::contrast_mode;
    using Ccam_settings::depth_select;
    using Ccam_settings::flags;
    using Ccam_settings::format;
    using Ccam_settings::gain;
    using Ccam_settings::image_type;
    using Ccam_settings::max_bl;
    using Ccam_settings::max_blue_gain;
    using Ccam_settings::max_contrast;
    using Ccam_settings::max_exposure;
    using Ccam_settings::max_gain;
    using Ccam_settings::max_gamma;
    using Ccam_settings::max_gamma_index;
    using Ccam_settings::max_green_gain;
    using Ccam_settings::max_red_gain;
    using Ccam_settings::min_bl;
    using Ccam_settings::min_blue_gain;
    using Ccam_settings::min_contrast;
    using Ccam_settings::min_exposure;
    using Ccam_settings::min_gain;
    using Ccam_settings::min_gamma;
    using Ccam_settings::min_gamma_index;
    using Ccam_settings::min_green_gain;
    using Ccam_settings::min_red_gain;
    using Ccam_settings::name;
    using Ccam_settings::native_components;
    using Ccam_settings::native_format;
    using Ccam_settings::native_order;
    using Ccam_settings::native_type;
    using Ccam_settings::no_components;
    using Ccam_settings::order;
};

class Csettings_test : public kmx_test::Ccamera_test {
protected:
    void TearDown() override
    {
        for (kmx_camera_t*& camera : opened)
            kmx_close(Ckmx_interface::get_interface(), &camera);
        opened.clear();
        Ccamera_test::TearDown();
    }

    kmx_camera_t* open_camera(unsigned camera_id)
    {
        kmx_camera_t* camera = nullptr;
        EXPECT_EQ(kmx_open(Ckmx_interface::get_interface(), camera_id, 0, &camera), 0);
        EXPECT_NE(camera, nullptr);
        if (camera != nullptr)
            opened.push_back(camera);
        return camera;
    }

    // A record bound to a freshly opened preset camera.
    Csettings_probe bound_to(unsigned camera_id)
    {
        Csettings_probe settings;
        EXPECT_EQ(settings.init(open_camera(camera_id)), 0);
        return settings;
    }

    kmx_camera_t* first_camera() const { return opened.empty() ? nullptr : opened.front(); }

    std::vector<kmx_camera_t*> opened;
};

} // namespace settings_test

#endif
