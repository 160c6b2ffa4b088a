// SPDX-License-Identifier: Apache-2.0
// Cos_image: a DIB section in a memory DC, created, cleared and released.
#include "kmxcore/image/os_image.h"
#include "kmxcore/diagnostics/log.h"
#include "kmx_platform.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

static_assert(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) == KMX_BITMAP_BLOCK_BYTES,
              "the header block holds the header and a 256-entry colour table");

namespace {

constexpr unsigned colour_type = 1;
constexpr unsigned colour_format = 6;
constexpr unsigned mono_format = 2;
constexpr unsigned colour_bits = 24;
constexpr unsigned mono_bits = 8;
constexpr unsigned colour_components = 3;
constexpr unsigned component_bits = 8;
constexpr unsigned colour_table_size = 256;
constexpr uint32_t blue_mask = 0x00FF0000;
constexpr uint32_t green_mask = 0x0000FF00;
constexpr uint32_t red_mask = 0x000000FF;

// Bytes of a row of a DIB of this width, rounded up to 4.
uint64_t dib_stride(uint64_t bits, uint64_t width)
{
    return (bits * width + 31) / 32 * 4;
}

void fill_header(BITMAPINFO* binfo, int width, int height, unsigned bits, unsigned size,
                 bool colour)
{
    BITMAPINFOHEADER& h = binfo->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = -height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bits);
    h.biCompression = BI_RGB;
    h.biSizeImage = size;
    h.biXPelsPerMeter = 0;
    h.biYPelsPerMeter = 0;
    h.biClrUsed = colour ? 0 : colour_table_size;
    h.biClrImportant = 0;
}

// Colour: the three masks in the first three entries, the rest untouched.
// Monochrome: the inverted grey ramp, so value 0 shows white.
void fill_colour_table(BITMAPINFO* binfo, bool colour)
{
    RGBQUAD* table = binfo->bmiColors;
    if (colour) {
        const uint32_t masks[3] = {blue_mask, green_mask, red_mask};
        std::memcpy(table, masks, sizeof(masks));
        return;
    }
    for (unsigned i = 0; i < colour_table_size; ++i) {
        const BYTE grey = BYTE(255 - i);
        table[i] = RGBQUAD{grey, grey, grey, 0};
    }
}

// True when GDI, reading the top w x h block of source through header,
// reads exactly the source's rows and stays inside its buffer.
bool describes_pixels(const BITMAPINFO* header, const Cimage_core& source, unsigned h)
{
    if (header == nullptr || source.get_bp() == nullptr)
        return false;
    // Deeper components have no bitmap header: do not even read it.
    if (source.get_component_size() != 1 || source.get_component_depth() > component_bits)
        return false;
    const BITMAPINFOHEADER& info = header->bmiHeader;
    if (info.biBitCount != component_bits * source.get_no_components())
        return false;
    if (info.biWidth <= 0 || unsigned(info.biWidth) != source.get_width())
        return false;
    const uint64_t stride = dib_stride(info.biBitCount, unsigned(info.biWidth));
    const uint64_t rows = info.biHeight < 0 ? 0 - int64_t(info.biHeight) : info.biHeight;
    return stride == source.get_rowbytes() && rows >= h &&
           stride * h <= source.get_bsize();
}

} // namespace

Cos_image::Cos_image(const Cos_image& other) : Cimage_drawable(other)
{
    binfo = nullptr;
    hdc = nullptr;
    hbitmap = nullptr;
    bp = nullptr;
    copy_pixels_of(other);
}

Cos_image& Cos_image::operator=(const Cos_image& other)
{
    if (this == &other)
        return *this;
    close_image();
    Cimage_drawable::operator=(other);
    binfo = nullptr;
    hdc = nullptr;
    hbitmap = nullptr;
    bp = nullptr;
    copy_pixels_of(other);
    return *this;
}

// A bitmap of the same kind and size, then the pixels; when it cannot be
// made the copy stays empty.
void Cos_image::copy_pixels_of(const Cos_image& other)
{
    if (other.hbitmap == nullptr)
        return;
    if (create_image(other.image_type, int(other.get_width()), int(other.get_height())) != 1) {
        close_image();
        return;
    }
    GdiFlush();
    std::memcpy(bp, other.bp, std::min(size, other.size));
}

Cos_image::~Cos_image()
{
    Cos_image::close_image();
}

void Cos_image::close_image()
{
    if (hdc != nullptr) {
        DeleteDC(hdc);
        hdc = nullptr;
    }
    if (hbitmap != nullptr) {
        DeleteObject(hbitmap);
        hbitmap = nullptr;
    }
    if (binfo != nullptr) {
        std::free(binfo);
        binfo = nullptr;
    }
    bp = nullptr;
    bsize = 0;
    size = 0;
}

void Cos_image::clear_image()
{
    if (hbitmap == nullptr)
        return;
    SaveDC(hdc);
    SelectObject(hdc, GetStockObject(WHITE_BRUSH));
    SelectObject(hdc, GetStockObject(WHITE_PEN));
    Rectangle(hdc, image_rect.left, image_rect.top, image_rect.right, image_rect.bottom);
    RestoreDC(hdc, -1);
}

int Cos_image::create_image(unsigned type, int width, int height)
{
    // An image created again without being closed would otherwise lose
    // its bitmap, context and header for good.
    if (hdc != nullptr || hbitmap != nullptr || binfo != nullptr)
        Cos_image::close_image();
    image_type = type;
    binfo = nullptr;
    hdc = nullptr;
    hbitmap = nullptr;
    SetRect(&image_rect, 0, 0, width, height);
    component_size = 1;
    const bool colour = type == colour_type;
    format = colour ? colour_format : mono_format;
    component_depth = component_bits;
    no_components = colour ? colour_components : 1;
    component_order = colour ? 1 : 0;
    const unsigned bits = colour ? colour_bits : mono_bits;
    pixel_size = no_components;
    // Sizes are 32-bit fields: refuse a layout they cannot hold rather
    // than record a wrapped size.
    const uint64_t row = width > 0 ? dib_stride(bits, unsigned(width)) : 0;
    const uint64_t total = row * uint64_t(height > 0 ? height : 0);
    rowbytes = unsigned(row);
    size = bsize = unsigned(total);
    if (width <= 0 || height <= 0 || total > UINT32_MAX) {
        kmx_log::write(KMX_LOG_DRAWING, KMX_LOG_WARN,
                       "Cos_image::create_image: no DIB section of %d x %d pixels", width, height);
        return 0;
    }

    binfo = static_cast<BITMAPINFO*>(std::malloc(KMX_BITMAP_BLOCK_BYTES));
    if (binfo == nullptr) {
        kmx_log::write(KMX_LOG_DRAWING, KMX_LOG_ERROR,
                       "Cos_image::create_image: no memory for the bitmap header");
        return 0;
    }
    fill_header(binfo, width, height, bits, size, colour);
    fill_colour_table(binfo, colour);

    HDC screen = GetDC(nullptr);
    hdc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    void* pixels = nullptr;
    hbitmap = CreateDIBSection(hdc, binfo, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (hbitmap == nullptr) {
        kmx_log::write(KMX_LOG_DRAWING, KMX_LOG_WARN,
                       "Cos_image::create_image: GDI made no DIB section of %d x %d pixels", width,
                       height);
        std::free(binfo);
        binfo = nullptr;
        if (hdc != nullptr)
            DeleteDC(hdc);
        hdc = nullptr;
        bp = nullptr;
        return 0;
    }
    bp = static_cast<unsigned char*>(pixels);
    SelectObject(hdc, hbitmap);
    GdiFlush();
    clear_image();
    return 1;
}

void Cos_image::draw_image(Cfw_image* frame)
{
    if (frame == nullptr)
        return;
    const unsigned w = std::min(get_width(), frame->get_width());
    const unsigned h = std::min(get_height(), frame->get_height());
    BITMAPINFO* header = frame->get_binfo();
    if (!describes_pixels(header, *frame, h)) {
        kmx_log::write(KMX_LOG_DRAWING, KMX_LOG_DEBUG,
                       "Cos_image::draw_image: the frame's header does not describe its pixels "
                       "as GDI reads them; nothing drawn");
        return;
    }
    const RECT block = {0, 0, LONG(w), LONG(h)};
    draw_bitmap(header, static_cast<char*>(frame->get_bp()), block, block);
}

void Cos_image::draw_image(Cimage_drawable* image)
{
    if (image == nullptr)
        return;
    const unsigned w = std::min(get_width(), image->get_width());
    const unsigned h = std::min(get_height(), image->get_height());
    BITMAPINFO* header = image->get_binfo();
    if (!describes_pixels(header, *image, h)) {
        kmx_log::write(KMX_LOG_DRAWING, KMX_LOG_DEBUG,
                       "Cos_image::draw_image: the image's header does not describe its pixels "
                       "as GDI reads them; nothing drawn");
        return;
    }
    const RECT block = {0, 0, LONG(w), LONG(h)};
    draw_bitmap(header, static_cast<char*>(image->get_bp()), block, block);
}
