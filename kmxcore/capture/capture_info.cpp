// SPDX-License-Identifier: Apache-2.0
// get_image_info: the capture's current image described in one record.
#include "kmxcore/capture/capture.h"

#include "kmxcore/image/fw_image.h"
#include "kmxcore/image/image_binfo.h"

namespace {

// The parts of the record that come from the described image itself.
void describe_pixels(Cimage_binfo& binfo, const Cimage& image)
{
    binfo.bp = static_cast<unsigned char*>(image.get_bp());
    binfo.size = image.get_size();
    binfo.info.component_depth = image.get_component_depth();
    binfo.info.component_size = image.get_component_size();
}

} // namespace

void Ccapture::get_image_info(Cimage_binfo* binfo)
{
    if (!binfo)
        return;
    binfo->info.image_mode = image_mode;
    const bool deep = settings.deep_image() && deep_image_ready != 0;

    binfo->buffer_no = buffer_no;
    binfo->current_image = current_image;
    if (deep) {
        binfo->info.deep = 1;
        binfo->deep_image = &deep_image;
        describe_pixels(*binfo, deep_image);
    } else {
        binfo->info.deep = 0;
        binfo->deep_image = nullptr;
        if (current_image) {
            describe_pixels(*binfo, *current_image);
        } else {
            // Before any frame there is no image to read: no pixels, and
            // the description's own default depth and component size.
            const Cimage_info defaults;
            binfo->bp = nullptr;
            binfo->size = 0;
            binfo->info.component_depth = defaults.component_depth;
            binfo->info.component_size = defaults.component_size;
        }
    }

    binfo->info.width = width;
    binfo->info.height = height;
    binfo->info.row_values = row_values;
    binfo->info.averaging = averaging;
    binfo->info.average_opt = average_opt;
    binfo->info.average_frames = average_frames;
}
