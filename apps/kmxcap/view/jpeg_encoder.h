// SPDX-License-Identifier: Apache-2.0
// Cjpeg_encoder: one libjpeg-turbo compressor and the output buffer it
// keeps between pictures, so that a stream of pictures of one size
// allocates nothing after the first.
#ifndef KMXCAP_JPEG_ENCODER_H
#define KMXCAP_JPEG_ENCODER_H

#include <string>
#include <vector>

namespace kmxcap {

enum class Ejpeg_pixels { grey, rgb, bgr };

// Quality of the live pictures: sharp enough to judge focus, small
// enough for several viewers at the camera's rate.
constexpr int view_jpeg_quality = 85;

class Cjpeg_encoder {
public:
    Cjpeg_encoder();
    ~Cjpeg_encoder();
    Cjpeg_encoder(const Cjpeg_encoder&) = delete;
    Cjpeg_encoder& operator=(const Cjpeg_encoder&) = delete;

    // Compresses width x height pixels whose rows start `pitch` bytes
    // apart into `out` (replacing what it held). Colour is subsampled 2:1
    // both ways, as cameras' own JPEGs are. False, with libjpeg-turbo's
    // reason, when it fails.
    bool encode(const unsigned char* pixels, unsigned width, unsigned height, unsigned pitch,
                Ejpeg_pixels kind, int quality, std::vector<unsigned char>& out,
                std::string& why);

private:
    void* handle = nullptr;              // tjhandle
    unsigned char* buffer = nullptr;     // kept for the next picture; tjFree()
    unsigned long buffer_size = 0;
};

} // namespace kmxcap

#endif
