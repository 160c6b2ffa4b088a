// SPDX-License-Identifier: Apache-2.0
/**
 * @class Cframe_info
 * @brief An array of kmx_frame_t records bound to images.
 *
 * Owns the record array (operator new); never owns the images or their
 * buffers. Binding a record to an image copies the image's bp and its
 * capacity bsize (not its current size) and zeroes the eight words that
 * belong to the camera library. The image is read at that moment only: a
 * reshape within capacity keeps the record valid, re-creating or closing
 * the image does not.
 *
 * Results: 0 success, 1 failure. Every create releases the old array
 * first, so records obtained earlier become invalid. An array whose byte
 * size would not fit in 32 bits, or an image array that is null while
 * records are asked for, fails with 1 and leaves the list empty (no array
 * is allocated short). An array that cannot be allocated fails with 1 and
 * leaves the list empty too: no exception leaves a create.
 *
 * Copies duplicate the record array; the copied records point at the same
 * images, which the list never owned. Assignment releases the target's
 * array and is safe on itself. Moves hand the array over.
 */
#ifndef KMX_BUFFERS_FRAME_INFO_H
#define KMX_BUFFERS_FRAME_INFO_H

#include <kmxcore/camera/kmxlib.h>
#include <kmxcore/image/fw_image.h>
#include <kmxcore/kmx_export.h>

class KMX_CORE_API Cframe_info {
public:
    Cframe_info() = default;
    /// A duplicate of the record array, pointing at the same images.
    Cframe_info(const Cframe_info& other);
    /// Takes the other list's array; the other list is left empty.
    Cframe_info(Cframe_info&& other) noexcept;
    /// Releases this list's array, then copies as the copy constructor.
    Cframe_info& operator=(const Cframe_info& other);
    /// Releases this list's array, then takes the other's.
    Cframe_info& operator=(Cframe_info&& other) noexcept;
    /// Frees the array.
    virtual ~Cframe_info();

    /// @brief count records, record i bound to images[i] (borrowed).
    /// @return 0 made; 1 for a null image array, a size beyond 32 bits or no
    ///         memory
    virtual int create(Cfw_image* images, unsigned count);
    /// @brief One record bound to image (borrowed).
    /// @return 0 made; 1 when the record cannot be allocated
    virtual int create(Cfw_image& image);
    /// @brief One record bound to image (borrowed).
    /// @return 0 made; 1 when the record cannot be allocated
    virtual int create(Cimage& image);
    /// @brief count records, every word 0; create(0) holds an array of no
    /// records.
    /// @return 0 made; 1 for a size beyond 32 bits or no memory
    virtual int create(unsigned count);
    /// @brief Frees the array.
    /// @return 0, always
    virtual int release();
    /// @brief Binds record index to image (borrowed).
    /// @return 0 bound; 1, with nothing changed, when index >= no_frames
    virtual int set(Cfw_image& image, unsigned index);
    /// @brief Binds record 0 to image (borrowed).
    /// @return 0 bound; 1 when the list has no record
    virtual int set(Cfw_image& image);
    /// @brief Binds record index to image (borrowed).
    /// @return 0 bound; 1, with nothing changed, when index >= no_frames
    virtual int set(Cimage& image, unsigned index);
    /// @brief Binds record 0 to image (borrowed).
    /// @return 0 bound; 1 when the list has no record
    virtual int set(Cimage& image);
    /// @return the number of records
    virtual unsigned get_no_frames() const;
    /// @return record index (owned by the list), or null when
    ///         index >= no_frames
    virtual kmx_frame_t* get_frame_info(unsigned index);
    /// @return record 0 (owned by the list), or null when there is none
    virtual kmx_frame_t* get_frame_info();
    /// @return the whole array (owned by the list), or null when there is
    ///         none
    virtual kmx_frame_t* get_frame_list();

protected:
    kmx_frame_t* frame_list = nullptr;  ///< the records; owned
    unsigned no_frames = 0;             ///< records in frame_list
};

#endif
