// SPDX-License-Identifier: Apache-2.0
// The Delete_ functions end any object of an exported class, whoever made
// it, through its virtual destructor; LeakSanitizer proves the storage is
// returned.
#include <gtest/gtest.h>

#include "kmxcore/buffers/frame_info.h"
#include "kmxcore/kmxcore_c.h"
#include "kmxcore/image/fw_image.h"
#include "kmxcore/settings/cam_settings.h"

namespace {

// An application's own class, derived from an exported one.
class Cwatched_settings : public Ccam_settings {
public:
    explicit Cwatched_settings(int& ended) : ended(ended) {}
    ~Cwatched_settings() override { ++ended; }

private:
    int& ended;
};

TEST(FactoryDelete, EndsApplicationMadeObjectsThroughTheirOwnDestructor)
{
    int ended = 0;
    // Whatever name is used, the most-derived destructor runs, once.
    Delete_image(new Cwatched_settings(ended));
    EXPECT_EQ(ended, 1);
    Delete_thread_state(static_cast<Ccam_settings*>(new Cwatched_settings(ended)));
    EXPECT_EQ(ended, 2);

    // Objects no Create_ function exists for, holding storage of their own.
    auto* records = new Cframe_info;
    ASSERT_EQ(records->create(4), 0);
    Delete_frame_info(records);
    auto* image = new Cfw_image;
    ASSERT_EQ(image->create_image(0, 1, 8, 0, 64, 64), 1);
    Delete_capture(image);

    Delete_device(nullptr);
}

} // namespace
