// SPDX-License-Identifier: Apache-2.0
// Cframe_info: an array of kmx_frame_t records bound to images.
//
// Owns the record array (operator new); never owns the images or their
// buffers. Binding a record to an image copies the image's bp and its
// capacity bsize (not its current size) and zeroes the eight words that
// belong to the camera library. The image is read at that moment only: a
// reshape within capacity keeps the record valid, re-creating or closing
// the image does not.
//
// Results: 0 success, 1 failure. Every create releases the old array
// first, so records obtained earlier become invalid. An array whose byte
// size would not fit in 32 bits, or an image array that is null while
// records are asked for, fails with 1 and leaves the list empty (no array
// is allocated short). An array that cannot be allocated fails with 1 and
// leaves the list empty too: no exception leaves a create.
//
// Copies duplicate the record array; the copied records point at the same
// images, which the list never owned. Assignment releases the target's
// array and is safe on itself. Moves hand the array over.
#ifndef KMX_BUFFERS_FRAME_INFO_H
#define KMX_BUFFERS_FRAME_INFO_H

#include <kmxcore/camera/kmxlib.h>
#include <kmxcore/image/fw_image.h>
#include <kmxcore/kmx_export.h>

class KMX_CORE_API Cframe_info {
public:
    Cframe_info() = default;
    Cframe_info(const Cframe_info& other);
    Cframe_info(Cframe_info&& other) noexcept;
    Cframe_info& operator=(const Cframe_info& other);
    Cframe_info& operator=(Cframe_info&& other) noexcept;
    // Frees the array.
    virtual ~Cframe_info();

    // count records, record i bound to images[i].
    virtual int create(Cfw_image* images, unsigned count);
    // One record bound to image.
    virtual int create(Cfw_image& image);
    virtual int create(Cimage& image);
    // count records, every word 0. create(0) holds an array of no records.
    virtual int create(unsigned count);
    // Frees the array; always 0.
    virtual int release();
    // Binds record index to image; 1 (nothing changed) when index >= no_frames.
    virtual int set(Cfw_image& image, unsigned index);
    virtual int set(Cfw_image& image);
    virtual int set(Cimage& image, unsigned index);
    virtual int set(Cimage& image);
    virtual unsigned get_no_frames() const;
    // Record index, or null when index >= no_frames.
    virtual kmx_frame_t* get_frame_info(unsigned index);
    virtual kmx_frame_t* get_frame_info();
    // The whole array (null when there is none).
    virtual kmx_frame_t* get_frame_list();

protected:
    kmx_frame_t* frame_list = nullptr;
    unsigned no_frames = 0;
};

#endif
