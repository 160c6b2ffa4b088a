// SPDX-License-Identifier: Apache-2.0
// Opening a camera: what it offers (its features, sizes and pixel
// formats), the capability word that follows, and its values at open.
#include "camera.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "frames.h"
#include "genicam.h"
#include "params.h"

namespace kmxaravis {

namespace {

// Index steps of a float feature whose camera gives no increment: a tenth
// of a dB of gain, a quarter unit of black level, 1/32 of a
// white-balance ratio, 1/20 of gamma.
constexpr double gain_step = 0.1;
constexpr double black_level_step = 0.25;
constexpr double balance_step = 1.0 / 32.0;
constexpr double gamma_step = 0.05;
// More index steps than this would make the settings' limits unwieldy;
// the step grows instead.
constexpr double max_index_steps = 65535.0;
constexpr size_t max_prefix_chars = 8;
constexpr uint32_t fnv_offset = 2166136261u;
constexpr uint32_t fnv_prime = 16777619u;

Cnumeric numeric(const Cgenicam& gc, std::initializer_list<const char*> names, double float_step,
                 double neutral)
{
    Cnumeric n;
    n.neutral = neutral;
    n.min = n.max = neutral;
    const std::string name = gc.first_of(names);
    double min = 0, max = 0, increment = 0;
    if (name.empty() || !gc.number_bounds(name.c_str(), min, max, increment))
        return n;
    if (!(std::isfinite(min) && std::isfinite(max) && max >= min))
        return n;
    n.name = name;
    n.is_float = gc.is_float(name.c_str());
    n.min = min;
    n.max = max;
    n.step = increment > 0 ? increment : float_step;
    if ((max - min) / n.step > max_index_steps)
        n.step = (max - min) / max_index_steps;
    return n;
}

bool has_entry(const std::vector<std::string>& entries, const char* wanted)
{
    return std::find(entries.begin(), entries.end(), wanted) != entries.end();
}

// Selects an enumeration entry when the selector exists and offers it.
void select_if_offered(const Cgenicam& gc, const char* selector, const char* entry)
{
    if (gc.has(selector) && has_entry(gc.enum_entries(selector), entry))
        gc.set_enum(selector, entry);
}

// The unbinned full size: binning back to 1, offsets to 0, then the
// largest width and height.
void read_full_size(ArvCamera* camera, const Cgenicam& gc, Cfeatures& f)
{
    for (const char* binning : {"BinningHorizontal", "BinningVertical"})
        if (gc.has(binning))
            gc.set_number(binning, 1);
    for (const char* offset : {"OffsetX", "OffsetY"})
        if (gc.has(offset))
            gc.set_number(offset, 0);
    Cerror error;
    gint min = 0, max_width = 0, max_height = 0;
    arv_camera_get_width_bounds(camera, &min, &max_width, error.out());
    arv_camera_get_height_bounds(camera, &min, &max_height, error.out());
    if (error.failed())
        note_failure("reading the image size", error.message());
    f.max_width = static_cast<unsigned>(std::max(max_width, 0));
    f.max_height = static_cast<unsigned>(std::max(max_height, 0));
}

void read_pixel_formats(ArvCamera* camera, Cfeatures& f)
{
    Cerror error;
    guint count = 0;
    gint64* formats = arv_camera_dup_available_pixel_formats(camera, &count, error.out());
    for (guint i = 0; formats != nullptr && i < count; ++i) {
        const auto pfnc = static_cast<uint32_t>(formats[i]);
        if (find_source(pfnc) != nullptr)
            f.pixel_formats.push_back(pfnc);
    }
    g_free(formats);
    f.colour = offers_colour(f.pixel_formats);
}

void read_exposure_and_rate(const Cgenicam& gc, Cfeatures& f)
{
    double increment = 0;
    f.exposure = gc.first_of({"ExposureTime", "ExposureTimeAbs"});
    if (!f.exposure.empty() &&
        !gc.number_bounds(f.exposure.c_str(), f.exposure_min_us, f.exposure_max_us, increment))
        f.exposure.clear();
    f.frame_rate = gc.first_of({"AcquisitionFrameRate", "AcquisitionFrameRateAbs"});
    if (!f.frame_rate.empty() &&
        !gc.number_bounds(f.frame_rate.c_str(), f.rate_min, f.rate_max, increment))
        f.frame_rate.clear();
    f.frame_rate_enable = gc.first_of({"AcquisitionFrameRateEnable", "AcquisitionFrameRateEnabled"});
}

void read_modes(ArvCamera* camera, const Cgenicam& gc, Cfeatures& f)
{
    double min = 0, max = 0, increment = 0;
    f.binning = gc.has("BinningHorizontal") && gc.has("BinningVertical") &&
                gc.number_bounds("BinningHorizontal", min, max, increment) && max >= 2 &&
                gc.number_bounds("BinningVertical", min, max, increment) && max >= 2;
    Cerror error;
    f.software_trigger = arv_camera_is_software_trigger_supported(camera, error.out()) &&
                         !error.failed();
    f.test_pattern = gc.first_of({"TestPattern", "TestImageSelector"});
    for (const std::string& entry : gc.enum_entries(f.test_pattern.c_str())) {
        if (entry != "Off") {
            f.test_pattern_on = entry;
            break;
        }
    }
    if (f.test_pattern_on.empty())
        f.test_pattern.clear();
    select_if_offered(gc, "LUTSelector", "Luminance");
    f.lut = gc.has("LUTEnable") && gc.has("LUTIndex") && gc.has("LUTValue") &&
            gc.number_bounds("LUTIndex", min, max, increment) && max >= 1;
    if (f.lut) {
        f.lut_entries = static_cast<int64_t>(max) + 1;
        f.lut = gc.number_bounds("LUTValue", min, max, increment) && max >= 1;
        f.lut_top = static_cast<int64_t>(max);
    }
    f.gain_auto = has_entry(gc.enum_entries("GainAuto"), "Once");
    f.exposure_auto = has_entry(gc.enum_entries("ExposureAuto"), "Once");
    f.balance_auto = has_entry(gc.enum_entries("BalanceWhiteAuto"), "Once");
}

Cfeatures discover(ArvCamera* camera)
{
    const Cgenicam gc(camera);
    Cfeatures f;
    read_full_size(camera, gc, f);
    read_pixel_formats(camera, f);
    select_if_offered(gc, "GainSelector", "All");
    f.gain = numeric(gc, {"Gain", "GainRaw"}, gain_step, 0.0);
    f.black_level = numeric(gc, {"BlackLevel", "BlackLevelRaw"}, black_level_step, 0.0);
    f.balance_selector = gc.has("BalanceRatioSelector");
    if (f.colour) {
        select_if_offered(gc, "BalanceRatioSelector", "Red");
        f.balance_ratio =
            numeric(gc, {"BalanceRatio", "BalanceRatioAbs", "BalanceRatioRaw"}, balance_step, 1.0);
    } else {
        f.balance_ratio = numeric(gc, {}, balance_step, 1.0);
    }
    f.gamma = numeric(gc, {"Gamma"}, gamma_step, 1.0);
    f.gamma_enable = gc.first_of({"GammaEnable", "GammaEnabled"});
    read_exposure_and_rate(gc, f);
    read_modes(camera, gc, f);
    return f;
}

} // namespace

unsigned Cnumeric::index_of(double value) const
{
    if (!present() || !(value > min))
        return 0;
    const double v = std::min(value, max);
    return static_cast<unsigned>(std::lround((v - min) / step));
}

double Cnumeric::value_of(unsigned index) const
{
    if (!present())
        return neutral;
    return std::min(max, min + index * step);
}

uint32_t Cfeatures::caps() const
{
    uint32_t caps = KMX_CAP_DEPTH8 | KMX_CAP_PREVIEW; // preview readout is emulated
    Cplan plan;
    const unsigned deep10 = colour ? code_rgb30 : code_mono10;
    const unsigned deep12 = colour ? code_rgb36 : code_mono12;
    if (plan_format(pixel_formats, colour, deep10, max_width, max_height, plan))
        caps |= KMX_CAP_DEPTH10;
    if (plan_format(pixel_formats, colour, deep12, max_width, max_height, plan))
        caps |= KMX_CAP_DEPTH12;
    if (colour)
        caps |= KMX_CAP_COLOR;
    if (binning)
        caps |= KMX_CAP_BIN;
    if (!test_pattern.empty())
        caps |= KMX_CAP_TEST_MODE;
    return caps;
}

uint32_t serial_number(const Cdevice_entry& entry)
{
    const std::string& text = entry.serial.empty() ? entry.device_id : entry.serial;
    const bool digits = !text.empty() && text.size() <= 10 &&
                        std::all_of(text.begin(), text.end(),
                                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    if (digits) {
        const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
        if (value <= 0xFFFFFFFFull)
            return static_cast<uint32_t>(value);
    }
    uint32_t hash = fnv_offset;
    for (char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * fnv_prime;
    return hash;
}

std::string vendor_prefix(const std::string& vendor)
{
    const size_t space = vendor.find(' ');
    const std::string word = vendor.substr(0, space);
    return word.substr(0, max_prefix_chars);
}

Ccamera::~Ccamera()
{
    shutdown_locked(*this);
    if (arv != nullptr)
        g_object_unref(arv);
}

std::unique_ptr<kmx_camera> open_camera(const Cdevice_entry& entry, int& status)
{
    Cerror error;
    ArvCamera* arv = arv_camera_new(entry.device_id.c_str(), error.out());
    if (arv == nullptr || error.failed()) {
        note_failure("opening " + entry.device_id, error.message());
        if (arv != nullptr)
            g_object_unref(arv);
        status = KMX_ERR_NOT_FOUND;
        return nullptr;
    }
    auto camera = std::make_unique<kmx_camera>();
    camera->arv = arv;
    camera->entry = entry;
    camera->features = discover(arv);
    if (camera->features.max_width == 0 || camera->features.max_height == 0 ||
        camera->features.pixel_formats.empty()) {
        note_failure("opening " + entry.device_id, "no image size or pixel format kmxaravis can read");
        status = KMX_ERR_NOT_SUPPORTED;
        return nullptr;
    }
    read_values_at_open(*camera);
    status = KMX_OK;
    return camera;
}

} // namespace kmxaravis
