// SPDX-License-Identifier: Apache-2.0
// PNG and TIFF writers and the temporary-then-rename file.
#include "writers.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include "png_writer.h"

namespace kmxcap {

namespace {

Cstatus write_failure(const std::string& path, const std::string& why)
{
    return Cstatus(exit_write_failed, "cannot write '" + path + "': " + why);
}

bool ends_with_ci(const std::string& path, const std::string& ext)
{
    if (path.size() <= ext.size())
        return false;
    for (size_t i = 0; i < ext.size(); ++i) {
        char c = path[path.size() - ext.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != ext[i])
            return false;
    }
    return true;
}

// One row of the picture in file order: bytes for 8-bit samples,
// big-endian words for 16-bit PNG.
void pack_png_row(const Cpicture& picture, unsigned y, unsigned char* row)
{
    const size_t values = static_cast<size_t>(picture.width) * picture.channels;
    const uint16_t* source = &picture.samples[y * values];
    if (picture.file_bits() == 8) {
        for (size_t i = 0; i < values; ++i)
            row[i] = static_cast<unsigned char>(source[i]);
        return;
    }
    for (size_t i = 0; i < values; ++i) {
        row[2 * i] = static_cast<unsigned char>(source[i] >> 8);
        row[2 * i + 1] = static_cast<unsigned char>(source[i] & 0xFF);
    }
}

Cstatus write_png(const Cpicture& picture, const std::string& path, bool fast)
{
    kmx_apps::Cpng_layout layout;
    layout.width = picture.width;
    layout.height = picture.height;
    layout.channels = picture.channels;
    layout.bits = picture.file_bits();
    layout.significant_bits = picture.significant_bits;
    layout.fast = fast;
    const std::string failure = kmx_apps::write_png(
        path, layout, [&picture](unsigned y, unsigned char* row) { pack_png_row(picture, y, row); });
    if (!failure.empty())
        return write_failure(path, failure);
    return Cstatus::ok();
}

void quiet_tiff_message(const char*, const char*, va_list) {}

Cstatus write_tiff(const Cpicture& picture, const std::string& path)
{
    TIFFSetErrorHandler(quiet_tiff_message);
    TIFFSetWarningHandler(quiet_tiff_message);
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr)
        return write_failure(path, "libtiff could not create it");
    const unsigned bits = picture.file_bits();
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, picture.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, picture.height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, picture.channels);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
                 picture.channels == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    TIFFSetField(tiff, TIFFTAG_MAXSAMPLEVALUE, static_cast<uint16_t>(picture.max_value()));

    const size_t values = static_cast<size_t>(picture.width) * picture.channels;
    std::vector<unsigned char> row(values * (bits / 8));
    bool ok = true;
    for (unsigned y = 0; y < picture.height && ok; ++y) {
        const uint16_t* source = &picture.samples[y * values];
        if (bits == 8) {
            for (size_t i = 0; i < values; ++i)
                row[i] = static_cast<unsigned char>(source[i]);
        } else {
            // libtiff writes 16-bit samples in the machine's order and
            // records that order in the header.
            std::memcpy(row.data(), source, values * sizeof(uint16_t));
        }
        ok = TIFFWriteScanline(tiff, row.data(), y, 0) == 1;
    }
    ok = ok && TIFFFlush(tiff) == 1;
    TIFFClose(tiff);
    if (!ok)
        return write_failure(path, "libtiff failed (disk full?)");
    return Cstatus::ok();
}

std::string directory_of(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string base_name_of(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool file_kind_of(const std::string& path, Efile_kind& kind)
{
    if (ends_with_ci(path, ".png")) {
        kind = Efile_kind::png;
        return true;
    }
    if (ends_with_ci(path, ".tif") || ends_with_ci(path, ".tiff")) {
        kind = Efile_kind::tiff;
        return true;
    }
    return false;
}

Cstatus write_picture(const Cpicture& picture, const std::string& path, Efile_kind kind,
                      bool fast)
{
    const size_t expected = static_cast<size_t>(picture.width) * picture.height * picture.channels;
    if (picture.width == 0 || picture.height == 0 || picture.samples.size() != expected ||
        (picture.channels != 1 && picture.channels != 3))
        return write_failure(path, "no image to write");
    if (kind == Efile_kind::png)
        return write_png(picture, path, fast);
    return write_tiff(picture, path);
}

Cpending_file::Cpending_file(std::string final_path) : target(std::move(final_path)) {}

Cpending_file::~Cpending_file()
{
    if (!committed)
        discard();
}

Cpending_file::Cpending_file(Cpending_file&& other) noexcept
    : target(std::move(other.target)), temp(std::move(other.temp)), committed(other.committed)
{
    other.temp.clear();
    other.committed = true;
}

Cstatus Cpending_file::open()
{
    std::string name = directory_of(target);
    if (name.back() != '/')
        name += '/';
    // The dot keeps the temporary out of plain listings and globs of the
    // final names.
    name += "." + base_name_of(target) + ".kmxcap-XXXXXX";
    std::vector<char> pattern(name.begin(), name.end());
    pattern.push_back('\0');
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return write_failure(target, std::strerror(errno));
    // mkstemp makes the file private; the finished image gets the usual
    // permissions of a new file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    temp = pattern.data();
    return Cstatus::ok();
}

Cstatus Cpending_file::commit()
{
    if (temp.empty())
        return write_failure(target, "nothing was written");
    if (std::rename(temp.c_str(), target.c_str()) != 0)
        return write_failure(target, std::strerror(errno));
    committed = true;
    temp.clear();
    return Cstatus::ok();
}

void Cpending_file::discard()
{
    if (!temp.empty())
        std::remove(temp.c_str());
    temp.clear();
}

Cstatus write_pending(const Cpicture& picture, Cpending_file& file, bool fast)
{
    Efile_kind kind;
    if (!file_kind_of(file.final_path(), kind))
        return write_failure(file.final_path(), "unknown file type");
    Cstatus status = file.open();
    if (!status.is_ok())
        return status;
    return write_picture(picture, file.temp_path(), kind, fast);
}

} // namespace kmxcap
