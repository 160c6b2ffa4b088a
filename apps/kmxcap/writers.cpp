// SPDX-License-Identifier: Apache-2.0
// The picture writers: PNG here, TIFF and DNG in tiff_files.cpp; the
// temporary-then-rename file.
#include "writers.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "png_writer.h"
#include "provenance_facts.h"
#include "tiff_files.h"

namespace kmxcap {

namespace {

constexpr const char* standard_output_name = "-";

Cstatus write_failure(const std::string& path, const std::string& why)
{
    const std::string name = path == standard_output_name ? "standard output" : "'" + path + "'";
    return Cstatus(exit_write_failed, "cannot write " + name + ": " + why);
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

std::string encode_png(const Cpicture& picture, const Cprovenance& provenance, bool fast,
                       std::vector<unsigned char>& bytes)
{
    kmx_apps::Cpng_layout layout;
    layout.width = picture.width;
    layout.height = picture.height;
    layout.channels = picture.channels;
    layout.bits = picture.file_bits();
    layout.significant_bits = picture.significant_bits;
    layout.fast = fast;
    for (const Cfact& fact : provenance_facts(picture, provenance))
        layout.text.emplace_back(fact.label, fact.text);
    if (provenance.pixel_pitch_um > 0.0) {
        constexpr double um_per_metre = 1e6;
        layout.pixels_per_metre =
            static_cast<unsigned>(std::lround(um_per_metre / provenance.pixel_pitch_um));
    }
    return kmx_apps::encode_png(
        layout, [&picture](unsigned y, unsigned char* row) { pack_png_row(picture, y, row); },
        bytes);
}

bool picture_consistent(const Cpicture& picture)
{
    const size_t expected = static_cast<size_t>(picture.width) * picture.height * picture.channels;
    const bool mosaic_fits = picture.mosaic == Ecfa::none || picture.channels == 1;
    return picture.width > 0 && picture.height > 0 && picture.samples.size() == expected &&
           (picture.channels == 1 || picture.channels == 3) && picture.significant_bits >= 8 &&
           picture.significant_bits <= 16 && mosaic_fits;
}

bool write_all(int fd, const unsigned char* data, size_t size)
{
    errno = 0;
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Writes the bytes into the file at path; failures name shown_name (the
// final name of a temporary file).
Cstatus write_bytes(const std::vector<unsigned char>& bytes, const std::string& path,
                    const std::string& shown_name)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return write_failure(shown_name, std::strerror(errno));
    const bool written = write_all(fd, bytes.data(), bytes.size());
    const int write_errno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written)
        return write_failure(shown_name, write_errno ? std::strerror(write_errno) : "short write");
    if (!closed)
        return write_failure(shown_name, std::strerror(errno));
    return Cstatus::ok();
}

// SIGPIPE ignored while it lives: a reader that goes away early makes the
// write fail with EPIPE instead of ending the process, so the failure is
// reported and the temporary file still removed.
class Cpipe_guard {
public:
    Cpipe_guard()
    {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, &previous);
    }
    ~Cpipe_guard() { sigaction(SIGPIPE, &previous, nullptr); }
    Cpipe_guard(const Cpipe_guard&) = delete;
    Cpipe_guard& operator=(const Cpipe_guard&) = delete;

private:
    struct sigaction previous = {};
};

// Copies the file at path to standard output.
Cstatus copy_to_standard_output(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return write_failure(standard_output_name, std::strerror(errno));
    const Cpipe_guard pipe_guard;
    std::fflush(stdout);
    std::vector<unsigned char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (!write_all(STDOUT_FILENO, buffer.data(), static_cast<size_t>(got))) {
            ok = false;
            break;
        }
    }
    const int saved_errno = errno;
    ::close(fd);
    if (!ok)
        return write_failure(standard_output_name, std::strerror(saved_errno));
    return Cstatus::ok();
}

std::string directory_of(const std::string& path)
{
    if (path == standard_output_name) {
        const char* tmp = std::getenv("TMPDIR");
        return tmp != nullptr && *tmp != '\0' ? std::string(tmp) : std::string("/tmp");
    }
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string base_name_of(const std::string& path)
{
    if (path == standard_output_name)
        return "kmxcap-output";
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool file_kind_of(const std::string& path, Efile_kind& kind)
{
    const struct {
        const char* extension;
        Efile_kind kind;
    } kinds[] = {{".png", Efile_kind::png},
                 {".tif", Efile_kind::tiff},
                 {".tiff", Efile_kind::tiff},
                 {".dng", Efile_kind::dng}};
    for (const auto& entry : kinds) {
        if (ends_with_ci(path, entry.extension)) {
            kind = entry.kind;
            return true;
        }
    }
    return false;
}

const char* file_extension(Efile_kind kind)
{
    switch (kind) {
    case Efile_kind::png: return ".png";
    case Efile_kind::tiff: return ".tif";
    default: return ".dng";
    }
}

Cstatus encode_picture(const Cpicture& picture, const Cprovenance& provenance, Efile_kind kind,
                       bool fast, std::vector<unsigned char>& bytes)
{
    bytes.clear();
    if (!picture_consistent(picture))
        return Cstatus(exit_write_failed, "no image to write");
    // A mosaic asked for as TIFF becomes a DNG, the TIFF raw developers read.
    const bool mosaic = picture.mosaic != Ecfa::none;
    const bool dng = kind == Efile_kind::dng || (kind == Efile_kind::tiff && mosaic);
    const std::string failure = kind == Efile_kind::png
                                    ? encode_png(picture, provenance, fast, bytes)
                                    : encode_tiff(picture, provenance, dng, bytes);
    if (!failure.empty())
        return Cstatus(exit_write_failed, failure);
    return Cstatus::ok();
}

Cstatus write_picture(const Cpicture& picture, const Cprovenance& provenance,
                      const std::string& path, Efile_kind kind, bool fast)
{
    std::vector<unsigned char> bytes;
    const Cstatus encoded = encode_picture(picture, provenance, kind, fast, bytes);
    if (!encoded.is_ok())
        return write_failure(path, encoded.message());
    return write_bytes(bytes, path, path);
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
    if (to_standard_output()) {
        const Cstatus copied = copy_to_standard_output(temp);
        discard();
        committed = true;
        return copied;
    }
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

Cstatus write_pending(const Cpicture& picture, const Cprovenance& provenance,
                      Cpending_file& file, Efile_kind kind, bool fast)
{
    Cstatus status = file.open();
    if (!status.is_ok())
        return status;
    std::vector<unsigned char> bytes;
    status = encode_picture(picture, provenance, kind, fast, bytes);
    if (!status.is_ok())
        return write_failure(file.final_path(), status.message());
    return write_bytes(bytes, file.temp_path(), file.final_path());
}

Cstatus write_pending_text(const std::string& text, Cpending_file& file)
{
    const Cstatus status = file.open();
    if (!status.is_ok())
        return status;
    const std::vector<unsigned char> bytes(text.begin(), text.end());
    return write_bytes(bytes, file.temp_path(), file.final_path());
}

} // namespace kmxcap
