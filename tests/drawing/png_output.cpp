// SPDX-License-Identifier: Apache-2.0
// PNG pictures of drawn images, written into the build tree for people to
// look at, with the tools' PNG writer. Without libpng (the Windows build)
// nothing is written.
#include "drawing_support.h"

#if defined(KMX_APPS_HAVE_PNG)
#include "png_writer.h"
#endif

namespace kmx_test {

#if defined(KMX_APPS_HAVE_PNG)
namespace {

// One RGB row of the image, through its colour table when it has one.
void rgb_row(const Cos_image& image, unsigned y, unsigned char* out)
{
    const auto* row = static_cast<const uint8_t*>(image.get_bp()) + size_t(y) * image.get_rowbytes();
    const RGBQUAD* table = image.get_binfo()->bmiColors;
    for (unsigned x = 0; x < image.get_width(); ++x, out += 3) {
        if (image.get_no_components() == 1) {
            const RGBQUAD& c = table[row[x]];
            out[0] = c.rgbRed;
            out[1] = c.rgbGreen;
            out[2] = c.rgbBlue;
        } else {
            const uint8_t* p = row + x * 3;
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
        }
    }
}

} // namespace

bool write_png(const Cos_image& image, const std::string& name)
{
    if (image.get_bp() == nullptr || image.get_binfo() == nullptr)
        return false;
    kmx_apps::Cpng_layout layout;
    layout.width = image.get_width();
    layout.height = image.get_height();
    layout.channels = 3;
    const std::string path = std::string(KMX_DRAWING_OUTPUT_DIR) + "/" + name;
    return kmx_apps::write_png(path, layout, [&image](unsigned y, unsigned char* row) {
               rgb_row(image, y, row);
           }).empty();
}
#else
bool write_png(const Cos_image&, const std::string&)
{
    return false;
}
#endif

} // namespace kmx_test
