// SPDX-License-Identifier: Apache-2.0
// Cdevice: construction, copies, opening and closing, accessors.
#include "kmxcore/camera/device.h"

#include <climits>

#include "kmxcore/camera/camera_call.h"
#include "kmxcore/camera/kmx_interface.h"

namespace {

// A colour pool keeps room for four components per pixel so that every
// colour format (24- and 32-bit, three deep components) fits in place.
constexpr unsigned colour_pool_components = 4;
constexpr unsigned mono_pool_components = 1;
constexpr unsigned pool_component_order = 0;

unsigned deepest_depth(unsigned depths)
{
    if (depths & KMX_DEPTH_BIT_12)
        return 12;
    if (depths & KMX_DEPTH_BIT_10)
        return 10;
    return 8;
}

// The pool takes signed sizes; a camera reporting more than INT_MAX pixels
// a side cannot be given buffers.
bool fits_pool_size(unsigned side)
{
    return side <= static_cast<unsigned>(INT_MAX);
}

} // namespace

Cdevice::Cdevice() = default;

Cdevice::Cdevice(const Cdevice& other)
    : iformat(other.iformat), settings(other.settings)
{
    copy_description(other);
}

Cdevice& Cdevice::operator=(const Cdevice& other)
{
    if (this == &other)
        return *this;
    close();
    iformat = other.iformat;
    settings = other.settings;
    copy_description(other);
    return *this;
}

Cdevice::~Cdevice()
{
    Cdevice::close();
}

void Cdevice::copy_description(const Cdevice& other)
{
    camera_id = other.camera_id;
    camera_index = other.camera_index;
    instance = other.instance;
    camera = nullptr;  // the source keeps the open camera; the copy is closed
    serial_no = other.serial_no;
    camera_caps = other.camera_caps;
    camera_type = other.camera_type;
    camera_depths = other.camera_depths;
    image_mode = other.image_mode;
    width = other.width;
    height = other.height;
    max_width = other.max_width;
    max_height = other.max_height;
    bin_width = other.bin_width;
    bin_height = other.bin_height;
    preview_width = other.preview_width;
    preview_height = other.preview_height;
    max_depth = other.max_depth;
    readout_mode = other.readout_mode;
    format = other.format;
    // What the source's camera holds is no concern of a closed copy.
    forget_camera_state();
}

int Cdevice::open(unsigned id, unsigned index, unsigned no_buffers)
{
    // Reopening must not leak the camera held so far.
    if (camera)
        close();
    instance = Ckmx_interface::get_interface();
    if (!instance)
        return 1;
    camera_id = id;
    camera_index = index;
    if (camera_call(kmx_open, instance, camera_id, camera_index, &camera) != KMX_OK) {
        camera = nullptr;
        return 1;
    }
    // Nothing has been sent to the camera's format parameter on this open,
    // so the first set_format must go through in full.
    format = KMX_FORMAT_NONE;
    forget_camera_state();
    if (prepare_camera(no_buffers) != 0)
        return 1;
    const unsigned chosen = get_format(image_mode, settings);
    return reshape_pool(chosen);
}

int Cdevice::open(unsigned id, unsigned index)
{
    return open(id, index, kmx_device_default_buffers);
}

int Cdevice::open_any(unsigned& id, unsigned& index, unsigned no_buffers)
{
    if (camera)
        close();
    instance = Ckmx_interface::get_interface();
    if (!instance)
        return 1;
    camera_id = id;
    camera_index = index;
    if (camera_call(kmx_open_any, instance, &camera_id, &camera_index, &camera) != KMX_OK) {
        camera = nullptr;
        return 1;
    }
    id = camera_id;
    index = camera_index;
    forget_camera_state();
    if (prepare_camera(no_buffers) != 0)
        return 1;
    format = get_format(image_mode, settings);
    // The chosen format is recorded but nothing has told the camera: the
    // first set_format sends it.
    format_in_doubt = true;
    return reshape_pool(format);
}

int Cdevice::open_any(unsigned& id, unsigned& index)
{
    return open_any(id, index, kmx_device_default_buffers);
}

void Cdevice::read_identity()
{
    unsigned caps = 0;
    camera_call(kmx_get_info, camera, KMX_INFO_CAPS, &caps);
    camera_caps = caps;
    camera_type = (caps & KMX_CAP_COLOR) ? 1 : 0;
    image_mode = camera_type;

    // 8-bit output is always available, whatever KMX_CAP_DEPTH8 says.
    camera_depths = KMX_DEPTH_BIT_8;
    if (caps & KMX_CAP_DEPTH10)
        camera_depths |= KMX_DEPTH_BIT_10;
    if (caps & KMX_CAP_DEPTH12)
        camera_depths |= KMX_DEPTH_BIT_12;

    camera_call(kmx_get_info, camera, KMX_INFO_SERIAL_NO, &serial_no);
    get_info(KMX_INFO_MAX_WIDTH, &max_width);
    get_info(KMX_INFO_MAX_HEIGHT, &max_height);
    get_info(KMX_INFO_PREVIEW_WIDTH, &preview_width);
    get_info(KMX_INFO_PREVIEW_HEIGHT, &preview_height);

    bin_width = max_width >> 1;
    bin_height = max_height >> 1;
    width = max_width;
    height = max_height;
    max_depth = deepest_depth(camera_depths);
}

void Cdevice::choose_readout_mode()
{
    if (settings.get_bin_mode() != 0) {
        readout_mode = KMX_READOUT_BIN;
        width = bin_width;
        height = bin_height;
    } else if (settings.get_preview_mode() != 0) {
        readout_mode = KMX_READOUT_PREVIEW;
        width = preview_width;
        height = preview_height;
    } else {
        readout_mode = KMX_READOUT_NORMAL;
        width = max_width;
        height = max_height;
    }
}

int Cdevice::prepare_camera(unsigned no_buffers)
{
    read_identity();
    const unsigned components = camera_type ? colour_pool_components : mono_pool_components;
    settings.load_defaults(camera);
    // The mode is settled before load_settings so that its mode switch
    // finds no change and leaves the not yet created pool alone.
    choose_readout_mode();
    load_settings(settings);

    // Buffers are made once at the largest layout the camera can deliver;
    // every later format or readout change reshapes them in place.
    if (!fits_pool_size(max_width) || !fits_pool_size(max_height)) {
        abandon_open();
        return 1;
    }
    if (bpool.create_pool(image_mode, components, max_depth, pool_component_order,
                          static_cast<int>(max_width), static_cast<int>(max_height),
                          no_buffers) != 0) {
        abandon_open();
        return 1;
    }
    if (bpool.assign(camera) != 0) {
        abandon_open();
        return 1;
    }
    return 0;
}

int Cdevice::reshape_pool(unsigned chosen)
{
    iformat.set_format(chosen);
    if (bpool.modify(chosen, static_cast<int>(width), static_cast<int>(height)) != 0) {
        abandon_open();
        return 1;
    }
    return 0;
}

void Cdevice::abandon_open()
{
    bpool.close();
    if (camera)
        camera_call(kmx_close, instance, &camera);
    // The camera library nulls the handle it closes; do not depend on it.
    camera = nullptr;
}

void Cdevice::close()
{
    abandon_open();
}

kmx_camera_t* Cdevice::get_camera_handle() const { return camera; }
unsigned Cdevice::get_camera_id() const { return camera_id; }
unsigned Cdevice::get_camera_index() const { return camera_index; }
unsigned Cdevice::get_serial_no() const { return serial_no; }
unsigned Cdevice::get_camera_caps() const { return camera_caps; }
unsigned Cdevice::get_camera_type() const { return camera_type; }
unsigned Cdevice::get_camera_depths() const { return camera_depths; }
unsigned Cdevice::get_image_mode() const { return image_mode; }
unsigned Cdevice::get_width() const { return width; }
unsigned Cdevice::get_height() const { return height; }
unsigned Cdevice::get_max_width() const { return max_width; }
unsigned Cdevice::get_max_height() const { return max_height; }
unsigned Cdevice::get_bin_width() const { return bin_width; }
unsigned Cdevice::get_bin_height() const { return bin_height; }
unsigned Cdevice::get_preview_width() const { return preview_width; }
unsigned Cdevice::get_preview_height() const { return preview_height; }
unsigned Cdevice::get_max_depth() const { return max_depth; }
Cbuffer_pool* Cdevice::get_bpool() { return &bpool; }
Cfw_image* Cdevice::get_buffer(unsigned index) { return bpool.get_buffer(index); }
kmx_frame_t* Cdevice::get_frame_info(unsigned index) { return bpool.get_frame_info(index); }
