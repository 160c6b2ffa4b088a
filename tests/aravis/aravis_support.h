// SPDX-License-Identifier: Apache-2.0
// Shared support of the kmxaravis camera tests: the fake camera opened
// through kmxcore and the dispatch, kmxaravis' extras reached through the
// dispatch, the Aravis fake camera underneath (fill patterns, frame rate),
// and a monochrome variant of the fake camera's GenICam description.
#ifndef KMX_TESTS_ARAVIS_SUPPORT_H
#define KMX_TESTS_ARAVIS_SUPPORT_H

#include <arv.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "kmxcore/camera/device.h"
#include "kmxcore/camera/kmx_interface.h"
#include "kmxaravis/kmxaravis_control.h"
#include "kmxlib/kmxlib_dispatch.h"

namespace aravis_test {

constexpr unsigned fake_id = KMXARAVIS_CAMERA_FAKE;
constexpr unsigned fake_side = 2048;  // the fake camera's sensor
constexpr unsigned slow_pattern_deadline_ms = 20000;

// An extra of kmxaravis, through the dispatch.
template <class F>
F extra(const char* name)
{
    return reinterpret_cast<F>(kmxlib_symbol(name));
}

// A fill pattern the test controls: a value per pixel and component, from
// x and y only (so every frame is the same), plus optional noise. It also
// remembers where Aravis asked it to write, to tell caller memory from
// kmxaravis' own.
struct Cpattern {
    unsigned noise = 0;            // +- this much, uniformly
    std::atomic<const void*> last_data{nullptr};
    std::atomic<int64_t> last_fill_us{0};  // when the camera drew its last frame
    uint32_t seed = 12345;

    static unsigned value(unsigned x, unsigned y, unsigned component)
    {
        return (x * 3 + y * 5 + component * 80) & 0xFF;
    }
    static unsigned value16(unsigned x, unsigned y) { return (x * 37 + y * 101) & 0xFFFF; }
};

inline void fill_pattern(ArvBuffer* buffer, void* data, guint32, guint32, ArvPixelFormat format)
{
    auto* p = static_cast<Cpattern*>(data);
    const auto* pixels = static_cast<const uint8_t*>(arv_buffer_get_data(buffer, nullptr));
    p->last_data = pixels;
    p->last_fill_us = g_get_real_time();
    auto* out = const_cast<uint8_t*>(pixels); // the buffer's memory is writable
    const unsigned width = static_cast<unsigned>(arv_buffer_get_image_width(buffer));
    const unsigned height = static_cast<unsigned>(arv_buffer_get_image_height(buffer));
    const unsigned bytes = ARV_PIXEL_FORMAT_BIT_PER_PIXEL(format) / 8;
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            uint8_t* px = out + (size_t{y} * width + x) * bytes;
            if (format == ARV_PIXEL_FORMAT_MONO_16) {
                const unsigned v = Cpattern::value16(x, y);
                px[0] = static_cast<uint8_t>(v);
                px[1] = static_cast<uint8_t>(v >> 8);
                continue;
            }
            for (unsigned k = 0; k < bytes; ++k) {
                int v = static_cast<int>(Cpattern::value(x, y, k));
                if (p->noise != 0) {
                    p->seed = p->seed * 1664525u + 1013904223u;
                    v += static_cast<int>((p->seed >> 8) % (2 * p->noise + 1)) - static_cast<int>(p->noise);
                }
                px[k] = static_cast<uint8_t>(std::clamp(v, 0, 255));
            }
        }
    }
}

// Variants of the fake camera, made by leaving elements out of its
// GenICam description: its colour pixel formats (a monochrome camera with
// Mono8 and Mono16), or its software trigger (a free-running camera).
enum class Efake { colour, mono, free_running };

inline void erase_elements(std::string& text, const char* start, const char* end)
{
    for (size_t at = text.find(start); at != std::string::npos; at = text.find(start, at)) {
        const size_t stop = text.find(end, at);
        if (stop == std::string::npos)
            break;
        text.erase(at, stop + std::strlen(end) - at);
    }
}

// The variant's description in a file for kmxaravis to load; "" for
// Aravis' own.
inline std::string fake_genicam_file(Efake variant)
{
    if (variant == Efake::colour)
        return std::string();
    ArvFakeCamera* probe = arv_fake_camera_new("probe");
    size_t size = 0;
    const char* xml = arv_fake_camera_get_genicam_xml(probe, &size);
    std::string text(xml != nullptr ? xml : "", size);
    g_object_unref(probe);
    if (variant == Efake::mono) {
        erase_elements(text, "<EnumEntry Name=\"Bayer", "</EnumEntry>");
        erase_elements(text, "<EnumEntry Name=\"RGB", "</EnumEntry>");
    } else {
        erase_elements(text, "<Command Name=\"TriggerSoftware\"", "</Command>");
    }
    char path[] = "/tmp/kmx-fake-genicam-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return std::string();
    close(fd);
    std::ofstream(path) << text;
    return path;
}

// The library instance on kmxaravis and one fake camera opened by a
// device, colour (Aravis' own description) or monochrome.
class Cfake_test : public ::testing::Test {
protected:
    void open_fake(Efake variant)
    {
        ASSERT_EQ(kmxlib_select("aravis"), KMX_OK);
        ASSERT_EQ(library.open(), 0) << kmxlib_last_error();
        auto set_genicam = extra<kmxaravis_set_fake_genicam_fn>("kmxaravis_set_fake_genicam");
        ASSERT_NE(set_genicam, nullptr);
        genicam = fake_genicam_file(variant);
        ASSERT_EQ(genicam.empty(), variant == Efake::colour);
        set_genicam(genicam.empty() ? nullptr : genicam.c_str());
        ASSERT_EQ(device.open(fake_id, 0), 0) << extra<kmxaravis_last_error_fn>("kmxaravis_last_error")();
        set_genicam(nullptr);
        camera = device.get_camera_handle();
    }
    void TearDown() override
    {
        device.close();
        library.close();
        if (!genicam.empty())
            std::remove(genicam.c_str());
    }

    ArvCamera* arv_camera()
    {
        return static_cast<ArvCamera*>(extra<kmxaravis_arv_camera_fn>("kmxaravis_arv_camera")(camera));
    }
    ArvFakeCamera* fake_camera()
    {
        return arv_fake_device_get_fake_camera(ARV_FAKE_DEVICE(arv_camera_get_device(arv_camera())));
    }
    // The test's own pattern draws much slower than Aravis' (under the
    // sanitizers, a second a frame): its frames get a longer deadline.
    void use_pattern()
    {
        arv_fake_camera_set_fill_pattern(fake_camera(), fill_pattern, &pattern);
        extra<kmxaravis_set_frame_deadline_ms_fn>("kmxaravis_set_frame_deadline_ms")(camera, slow_pattern_deadline_ms);
    }

    // Starts a frame into pool record `index` and waits for its end.
    int take_frame(unsigned index = 0)
    {
        int status = kmx_start_frame_index(camera, index);
        if (status != KMX_OK)
            return status;
        while ((status = kmx_check_for_complete(camera)) == KMX_FRAME_BUSY)
            g_usleep(500);
        return status;
    }
    const uint8_t* frame_bytes(unsigned index = 0)
    {
        return static_cast<const uint8_t*>(device.get_frame_info(index)->buffer);
    }
    // Mean of the first `count` bytes of a record.
    double mean_of(unsigned index, size_t count)
    {
        const uint8_t* bytes = frame_bytes(index);
        double sum = 0;
        for (size_t i = 0; i < count; ++i)
            sum += bytes[i];
        return sum / static_cast<double>(count);
    }
    unsigned param(unsigned id)
    {
        unsigned value = 0xDEADBEEF;
        EXPECT_EQ(kmx_get_param(camera, id, &value), KMX_OK) << "parameter " << id;
        return value;
    }

    Ckmx_interface library;
    Cdevice device;
    kmx_camera_t* camera = nullptr;
    Cpattern pattern;
    std::string genicam;
};

} // namespace aravis_test

#endif
