// SPDX-License-Identifier: Apache-2.0
// TIFF and DNG writing. libtiff writes through client functions into a
// byte vector, so the same code serves files, standard output and
// callers that want the bytes.
#include "tiff_files.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>

#include <tiffio.h>

#include "provenance_facts.h"

namespace kmxcap {

namespace {

// --- the byte vector as a libtiff file --------------------------------------

struct Cmemory_file {
    std::vector<unsigned char>& bytes;
    size_t position = 0;
};

tmsize_t memory_read(thandle_t handle, void* data, tmsize_t size)
{
    auto* file = static_cast<Cmemory_file*>(handle);
    if (size < 0 || file->position >= file->bytes.size())
        return 0;
    const size_t count = std::min(static_cast<size_t>(size), file->bytes.size() - file->position);
    std::memcpy(data, file->bytes.data() + file->position, count);
    file->position += count;
    return static_cast<tmsize_t>(count);
}

// No exception may cross libtiff's C frames: a failed allocation is a
// short write, which libtiff reports as a failure.
tmsize_t memory_write(thandle_t handle, void* data, tmsize_t size)
{
    auto* file = static_cast<Cmemory_file*>(handle);
    if (size < 0)
        return -1;
    const size_t count = static_cast<size_t>(size);
    try {
        if (file->position + count > file->bytes.size())
            file->bytes.resize(file->position + count);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    std::memcpy(file->bytes.data() + file->position, data, count);
    file->position += count;
    return size;
}

toff_t memory_seek(thandle_t handle, toff_t offset, int whence)
{
    auto* file = static_cast<Cmemory_file*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = file->position;
    else if (whence == SEEK_END)
        base = file->bytes.size();
    file->position = static_cast<size_t>(base + offset);
    return file->position;
}

int memory_close(thandle_t) { return 0; }

toff_t memory_size(thandle_t handle) { return static_cast<Cmemory_file*>(handle)->bytes.size(); }

int no_map(thandle_t, void**, toff_t*) { return 0; }
void no_unmap(thandle_t, void*, toff_t) {}

void quiet_tiff_message(const char*, const char*, va_list) {}

struct Ctiff_closer {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using Ctiff_handle = std::unique_ptr<TIFF, Ctiff_closer>;

// --- tags --------------------------------------------------------------------

// The colours of a 2 x 2 cell in DNG's numbering (0 red, 1 green, 2 blue).
void cfa_colours(Ecfa pattern, uint8_t colours[4])
{
    static const uint8_t rggb[4] = {0, 1, 1, 2}, grbg[4] = {1, 0, 2, 1},
                         gbrg[4] = {1, 2, 0, 1}, bggr[4] = {2, 1, 1, 0};
    const uint8_t* chosen = pattern == Ecfa::grbg   ? grbg
                            : pattern == Ecfa::gbrg ? gbrg
                            : pattern == Ecfa::bggr ? bggr
                                                    : rggb;
    std::memcpy(colours, chosen, 4);
}

// XYZ (D65) to linear sRGB. The camera library says nothing about its
// sensor's primaries, so its colours are taken to be sRGB's: what the
// white balance of its own colour formats aims at.
constexpr float xyz_to_camera[9] = {3.2404542f, -1.5371385f, -0.4985314f,
                                    -0.9692660f, 1.8760108f, 0.0415560f,
                                    0.0556434f,  -0.2040259f, 1.0572252f};
constexpr uint16_t illuminant_d65 = 21;
// The camera balances its raw output with its white-balance gains, so a
// neutral grey already has equal red, green and blue.
constexpr float balanced_neutral[3] = {1.0f, 1.0f, 1.0f};

void set_common_tags(TIFF* tiff, const Cpicture& picture, const Cprovenance& provenance,
                     const std::string& description)
{
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, picture.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, picture.height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, picture.channels);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, picture.file_bits());
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    TIFFSetField(tiff, TIFFTAG_MAXSAMPLEVALUE, static_cast<uint16_t>(picture.max_value()));
    if (!provenance.camera_vendor.empty())
        TIFFSetField(tiff, TIFFTAG_MAKE, provenance.camera_vendor.c_str());
    if (!provenance.camera_model.empty())
        TIFFSetField(tiff, TIFFTAG_MODEL, provenance.camera_model.c_str());
    if (!provenance.software.empty())
        TIFFSetField(tiff, TIFFTAG_SOFTWARE, provenance.software.c_str());
    const std::string date_time = tiff_date_time(provenance.created);
    if (!date_time.empty())
        TIFFSetField(tiff, TIFFTAG_DATETIME, date_time.c_str());
    TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, description.c_str());
    // TIFF wants a resolution; without a known pixel pitch it says only
    // that the pixels are square (no unit).
    constexpr double um_per_cm = 10000.0;
    const bool known = provenance.pixel_pitch_um > 0.0;
    const auto per_unit = known ? static_cast<float>(um_per_cm / provenance.pixel_pitch_um) : 1.0f;
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, per_unit);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, per_unit);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, known ? RESUNIT_CENTIMETER : RESUNIT_NONE);
}

void set_dng_tags(TIFF* tiff, const Cpicture& picture, const Cprovenance& provenance)
{
    static const uint8_t dng_version[4] = {1, 4, 0, 0};
    static const uint8_t dng_backward_version[4] = {1, 1, 0, 0};
    static const uint16_t cell[2] = {2, 2};
    static const uint8_t plane_colours[3] = {0, 1, 2};
    static const uint16_t one_black_level[2] = {1, 1};
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CFA);
    TIFFSetField(tiff, TIFFTAG_DNGVERSION, dng_version);
    TIFFSetField(tiff, TIFFTAG_DNGBACKWARDVERSION, dng_backward_version);
    const std::string model = provenance.camera_vendor + " " + provenance.camera_model;
    TIFFSetField(tiff, TIFFTAG_UNIQUECAMERAMODEL, model.c_str());
    uint8_t colours[4];
    cfa_colours(picture.mosaic, colours);
    TIFFSetField(tiff, TIFFTAG_CFAREPEATPATTERNDIM, cell);
    TIFFSetField(tiff, TIFFTAG_CFAPATTERN, 4, colours);
    TIFFSetField(tiff, TIFFTAG_CFAPLANECOLOR, 3, plane_colours);
    TIFFSetField(tiff, TIFFTAG_CFALAYOUT, 1);
    // The camera's black level is in 8-bit units; the samples have
    // significant_bits.
    const float black = static_cast<float>(
        provenance.black_level * static_cast<double>(1u << (picture.significant_bits - 8)));
    const uint32_t white = picture.max_value();
    TIFFSetField(tiff, TIFFTAG_BLACKLEVELREPEATDIM, one_black_level);
    TIFFSetField(tiff, TIFFTAG_BLACKLEVEL, 1, &black);
    TIFFSetField(tiff, TIFFTAG_WHITELEVEL, 1, &white);
    TIFFSetField(tiff, TIFFTAG_COLORMATRIX1, 9, xyz_to_camera);
    TIFFSetField(tiff, TIFFTAG_CALIBRATIONILLUMINANT1, illuminant_d65);
    TIFFSetField(tiff, TIFFTAG_ASSHOTNEUTRAL, 3, balanced_neutral);
}

// The exposure time in an EXIF directory, where raw developers and photo
// tools look for it. The main directory is written first with a
// placeholder link, then the EXIF directory, then the main directory is
// read back and rewritten with the link.
bool write_with_exif(TIFF* tiff, const Cprovenance& provenance)
{
    constexpr double us_per_second = 1e6;
    uint64_t exif_offset = 0;
    if (TIFFSetField(tiff, TIFFTAG_EXIFIFD, exif_offset) != 1 || TIFFWriteDirectory(tiff) != 1 ||
        TIFFCreateEXIFDirectory(tiff) != 0)
        return false;
    static const char exif_version[4] = {'0', '2', '3', '2'};
    static const char flashpix_version[4] = {'0', '1', '0', '0'};
    constexpr uint16_t colour_space_srgb = 1;
    TIFFSetField(tiff, EXIFTAG_EXIFVERSION, exif_version);
    TIFFSetField(tiff, EXIFTAG_FLASHPIXVERSION, flashpix_version);
    TIFFSetField(tiff, EXIFTAG_COLORSPACE, colour_space_srgb);
    TIFFSetField(tiff, EXIFTAG_EXPOSURETIME, provenance.exposure_us / us_per_second);
    return TIFFWriteCustomDirectory(tiff, &exif_offset) == 1 && TIFFSetDirectory(tiff, 0) == 1 &&
           TIFFSetField(tiff, TIFFTAG_EXIFIFD, exif_offset) == 1 &&
           TIFFRewriteDirectory(tiff) == 1;
}

// One row in file order: bytes for 8-bit samples, 16-bit words in the
// machine's order (libtiff records that order in the header).
void pack_row(const Cpicture& picture, unsigned y, unsigned char* row)
{
    const size_t values = static_cast<size_t>(picture.width) * picture.channels;
    const uint16_t* source = &picture.samples[y * values];
    if (picture.file_bits() == 8) {
        for (size_t i = 0; i < values; ++i)
            row[i] = static_cast<unsigned char>(source[i]);
        return;
    }
    std::memcpy(row, source, values * sizeof(uint16_t));
}

} // namespace

std::string encode_tiff(const Cpicture& picture, const Cprovenance& provenance, bool dng,
                        std::vector<unsigned char>& bytes)
{
    bytes.clear();
    if (dng && picture.mosaic == Ecfa::none)
        return "a DNG holds a raw colour frame (a mosaic), and this picture is none";
    if (dng && picture.inverted) {
        // A DNG cannot say that its values are inverted: it gets them as
        // the sensor saw them.
        Cpicture sensor_values = picture;
        invert_grey(sensor_values);
        return encode_tiff(sensor_values, provenance, dng, bytes);
    }
    TIFFSetErrorHandler(quiet_tiff_message);
    TIFFSetWarningHandler(quiet_tiff_message);
    Cmemory_file file{bytes};
    Ctiff_handle tiff(TIFFClientOpen("memory", "w", &file, memory_read, memory_write, memory_seek,
                                     memory_close, memory_size, no_map, no_unmap));
    if (!tiff)
        return "libtiff could not start";
    const std::vector<Cfact> facts = provenance_facts(picture, provenance);
    set_common_tags(tiff.get(), picture, provenance, facts_description(facts));
    if (dng) {
        set_dng_tags(tiff.get(), picture, provenance);
    } else {
        // Inverted grey is what MinIsWhite says: readers show it the
        // right way round.
        const bool grey = picture.channels == 1;
        TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC,
                     !grey ? PHOTOMETRIC_RGB
                           : picture.inverted ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
    }
    std::vector<unsigned char> row(static_cast<size_t>(picture.width) * picture.channels *
                                   (picture.file_bits() / 8));
    bool ok = true;
    for (unsigned y = 0; y < picture.height && ok; ++y) {
        pack_row(picture, y, row.data());
        ok = TIFFWriteScanline(tiff.get(), row.data(), y, 0) == 1;
    }
    ok = ok && (provenance.exposure_us != 0 ? write_with_exif(tiff.get(), provenance)
                                            : TIFFWriteDirectory(tiff.get()) == 1);
    tiff.reset();
    if (!ok) {
        bytes.clear();
        return "libtiff failed (out of memory?)";
    }
    return std::string();
}

} // namespace kmxcap
