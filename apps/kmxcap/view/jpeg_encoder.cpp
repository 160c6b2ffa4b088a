// SPDX-License-Identifier: Apache-2.0
#include "jpeg_encoder.h"

#include <climits>

#include <turbojpeg.h>

namespace kmxcap {

Cjpeg_encoder::Cjpeg_encoder() : handle(tjInitCompress()) {}

Cjpeg_encoder::~Cjpeg_encoder()
{
    if (buffer != nullptr)
        tjFree(buffer);
    if (handle != nullptr)
        tjDestroy(static_cast<tjhandle>(handle));
}

bool Cjpeg_encoder::encode(const unsigned char* pixels, unsigned width, unsigned height,
                           unsigned pitch, Ejpeg_pixels kind, int quality,
                           std::vector<unsigned char>& out, std::string& why)
{
    if (handle == nullptr) {
        why = "libjpeg-turbo could not start";
        return false;
    }
    if (pixels == nullptr || width == 0 || height == 0 || width > INT_MAX || height > INT_MAX ||
        pitch > INT_MAX) {
        why = "no picture to compress";
        return false;
    }
    const bool grey = kind == Ejpeg_pixels::grey;
    const int format = grey ? TJPF_GRAY : kind == Ejpeg_pixels::rgb ? TJPF_RGB : TJPF_BGR;
    const int subsampling = grey ? TJSAMP_GRAY : TJSAMP_420;
    // The largest JPEG of this size, allocated once for a stream of equal
    // pictures; libjpeg-turbo then never reallocates.
    const unsigned long needed =
        tjBufSize(static_cast<int>(width), static_cast<int>(height), subsampling);
    if (needed == static_cast<unsigned long>(-1) || needed > INT_MAX) {
        why = tjGetErrorStr2(static_cast<tjhandle>(handle));
        return false;
    }
    if (needed > buffer_size) {
        tjFree(buffer);
        buffer = tjAlloc(static_cast<int>(needed));
        buffer_size = buffer != nullptr ? needed : 0;
        if (buffer == nullptr) {
            why = "no memory for the JPEG";
            return false;
        }
    }
    unsigned long size = buffer_size;
    if (tjCompress2(static_cast<tjhandle>(handle), pixels, static_cast<int>(width),
                    static_cast<int>(pitch), static_cast<int>(height), format, &buffer, &size,
                    subsampling, quality, TJFLAG_NOREALLOC | TJFLAG_FASTDCT) != 0) {
        why = tjGetErrorStr2(static_cast<tjhandle>(handle));
        return false;
    }
    out.assign(buffer, buffer + size);
    return true;
}

} // namespace kmxcap
