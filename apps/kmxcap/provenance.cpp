// SPDX-License-Identifier: Apache-2.0
// The provenance record of a capture, its facts, and the JSON sidecar.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "json_writer.h"
#include "kmxcore/camera/device.h"
#include "kmxcore/camera/exposure_curve.h"
#include "kmxcore/settings/cam_settings.h"
#include "kmxcore/version.h"
#include "provenance_facts.h"

namespace kmxcap {

namespace {

constexpr unsigned text_length = 128;

Cfact text_fact(const char* key, const char* label, const std::string& text)
{
    return {key, label, text, Efact_type::text, 0.0};
}

Cfact number_fact(const char* key, const char* label, double number)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", number);
    return {key, label, text, Efact_type::number, number};
}

Cfact number_fact(const char* key, const char* label, unsigned number)
{
    return {key, label, std::to_string(number), Efact_type::number, static_cast<double>(number)};
}

Cfact flag_fact(const char* key, const char* label, bool flag)
{
    return {key, label, flag ? "yes" : "no", Efact_type::flag, flag ? 1.0 : 0.0};
}

const char* readout_of(const Ccam_settings& settings)
{
    if (settings.get_bin_mode())
        return "binned";
    if (settings.get_preview_mode())
        return "preview";
    return "normal";
}

std::string camera_text(const Cdevice& device, int (Cdevice::*read)(char*, unsigned) const)
{
    char text[text_length] = {};
    if ((device.*read)(text, text_length - 1) != 0)
        return std::string();
    return text;
}

} // namespace

std::string iso8601_now()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    constexpr long long ms_per_second = 1000;
    const auto milliseconds =
        duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % ms_per_second;
    std::tm local{};
    localtime_r(&seconds, &local);
    char date[32];
    char offset[8];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    std::strftime(offset, sizeof offset, "%z", &local);  // "+0200"
    char text[48];
    std::snprintf(text, sizeof text, "%s.%03d%.3s:%.2s", date,
                  static_cast<int>(milliseconds), offset, offset + 3);
    return text;
}

Cprovenance capture_provenance(const Cdevice& device, const Ccam_settings& settings)
{
    Cprovenance p;
    p.software = std::string("kmxcap ") + kmxcore_version();
    p.created = iso8601_now();
    p.camera_vendor = camera_text(device, &Cdevice::camera_vendor_desc);
    p.camera_model = camera_text(device, &Cdevice::camera_product_desc);
    p.camera_serial = device.get_serial_no();
    // What the capture's set-up writes into the camera for this index.
    p.exposure_index = settings.get_exposure();
    p.exposure_us = kmx_exposure::us_of_index(p.exposure_index);
    p.gain_index = settings.get_gain();
    p.gain = settings.get_gain_value();
    p.black_level_index = settings.get_bl();
    p.black_level = settings.get_bl_value();
    p.colour = settings.get_image_type() == 1;
    p.red_gain = settings.get_red_gain();
    p.green_gain = settings.get_green_gain();
    p.blue_gain = settings.get_blue_gain();
    p.readout = readout_of(settings);
    p.test_pattern = settings.get_test_mode() != 0;
    return p;
}

std::vector<Cfact> provenance_facts(const Cpicture& picture, const Cprovenance& p)
{
    std::vector<Cfact> facts = {
        text_fact("software", "Software", p.software),
        text_fact("created", "Creation Time", p.created),
        text_fact("acquisition", "Acquisition", p.acquisition),
        text_fact("camera_vendor", "Camera Vendor", p.camera_vendor),
        text_fact("camera_model", "Camera Model", p.camera_model),
        number_fact("camera_serial", "Camera Serial", p.camera_serial),
        number_fact("exposure_us", "Exposure Time (us)", p.exposure_us),
        number_fact("exposure_index", "Exposure Index", p.exposure_index),
        number_fact("gain_index", "Gain Index", p.gain_index),
        number_fact("gain", "Gain", p.gain),
        number_fact("black_level_index", "Black Level Index", p.black_level_index),
        number_fact("black_level", "Black Level", p.black_level),
    };
    if (p.colour) {
        facts.push_back(number_fact("red_gain_index", "Red Gain Index", p.red_gain));
        facts.push_back(number_fact("green_gain_index", "Green Gain Index", p.green_gain));
        facts.push_back(number_fact("blue_gain_index", "Blue Gain Index", p.blue_gain));
    }
    facts.push_back(number_fact("depth", "Bit Depth", picture.significant_bits));
    facts.push_back(number_fact("frames_averaged", "Frames Averaged", p.frames_averaged));
    if (p.clamped_sum)
        facts.push_back(flag_fact("clamped_sum", "Clamped Sum", true));
    if (p.frame_number != 0)
        facts.push_back(number_fact("frame_number", "Frame Number", p.frame_number));
    if (picture.channels == 1)
        facts.push_back(flag_fact("inverted", "Inverted", picture.inverted));
    if (picture.mosaic != Ecfa::none)
        facts.push_back(text_fact("cfa_pattern", "CFA Pattern", cfa_name(picture.mosaic)));
    facts.push_back(text_fact("readout", "Readout", p.readout));
    facts.push_back(flag_fact("test_pattern", "Test Pattern", p.test_pattern));
    if (p.pixel_pitch_um > 0.0)
        facts.push_back(number_fact("pixel_pitch_um", "Pixel Pitch (um)", p.pixel_pitch_um));
    return facts;
}

std::string facts_description(const std::vector<Cfact>& facts)
{
    std::string text;
    for (const Cfact& fact : facts)
        text += std::string(fact.label) + ": " + fact.text + "\n";
    return text;
}

std::string tiff_date_time(const std::string& iso)
{
    // "YYYY-MM-DDTHH:MM:SS..." -> "YYYY:MM:DD HH:MM:SS"
    constexpr size_t length = 19;
    if (iso.size() < length || iso[4] != '-' || iso[7] != '-' || iso[10] != 'T')
        return std::string();
    std::string text = iso.substr(0, length);
    text[4] = text[7] = ':';
    text[10] = ' ';
    return text;
}

std::string sidecar_path(const std::string& picture_path) { return picture_path + ".json"; }

std::string sidecar_json(const Cpicture& picture, const Cprovenance& provenance,
                         const std::string& file_name)
{
    Cjson_writer json;
    json.begin_object();
    json.key("file");
    json.value(file_name);
    json.key("width");
    json.value(picture.width);
    json.key("height");
    json.value(picture.height);
    json.key("channels");
    json.value(picture.channels);
    for (const Cfact& fact : provenance_facts(picture, provenance)) {
        json.key(fact.key);
        if (fact.type == Efact_type::flag)
            json.value(fact.number != 0.0);
        else if (fact.type == Efact_type::number)
            json.value(fact.number);
        else
            json.value(fact.text);
    }
    json.end_object();
    return json.text();
}

} // namespace kmxcap
