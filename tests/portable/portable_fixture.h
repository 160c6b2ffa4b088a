// SPDX-License-Identifier: Apache-2.0
// Fixture of kmxcore's tests that run on any camera library: the same
// bodies run against the simulator and against kmxaravis' fake camera.
// They use the contract only (no simulator control), so they read what
// a camera offers from the camera and check kmxcore against it.
//
// The cameras come from KMX_TEST_CAMERAS ("ID:INDEX,ID:INDEX"); the
// camera library from KMX_CAMERA_LIBRARY, as for any kmxcore program.
#ifndef KMX_TESTS_PORTABLE_FIXTURE_H
#define KMX_TESTS_PORTABLE_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "kmxcore/camera/device.h"
#include "kmxcore/camera/kmx_interface.h"
#include "kmxcore/capture/capture.h"
#include "kmxcore/capture/thread_state.h"
#include "kmxcore/image/fw_image.h"
#include "kmxlib/kmxlib_dispatch.h"
#include "kmxcore/settings/cam_settings.h"

namespace portable_test {

struct Ccamera_words {
    unsigned id = 0;
    unsigned index = 0;
};

inline std::vector<Ccamera_words> cameras_under_test()
{
    std::vector<Ccamera_words> cameras;
    const char* list = std::getenv("KMX_TEST_CAMERAS");
    std::string text = list != nullptr ? list : "1:0";
    size_t start = 0;
    while (start < text.size()) {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos
                                                                                : comma - start);
        Ccamera_words words;
        if (std::sscanf(item.c_str(), "%u:%u", &words.id, &words.index) == 2)
            cameras.push_back(words);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return cameras;
}

inline std::string camera_name(const testing::TestParamInfo<Ccamera_words>& info)
{
    return "camera" + std::to_string(info.param.id) + "_" + std::to_string(info.param.index);
}

class Cdevice_probe : public Cdevice {
public:
    using Cdevice::iformat;
    using Cdevice::readout_mode;
};

class Ccapture_probe : public Ccapture {
public:
    using Ccapture::Ccapture;
    using Ccapture::get_deep_frame;
    using Ccapture::get_frame8;
    using Ccapture::get_multi_frame;
    using Ccapture::process_multi_frame8;
};

class Cportable_test : public testing::TestWithParam<Ccamera_words> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(library.open(), 0) << kmxlib_last_error();
        ASSERT_EQ(device.open(GetParam().id, GetParam().index), 0)
            << "camera " << GetParam().id << ":" << GetParam().index;
    }
    void TearDown() override
    {
        device.close();
        library.close();
    }

    unsigned info(unsigned key) const
    {
        unsigned value = 0;
        EXPECT_EQ(device.get_info(key, &value), 0) << "key " << key;
        return value;
    }
    bool colour() const { return device.get_camera_type() == 1; }
    bool has_depth(unsigned depth) const
    {
        const unsigned bit = depth == 12 ? KMX_DEPTH_BIT_12 : depth == 10 ? KMX_DEPTH_BIT_10 : KMX_DEPTH_BIT_8;
        return (device.get_camera_depths() & bit) != 0;
    }

    // Binds settings to the camera (inversion off, so the delivered values
    // are the camera's), lets `adjust` change them and binds the capture.
    template <typename Adjust>
    Ccapture_probe& bound(Adjust adjust)
    {
        settings.init(device.get_camera_handle());
        settings.set_invert_image(0);
        adjust(settings);
        capture.init(&device, &settings);
        return capture;
    }
    Ccapture_probe& bound()
    {
        return bound([](Ccam_settings&) {});
    }

    Ckmx_interface library;
    Cdevice_probe device;
    Ccam_settings settings;
    Ccapture_probe capture;
    Cthread_state state;
};

} // namespace portable_test

#endif
