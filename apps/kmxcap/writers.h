// SPDX-License-Identifier: Apache-2.0
// Image files that carry their provenance: PNG through libpng, TIFF and
// DNG through libtiff, and a JSON sidecar, all from one record of where
// the picture came from. Files are written to a temporary name next to
// their destination and renamed into place only when the run has
// succeeded, so an abort or a failure never leaves a half-written file
// under the name the user asked for.
//
// Use: fill a Cprovenance once per picture (capture_provenance() reads
// what it can from the open camera and its settings), then
//
//     Cpending_file file(path);                      // or "-": standard output
//     write_pending(picture, provenance, file, kind, false);
//     ...
//     file.commit();
//
// or encode_picture() for the bytes of the file in memory.
#ifndef KMXCAP_WRITERS_H
#define KMXCAP_WRITERS_H

#include <string>
#include <vector>

#include "picture.h"
#include "status.h"

class Cdevice;
class Ccam_settings;

namespace kmxcap {

/// Where a picture came from and how it was taken. The facts of the
/// samples themselves (size, depth, inversion, mosaic) belong to the
/// Cpicture; together they are what every writer records.
struct Cprovenance {
    std::string software;        ///< "kmxcap 0.2.0"
    std::string created;         ///< ISO-8601 local time with its UTC offset
    std::string acquisition;     ///< "snap", "raw snap", "average", "deep-average", "stream", ...
    std::string camera_vendor;
    std::string camera_model;
    unsigned camera_serial = 0;
    unsigned exposure_us = 0;
    unsigned exposure_index = 0;
    unsigned gain_index = 0;
    double gain = 0.0;           ///< the camera library's gain factor for gain_index
    unsigned black_level_index = 0;
    double black_level = 0.0;    ///< the camera library's black level, in 8-bit units
    bool colour = false;         ///< a colour camera: the white balance below applies
    unsigned red_gain = 0;       ///< white-balance gain indexes
    unsigned green_gain = 0;
    unsigned blue_gain = 0;
    unsigned frames_averaged = 1;
    bool clamped_sum = false;    ///< frames added and clamped instead of averaged
    unsigned frame_number = 0;   ///< place in a stream, from 1; 0 outside streams
    std::string readout;         ///< "normal", "binned" or "preview"
    bool test_pattern = false;   ///< the camera's test pattern, not the scene
    double pixel_pitch_um = 0.0; ///< 0: unknown (no physical size is written)
};

/// The record of a picture about to be taken with `settings` on the
/// camera of `device`: software, the time now, the camera's identity, its
/// exposure, gain, black level, white balance, readout and test mode. The
/// caller adds what only it knows (acquisition, frames, frame number).
Cprovenance capture_provenance(const Cdevice& device, const Ccam_settings& settings);

/// The time now as ISO-8601 local time with milliseconds and the UTC
/// offset: "2024-05-01T14:03:07.123+02:00".
std::string iso8601_now();

/// The file formats. A raw colour frame (a mosaic) is always written as
/// DNG when TIFF is asked for: DNG is TIFF with the tags raw developers
/// need.
enum class Efile_kind { png, tiff, dng };

/// The kind named by the path's extension (.png, .tif, .tiff, .dng, any
/// case).
bool file_kind_of(const std::string& path, Efile_kind& kind);
/// The extension of a kind, with its dot: ".png", ".tif", ".dng".
const char* file_extension(Efile_kind kind);

/// The file of `picture` in memory. 8-bit samples up to 8 significant
/// bits, else 16-bit. PNG: tEXt (iTXt for non-ASCII text) with every
/// fact, sBIT, pHYs when the pixel pitch is known. TIFF: Make, Model,
/// Software, DateTime, ImageDescription with every fact, SampleFormat,
/// BitsPerSample, MaxSampleValue, and MinIsWhite for inverted grey. DNG
/// (mosaics only, asked for or as TIFF): the TIFF tags plus DNGVersion,
/// UniqueCameraModel, the CFA pattern, BlackLevel, WhiteLevel,
/// ColorMatrix1 and AsShotNeutral. fast: the quickest PNG compression.
Cstatus encode_picture(const Cpicture& picture, const Cprovenance& provenance,
                       Efile_kind kind, bool fast, std::vector<unsigned char>& bytes);

/// encode_picture() into the file at `path` (no temporary name).
Cstatus write_picture(const Cpicture& picture, const Cprovenance& provenance,
                      const std::string& path, Efile_kind kind, bool fast);

/// The same facts as one JSON object, with the picture's file name, size,
/// channels and depth: what --sidecar writes next to the picture.
std::string sidecar_json(const Cpicture& picture, const Cprovenance& provenance,
                         const std::string& file_name);

/// The sidecar's path for a picture's path: "dir/frame.png.json".
std::string sidecar_path(const std::string& picture_path);

/// A file that appears under its final name only on commit(). Until then
/// it lives under a unique temporary name next to it; the destructor
/// removes the temporary file if it was never committed. The final name
/// "-" is standard output: the temporary file then lives in $TMPDIR (or
/// /tmp) and commit() copies it to standard output.
class Cpending_file {
public:
    explicit Cpending_file(std::string final_path);
    ~Cpending_file();
    Cpending_file(const Cpending_file&) = delete;
    Cpending_file& operator=(const Cpending_file&) = delete;
    Cpending_file(Cpending_file&& other) noexcept;
    Cpending_file& operator=(Cpending_file&&) = delete;

    /// Reserves the temporary name (creates the empty file).
    Cstatus open();
    const std::string& temp_path() const { return temp; }
    const std::string& final_path() const { return target; }
    bool to_standard_output() const { return target == "-"; }
    /// Renames the temporary file to the final name (or copies it to
    /// standard output and removes it).
    Cstatus commit();
    /// Removes the temporary file now.
    void discard();

private:
    std::string target;
    std::string temp;
    bool committed = false;
};

/// Writes the picture under a pending name, in the given kind.
Cstatus write_pending(const Cpicture& picture, const Cprovenance& provenance,
                      Cpending_file& file, Efile_kind kind, bool fast);

/// Writes text (a sidecar) under a pending name.
Cstatus write_pending_text(const std::string& text, Cpending_file& file);

} // namespace kmxcap

#endif
