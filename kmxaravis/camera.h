// SPDX-License-Identifier: Apache-2.0
// An open camera of kmxaravis: the Aravis camera, the GenICam features
// found on it, the contract's parameters, and the acquisition state.
//
// One library-wide mutex guards every camera (see state.h). Functions
// named *_locked expect it held; none of them calls a user callback.
#ifndef KMXARAVIS_CAMERA_H
#define KMXARAVIS_CAMERA_H

#include <arv.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kmxcore/camera/kmxlib.h"
#include "pixels.h"

namespace kmxaravis {

// The contract's camera id is the transport.
enum transport_id : unsigned { transport_gige = 1, transport_usb3 = 2, transport_fake = 3 };

// One camera Aravis lists: its transport, its place in that transport's
// list (sorted by device id, so stable across runs) and its identity.
struct Cdevice_entry {
    unsigned transport = 0;
    unsigned index = 0;
    std::string device_id;
    std::string vendor;
    std::string model;
    std::string serial;
    std::string address;
};

// The serial number the contract reports: the camera's own when it is a
// number that fits 32 bits, else a hash of its text that stays the same
// from run to run.
uint32_t serial_number(const Cdevice_entry& entry);
// The vendor prefix: the vendor's first word, at most eight characters.
std::string vendor_prefix(const std::string& vendor);

// A GenICam number (integer or float) seen through the contract's
// indexes: index i is the value min + i * step. A camera without the
// feature keeps a neutral value at index 0.
struct Cnumeric {
    std::string name;       // empty: the camera lacks the feature
    bool is_float = false;
    double min = 0.0;
    double max = 0.0;
    double step = 1.0;
    double neutral = 0.0;

    bool present() const { return !name.empty(); }
    unsigned index_of(double value) const;
    double value_of(unsigned index) const;
    unsigned max_index() const { return index_of(max); }
};

// Everything kmxaravis found on a camera when it opened it.
struct Cfeatures {
    unsigned max_width = 0;       // full readout, unbinned
    unsigned max_height = 0;
    bool colour = false;
    std::vector<uint32_t> pixel_formats;  // offered and readable, PFNC values

    Cnumeric gain;                // Gain or GainRaw
    Cnumeric black_level;         // BlackLevel or BlackLevelRaw
    Cnumeric balance_ratio;       // BalanceRatio, BalanceRatioAbs or BalanceRatioRaw
    bool balance_selector = false;
    Cnumeric gamma;               // Gamma
    std::string gamma_enable;     // GammaEnable, or empty
    std::string exposure;         // ExposureTime or ExposureTimeAbs, in microseconds
    double exposure_min_us = 0.0;
    double exposure_max_us = 0.0;
    std::string frame_rate;       // AcquisitionFrameRate or AcquisitionFrameRateAbs
    std::string frame_rate_enable;
    double rate_min = 0.0;
    double rate_max = 0.0;
    bool binning = false;         // BinningHorizontal and BinningVertical up to 2
    bool software_trigger = false;
    std::string test_pattern;     // TestPattern or TestImageSelector
    std::string test_pattern_on;  // the entry that switches it on
    bool lut = false;             // LUTEnable, LUTIndex, LUTValue
    int64_t lut_entries = 0;
    int64_t lut_top = 0;          // largest LUTValue
    bool gain_auto = false;       // GainAuto=Once
    bool exposure_auto = false;   // ExposureAuto=Once
    bool balance_auto = false;    // BalanceWhiteAuto=Once

    uint32_t caps() const;
};

// What the camera is set to for acquisition.
struct Capplied {
    bool valid = false;
    uint32_t pixel_format = 0;
    unsigned binning = 1;
    unsigned width = 0;          // the size asked for
    unsigned height = 0;
    uint32_t test_mode = 0;
    bool triggered = false;
    unsigned image_width = 0;    // the size the camera took
    unsigned image_height = 0;

    bool same_as(const Capplied& other) const
    {
        return valid && other.valid && pixel_format == other.pixel_format &&
               binning == other.binning && width == other.width && height == other.height &&
               test_mode == other.test_mode && triggered == other.triggered;
    }
};

// An Aravis buffer over memory that belongs to a caller's record.
struct Crecord_buffer {
    void* memory = nullptr;
    uint32_t size = 0;
    ArvBuffer* buffer = nullptr;  // our reference
};

// The frame the camera is acquiring.
struct Cjob {
    bool active = false;
    kmx_frame_t* record = nullptr;
    int assigned_index = -1;      // -1: a record given to kmx_start_frame
    ArvBuffer* buffer = nullptr;  // in the stream now
    Cplan plan;
    bool preview = false;
    int64_t start_real_us = 0;    // when it was started, on the clock of buffer stamps
    int64_t deadline_us = 0;      // monotonic
    bool drop_early = false;      // free-running: frames begun before the start are dropped
};

// Statistics by the id given to kmx_get_stat.
enum stat_id : unsigned {
    stat_frames_started = 0,
    stat_frames_delivered = 1,
    stat_frames_failed = 2,
    stat_frames_aborted = 3,
    stat_frames_dropped = 4,      // begun before their start, or lost by the stream
    stat_count = 5
};

constexpr unsigned param_ids = 23;   // integer parameter ids 0..22
constexpr unsigned lut_length = 256;

class Ccamera {
public:
    Ccamera() = default;
    ~Ccamera();
    Ccamera(const Ccamera&) = delete;
    Ccamera& operator=(const Ccamera&) = delete;

    ArvCamera* arv = nullptr;
    Cdevice_entry entry;
    Cfeatures features;

    // The contract's parameters as last set (the camera's own features are
    // read back from the camera), and their values at open.
    uint32_t params[param_ids] = {};
    uint32_t defaults[param_ids] = {};
    double gamma = 1.0;
    double gamma_default = 1.0;
    uint8_t lut[lut_length] = {};

    // Acquisition.
    ArvStream* stream = nullptr;
    bool acquiring = false;
    Capplied applied;
    uint64_t payload = 0;
    kmx_frame_t* records = nullptr;
    unsigned record_count = 0;
    std::vector<Crecord_buffer> record_buffers;  // one per assigned record
    Crecord_buffer loose;                        // for kmx_start_frame records
    ArvBuffer* scratch = nullptr;                // frames that need converting land here
    uint64_t scratch_size = 0;
    std::vector<uint8_t> preview_full;           // a full frame before its reduction
    Cjob job;
    uint32_t delivered = 0;
    uint32_t stats[stat_count] = {};
    uint32_t deadline_ms = 0;                    // 0: a few frame periods
    bool tone_off = false;                       // the automatic procedures measure untoned frames

    kmx_event_callback event_callback = nullptr;
    uintptr_t event_context = 0;
};

} // namespace kmxaravis

struct kmx_camera : kmxaravis::Ccamera {};

namespace kmxaravis {

// Opens a listed camera, reads its features and its values at open; null
// with a contract status on failure.
std::unique_ptr<kmx_camera> open_camera(const Cdevice_entry& entry, int& status);

} // namespace kmxaravis

#endif
