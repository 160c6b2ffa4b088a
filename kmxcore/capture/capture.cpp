// SPDX-License-Identifier: Apache-2.0
// Ccapture: construction, copying, binding, camera set-up, rate selection,
// retry limit, property setters and accessors.
#include "kmxcore/capture/capture.h"

#include "kmxcore/camera/device.h"
#include "kmxcore/camera/exposure_curve.h"
#include "kmxcore/image/fw_image.h"

namespace {

// Camera parameters the set-up writes.
constexpr unsigned param_gain = KMX_PARAM_GAIN;
constexpr unsigned param_red_gain = KMX_PARAM_RED_GAIN;
constexpr unsigned param_green_gain = KMX_PARAM_GREEN_GAIN;
constexpr unsigned param_blue_gain = KMX_PARAM_BLUE_GAIN;
constexpr unsigned param_exposure = KMX_PARAM_EXPOSURE;
constexpr unsigned param_bl = KMX_PARAM_BL;
constexpr unsigned param_rate = KMX_PARAM_RATE;
constexpr unsigned param_8 = KMX_PARAM_8;
constexpr unsigned param_test_mode = KMX_PARAM_TEST_MODE;
constexpr unsigned param_invert = KMX_PARAM_INVERT;
constexpr unsigned param_11 = KMX_PARAM_11;
constexpr unsigned param_red_boost = KMX_PARAM_RED_BOOST;
constexpr unsigned param_blue_boost = KMX_PARAM_BLUE_BOOST;
constexpr unsigned param_19 = KMX_PARAM_19;
constexpr unsigned param_gamma_mode = KMX_PARAM_GAMMA_MODE;
constexpr unsigned param_contrast_mode = KMX_PARAM_CONTRAST_MODE;
constexpr unsigned param_contrast = KMX_PARAM_CONTRAST;
constexpr unsigned fparam_gamma = KMX_FPARAM_GAMMA;

constexpr unsigned colour_camera_type = 1;
constexpr unsigned colour_mode = 1;
constexpr unsigned monochrome_mode = 0;
constexpr unsigned rgb_values_per_pixel = 3;
constexpr int live_rate_selected = 1;
constexpr unsigned long setup_value = 0;

} // namespace

Ccapture::Ccapture() = default;

Ccapture::Ccapture(Cdevice* device) : device(device) {}

// The deep image duplicates its own buffer (Cimage copies do). The frame
// list is not copied: its record names an image of the source, so the copy
// starts with a fresh list of the same length, bound again before each use.
Ccapture::Ccapture(const Ccapture& other)
    : device(other.device),
      frame_count(other.frame_count),
      no_retries(other.no_retries),
      retry_count(other.retry_count),
      continuous(other.continuous),
      next_index(other.next_index),
      buffer_no(other.buffer_no),
      start_index(other.start_index),
      current_image(other.current_image),
      deep_image(other.deep_image),
      frame_info(),
      image_ready(other.image_ready),
      deep_image_ready(other.deep_image_ready),
      image_mode(other.image_mode),
      format(other.format),
      iformat(other.iformat),
      max_width(other.max_width),
      max_height(other.max_height),
      preview_width(other.preview_width),
      preview_height(other.preview_height),
      bin_width(other.bin_width),
      bin_height(other.bin_height),
      width(other.width),
      height(other.height),
      row_values(other.row_values),
      rgb_row_values(other.rgb_row_values),
      averaging(other.averaging),
      average_opt(other.average_opt),
      average_frames(other.average_frames),
      settings(other.settings),
      restart_needed(other.restart_needed)
{
    copy_frame_list_length(other);
    forget_lost_deep_frame();
}

Ccapture& Ccapture::operator=(const Ccapture& other)
{
    if (this == &other)
        return *this;
    device = other.device;
    frame_count = other.frame_count;
    no_retries = other.no_retries;
    retry_count = other.retry_count;
    continuous = other.continuous;
    next_index = other.next_index;
    buffer_no = other.buffer_no;
    start_index = other.start_index;
    current_image = other.current_image;
    deep_image = other.deep_image;
    copy_frame_list_length(other);
    image_ready = other.image_ready;
    deep_image_ready = other.deep_image_ready;
    image_mode = other.image_mode;
    format = other.format;
    iformat = other.iformat;
    max_width = other.max_width;
    max_height = other.max_height;
    preview_width = other.preview_width;
    preview_height = other.preview_height;
    bin_width = other.bin_width;
    bin_height = other.bin_height;
    width = other.width;
    height = other.height;
    row_values = other.row_values;
    rgb_row_values = other.rgb_row_values;
    averaging = other.averaging;
    average_opt = other.average_opt;
    average_frames = other.average_frames;
    settings = other.settings;
    restart_needed = other.restart_needed;
    forget_lost_deep_frame();
    return *this;
}

Ccapture::~Ccapture()
{
    frame_info.release();
    deep_image.close_image();
}

int Ccapture::init(Cdevice* device, Ccam_settings* settings)
{
    if (device == nullptr)
        return 0;
    this->device = device;
    if (settings != nullptr)
        this->settings = *settings;
    image_mode = device->get_camera_type() == colour_camera_type ? colour_mode : monochrome_mode;
    frame_info.create(1);
    continuous = 0;
    next_index = 0;
    buffer_no = 0;

    max_width = device->get_max_width();
    max_height = device->get_max_height();
    bin_width = device->get_bin_width();
    bin_height = device->get_bin_height();
    preview_width = device->get_preview_width();
    preview_height = device->get_preview_height();
    width = max_width;
    height = max_height;
    row_values = max_width;
    rgb_row_values = rgb_values_per_pixel * max_width;

    // The white-balance gains go to every camera here; setup sends them
    // only to colour cameras.
    device->set_param(param_gain, this->settings.get_gain());
    device->set_param(param_bl, this->settings.get_bl());
    device->set_param(param_red_gain, this->settings.get_red_gain());
    device->set_param(param_green_gain, this->settings.get_green_gain());
    device->set_param(param_blue_gain, this->settings.get_blue_gain());
    device->set_param(param_11, 0);
    device->set_param(param_invert, this->settings.invert_image() ? 1u : 0u);

    // A refused format leaves the maximum size; callers who need to know
    // call setup themselves.
    setup(&this->settings, 0, 0);
    return 1;
}

Cdevice* Ccapture::get_device() const { return device; }
Ccam_settings* Ccapture::get_settings() { return &settings; }
bool Ccapture::image_available() const { return image_ready != 0; }
bool Ccapture::deep_image_available() const { return deep_image_ready != 0; }
unsigned Ccapture::get_image_mode() const { return image_mode; }

unsigned Ccapture::get_bytes_per_row() const
{
    // The settings' pixel size describes what the camera delivers next.
    return width * settings.get_pixel_size();
}

unsigned Ccapture::get_image_size() const
{
    return height * width * settings.get_pixel_size();
}

unsigned Ccapture::get_width() const { return width; }
unsigned Ccapture::get_height() const { return height; }
unsigned Ccapture::get_buffer_no() const { return buffer_no; }

Cfw_image* Ccapture::get_image(unsigned n)
{
    if (device == nullptr)
        return nullptr;
    return device->get_buffer(n);
}

Cfw_image* Ccapture::get_image() const { return current_image; }
Cimage* Ccapture::get_deep_image() { return &deep_image; }
void Ccapture::reset_frame_count() { frame_count = 0; }
unsigned Ccapture::get_frame_count() const { return frame_count; }

int Ccapture::setup(Ccam_settings* settings, int average, int live)
{
    if (device == nullptr || settings == nullptr)
        return 1;
    restart_needed = 1;
    this->settings = *settings;
    format = this->settings.get_format();
    if (!device->set_format(format))
        return 1;
    iformat.set_format(format);

    device->set_param(param_test_mode, this->settings.get_test_mode());
    const unsigned rate =
        live == live_rate_selected ? this->settings.get_live_rate() : this->settings.get_rate();
    device->set_param(param_rate, rate);
    select_readout();

    width = device->get_width();
    height = device->get_height();
    row_values = width;
    rgb_row_values = rgb_values_per_pixel * width;

    device->set_param(param_gain, this->settings.get_gain());
    device->set_param(param_bl, this->settings.get_bl());
    if (image_mode == colour_mode)
        send_colour_balance();
    device->set_param(param_gamma_mode, this->settings.get_gamma_mode());
    device->set_fparam(fparam_gamma, this->settings.get_gamma());
    send_contrast();
    device->set_param(param_8, 0);
    device->set_param(param_19, 0);
    device->set_param(param_exposure, kmx_exposure::us_of_index(this->settings.get_exposure()));
    device->setup_camera(setup_value);

    const bool on = average != 0;
    averaging = on ? 1 : 0;
    average_opt = on ? this->settings.get_average_opt() : 0;
    average_frames = on ? this->settings.get_average_frames() : 0;
    return 0;
}

int Ccapture::setup(int average, int live) { return setup(&settings, average, live); }

void Ccapture::select_live_rate()
{
    if (device == nullptr || settings.get_live_rate() == settings.get_rate())
        return;
    device->set_param(param_rate, settings.get_live_rate());
    device->setup_camera(setup_value);
}

void Ccapture::select_capture_rate()
{
    if (device == nullptr || settings.get_live_rate() == settings.get_rate())
        return;
    device->set_param(param_rate, settings.get_rate());
    device->setup_camera(setup_value);
}

void Ccapture::set_no_retries(unsigned n) { no_retries = n; }

bool Ccapture::set_test_mode(unsigned on)
{
    return store_and_send(&Ccam_settings::set_test_mode, param_test_mode, on);
}

bool Ccapture::set_gain(unsigned index)
{
    return store_and_send(&Ccam_settings::set_gain, param_gain, index);
}

bool Ccapture::set_bl(unsigned index)
{
    return store_and_send(&Ccam_settings::set_bl, param_bl, index);
}

bool Ccapture::set_red_gain(unsigned index)
{
    return store_and_send(&Ccam_settings::set_red_gain, param_red_gain, index);
}

bool Ccapture::set_green_gain(unsigned index)
{
    return store_and_send(&Ccam_settings::set_green_gain, param_green_gain, index);
}

bool Ccapture::set_blue_gain(unsigned index)
{
    return store_and_send(&Ccam_settings::set_blue_gain, param_blue_gain, index);
}

bool Ccapture::set_red_boost(unsigned on)
{
    return store_and_send(&Ccam_settings::set_red_boost, param_red_boost, on);
}

bool Ccapture::set_blue_boost(unsigned on)
{
    return store_and_send(&Ccam_settings::set_blue_boost, param_blue_boost, on);
}

// --- helpers (not virtual: not part of the class's slot order) ----------

bool Ccapture::store_and_send(bool (Ccam_settings::*setter)(unsigned), unsigned param,
                              unsigned value)
{
    if (device == nullptr)
        return false;
    if (!(settings.*setter)(value))
        return false;
    device->set_param(param, value);
    return true;
}

// Binning wins over preview.
void Ccapture::select_readout()
{
    if (settings.get_bin_mode() != 0)
        device->set_bin_mode();
    else if (settings.get_preview_mode() != 0)
        device->set_preview_mode();
    else
        device->set_normal_mode();
}

void Ccapture::send_colour_balance()
{
    device->set_param(param_red_gain, settings.get_red_gain());
    device->set_param(param_green_gain, settings.get_green_gain());
    device->set_param(param_blue_gain, settings.get_blue_gain());
    device->set_param(param_red_boost, settings.get_red_boost());
    device->set_param(param_blue_boost, settings.get_blue_boost());
}

// The contrast value goes out only with contrast on; the mode always does.
void Ccapture::send_contrast()
{
    const unsigned mode = settings.get_contrast_mode();
    if (mode != 0) {
        device->set_param(param_contrast, settings.get_contrast());
        device->set_param(param_contrast_mode, mode);
        return;
    }
    device->set_param(param_contrast_mode, 0);
}

void Ccapture::copy_frame_list_length(const Ccapture& other)
{
    const unsigned records = other.frame_info.get_no_frames();
    if (records == 0) {
        frame_info.release();
        return;
    }
    frame_info.create(records);
}

// A copy of the deep image that could not get its buffer holds no frame.
void Ccapture::forget_lost_deep_frame()
{
    if (deep_image.get_bp() == nullptr)
        deep_image_ready = 0;
}
