// SPDX-License-Identifier: Apache-2.0
// Copies of delivered frames into caller memory. The simulator's rows of
// deep samples are converted by the kernel chosen for this processor.
#include "kmxlib/support/frame_copy.h"
#include "sim_frames.h"
#include "sim_kernels.h"

namespace kmxsim {

namespace {

bool delivered_view(const kmx_frame_t& r, kmxsupport::Cframe_view& f)
{
    Clayout l;
    if (!delivered_layout(r, l))
        return false;
    const bool mosaic = l.colour && l.format == KMX_FORMAT_RAW;
    f = kmxsupport::frame_view(r, l, mosaic ? kmxsupport::Ebayer::rggb : kmxsupport::Ebayer::none);
    return true;
}

} // namespace

int copy_locked(const kmx_frame_t* record, const RECT* source, unsigned format,
                unsigned char* pixels, RECT rect, unsigned rowbytes)
{
    const kmxsupport::Ccopy_source from{delivered_view, sim_kernels().deep_to_8};
    return kmxsupport::copy_frame(from, record, source, format, pixels, rect, rowbytes);
}

} // namespace kmxsim
