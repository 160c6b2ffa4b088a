// SPDX-License-Identifier: Apache-2.0
// Copies out of library images, the display polarity, 16-bit scaling and
// statistics.
#include "picture.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "kmxcore/image/image_core.h"

namespace kmxcap {

namespace {

constexpr unsigned reversed_order = 1;

Cstatus bad_image(const std::string& why)
{
    return Cstatus(exit_capture_failed, "the captured image is unusable: " + why);
}

uint16_t read_sample(const unsigned char* p, unsigned component_size)
{
    if (component_size == 1)
        return *p;
    uint16_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// Row bytes and buffer size cover width x height pixels of pixel_bytes.
bool geometry_fits(const Cimage_core& image, uint64_t pixel_bytes)
{
    const uint64_t row_needed = pixel_bytes * image.get_width();
    const uint64_t rowbytes = image.get_rowbytes();
    if (rowbytes < row_needed)
        return false;
    if (image.get_height() == 0)
        return true;
    const uint64_t last_byte = rowbytes * (image.get_height() - 1) + row_needed;
    return last_byte <= image.get_bsize();
}

} // namespace

Cstatus picture_from_image(const Cimage_core& image, Cpicture& picture)
{
    const unsigned components = image.get_no_components();
    const unsigned component_size = image.get_component_size();
    const auto* pixels = static_cast<const unsigned char*>(image.get_bp());
    if (pixels == nullptr || image.get_width() == 0 || image.get_height() == 0)
        return bad_image("no pixels");
    if (components != 1 && components != 3 && components != 4)
        return bad_image(std::to_string(components) + " components per pixel");
    if (component_size != 1 && component_size != 2)
        return bad_image(std::to_string(component_size) + "-byte components");
    if (!geometry_fits(image, static_cast<uint64_t>(components) * component_size))
        return bad_image("rows do not fit the buffer");

    picture.width = image.get_width();
    picture.height = image.get_height();
    picture.channels = components == 1 ? 1 : 3;
    const unsigned depth = image.get_component_depth();
    picture.significant_bits = component_size == 1 ? 8 : (depth > 8 && depth <= 16 ? depth : 16);
    picture.samples.resize(static_cast<size_t>(picture.width) * picture.height * picture.channels);

    const bool reversed = components > 1 && image.get_component_order() == reversed_order;
    const unsigned pixel_bytes = components * component_size;
    size_t out = 0;
    for (unsigned y = 0; y < picture.height; ++y) {
        const unsigned char* row = pixels + static_cast<size_t>(y) * image.get_rowbytes();
        for (unsigned x = 0; x < picture.width; ++x) {
            const unsigned char* pixel = row + static_cast<size_t>(x) * pixel_bytes;
            for (unsigned c = 0; c < picture.channels; ++c) {
                const unsigned source = reversed ? 2 - c : c;
                picture.samples[out++] = read_sample(pixel + source * component_size, component_size);
            }
        }
    }
    return Cstatus::ok();
}

Cstatus picture_from_raw(const Cimage_core& buffer, unsigned depth, Cpicture& picture)
{
    constexpr unsigned raw_word_bytes = 2;
    const auto* pixels = static_cast<const unsigned char*>(buffer.get_bp());
    if (pixels == nullptr || buffer.get_width() == 0 || buffer.get_height() == 0)
        return bad_image("no pixels");
    const uint64_t words = static_cast<uint64_t>(buffer.get_width()) * buffer.get_height();
    if (words * raw_word_bytes > buffer.get_bsize())
        return bad_image("the raw frame does not fit the buffer");
    picture.width = buffer.get_width();
    picture.height = buffer.get_height();
    picture.channels = 1;
    picture.significant_bits = depth >= 8 && depth <= 16 ? depth : 16;
    picture.samples.resize(static_cast<size_t>(words));
    for (size_t i = 0; i < picture.samples.size(); ++i)
        picture.samples[i] = read_sample(pixels + i * raw_word_bytes, raw_word_bytes);
    return Cstatus::ok();
}

const char* cfa_name(Ecfa pattern)
{
    switch (pattern) {
    case Ecfa::rggb: return "RGGB";
    case Ecfa::grbg: return "GRBG";
    case Ecfa::gbrg: return "GBRG";
    case Ecfa::bggr: return "BGGR";
    default: return "";
    }
}

void invert_grey(Cpicture& picture)
{
    if (picture.channels != 1)
        return;
    const unsigned max = picture.max_value();
    for (uint16_t& sample : picture.samples)
        sample = static_cast<uint16_t>(sample > max ? 0 : max - sample);
    picture.inverted = !picture.inverted;
}

void scale_to_16_bits(Cpicture& picture)
{
    const unsigned bits = picture.significant_bits;
    if (bits <= 8 || bits >= 16)
        return;
    const unsigned max = picture.max_value();
    for (uint16_t& sample : picture.samples) {
        const unsigned v = sample > max ? max : sample;
        // Bit replication: 0 stays 0 and the maximum becomes 65535.
        sample = static_cast<uint16_t>((v << (16 - bits)) | (v >> (2 * bits - 16)));
    }
    picture.significant_bits = 16;
}

bool picture_stats(const Cpicture& picture, const Cregion& region,
                   std::vector<Cchannel_stats>& stats)
{
    Cregion area = region;
    if (!area.given)
        area = {true, 0, 0, picture.width, picture.height};
    if (area.width == 0 || area.height == 0 || area.left >= picture.width ||
        area.top >= picture.height || area.width > picture.width - area.left ||
        area.height > picture.height - area.top)
        return false;
    stats.assign(picture.channels, Cchannel_stats());
    const double count = static_cast<double>(area.width) * area.height;
    for (unsigned c = 0; c < picture.channels; ++c) {
        double sum = 0.0;
        double squares = 0.0;
        for (unsigned y = area.top; y < area.top + area.height; ++y)
            for (unsigned x = area.left; x < area.left + area.width; ++x) {
                const double v = picture.at(x, y, c);
                sum += v;
                squares += v * v;
            }
        const double mean = sum / count;
        const double variance = squares / count - mean * mean;
        stats[c].mean = mean;
        stats[c].deviation = variance > 0.0 ? std::sqrt(variance) : 0.0;
    }
    return true;
}

std::string format_stats(const Cpicture& picture, const std::vector<Cchannel_stats>& stats)
{
    static const char* const channel_names[3] = {"R", "G", "B"};
    std::string line;
    char part[96];
    for (size_t c = 0; c < stats.size(); ++c) {
        const char* name = picture.channels == 1 ? "" : channel_names[c % 3];
        std::snprintf(part, sizeof part, "%s%s%smean %.3f sd %.3f", c ? ", " : "", name,
                      *name ? " " : "", stats[c].mean, stats[c].deviation);
        line += part;
    }
    return line;
}

} // namespace kmxcap
