// SPDX-License-Identifier: Apache-2.0
// Helpers of the kmxcap tests: running the tool as a child process,
// a scratch directory per test, and reading PNG and TIFF files back.
#ifndef KMXCAP_TEST_SUPPORT_H
#define KMXCAP_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include "kmxsim_control.h"

namespace kmxcap_test {

// What a run of the tool left behind.
struct Crun_result {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// Reads both pipes until the child closes them, calling on_err_line with
// stderr as it grows (so a test can react to a line, e.g. send a signal).
template <typename Callback>
void drain(int out_fd, int err_fd, Crun_result& result, Callback on_err)
{
    struct pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    int open_fds = 2;
    char buffer[4096];
    while (open_fds > 0) {
        if (poll(fds, 2, -1) < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_fds;
                continue;
            }
            (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
            if (i == 1)
                on_err(result.err);
        }
    }
}

// The environment of a run: this process's, without a KMX_LOG of the
// person running the tests, plus the variables given ("NAME=value").
inline std::vector<std::string> tool_environment(const std::vector<std::string>& extra)
{
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::strncmp(*entry, "KMX_LOG=", 8) != 0)
            variables.emplace_back(*entry);
    variables.insert(variables.end(), extra.begin(), extra.end());
    return variables;
}

// Runs kmxcap with the arguments and the extra environment variables;
// on_err sees stderr and the child's pid.
template <typename Callback>
Crun_result run_tool(const std::vector<std::string>& args, Callback on_err,
                     const std::vector<std::string>& environment = {})
{
    Crun_result result;
    std::vector<std::string> variables = tool_environment(environment);
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    int out_pipe[2];
    int err_pipe[2];
    if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0)
        return result;
    const pid_t child = fork();
    if (child == 0) {
        dup2(out_pipe[1], STDOUT_FILENO);
        dup2(err_pipe[1], STDERR_FILENO);
        const int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, STDIN_FILENO);
        close(out_pipe[0]);
        close(err_pipe[0]);
        std::vector<char*> argv;
        std::string program = KMXCAP_PATH;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (std::string& arg : copies)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    drain(out_pipe[0], err_pipe[0], result, [&](const std::string& err) { on_err(err, child); });
    int status = 0;
    waitpid(child, &status, 0);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

inline Crun_result run_tool(const std::vector<std::string>& args,
                            const std::vector<std::string>& environment = {})
{
    return run_tool(args, [](const std::string&, pid_t) {}, environment);
}

// Number of complete lines in a text.
inline int count_lines(const std::string& text)
{
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

// A fresh directory under the build tree, removed with its files.
class Cscratch_dir {
public:
    Cscratch_dir()
    {
        char pattern[] = "/tmp/kmxcap-test-XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "";
    }
    ~Cscratch_dir()
    {
        for (const std::string& name : files())
            std::remove((path + "/" + name).c_str());
        rmdir(path.c_str());
    }
    std::string file(const std::string& name) const { return path + "/" + name; }
    // Every entry but . and .., hidden temporaries included.
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        DIR* dir = opendir(path.c_str());
        if (dir == nullptr)
            return names;
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
        return names;
    }

    std::string path;
};

// An image read back from a file: samples in file order, RGB for colour.
struct Cfile_image {
    unsigned width = 0;
    unsigned height = 0;
    unsigned channels = 0;
    unsigned bits = 0;
    unsigned significant_bits = 0;  // PNG sBIT, or bits when absent
    unsigned max_sample_value = 0;  // TIFF only
    std::vector<unsigned> samples;
    unsigned at(unsigned x, unsigned y, unsigned c) const
    {
        return samples[(static_cast<size_t>(y) * width + x) * channels + c];
    }
};

inline bool read_png_rows(png_structp png, png_infop info, Cfile_image& image)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    image.width = png_get_image_width(png, info);
    image.height = png_get_image_height(png, info);
    image.channels = png_get_channels(png, info);
    image.bits = png_get_bit_depth(png, info);
    image.significant_bits = image.bits;
    png_color_8p sig = nullptr;
    if (png_get_sBIT(png, info, &sig) && sig != nullptr)
        image.significant_bits = image.channels == 1 ? sig->gray : sig->red;
    png_bytepp rows = png_get_rows(png, info);
    const size_t values = static_cast<size_t>(image.width) * image.channels;
    image.samples.resize(values * image.height);
    for (unsigned y = 0; y < image.height; ++y)
        for (size_t i = 0; i < values; ++i)
            image.samples[y * values + i] =
                image.bits == 16 ? (rows[y][2 * i] << 8) | rows[y][2 * i + 1] : rows[y][i];
    return true;
}

inline bool read_png(const std::string& path, Cfile_image& image)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    const bool ok = read_png_rows(png, info, image);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return ok;
}

inline bool read_tiff(const std::string& path, Cfile_image& image)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (tiff == nullptr)
        return false;
    uint32_t width = 0, height = 0;
    uint16_t channels = 0, bits = 0, max_value = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &channels);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_MAXSAMPLEVALUE, &max_value);
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.bits = bits;
    image.significant_bits = bits;
    image.max_sample_value = max_value;
    const size_t values = static_cast<size_t>(width) * channels;
    std::vector<unsigned char> row(static_cast<size_t>(TIFFScanlineSize(tiff)));
    image.samples.resize(values * height);
    bool ok = row.size() >= values * (bits / 8);
    for (uint32_t y = 0; y < height && ok; ++y) {
        ok = TIFFReadScanline(tiff, row.data(), y, 0) == 1;
        for (size_t i = 0; i < values && ok; ++i) {
            if (bits == 16) {
                uint16_t v;
                std::memcpy(&v, &row[2 * i], 2);
                image.samples[y * values + i] = v;
            } else {
                image.samples[y * values + i] = row[i];
            }
        }
    }
    TIFFClose(tiff);
    return ok;
}

// Slots of the simulator's preset cameras, as kmxcap opens them by id.
constexpr unsigned mono_slot = 0;
constexpr unsigned colour_slot = 1;

// The number of samples differing from the test pattern (after mapping
// each expected value through `expect`).
template <typename Map>
size_t pattern_mismatches(const Cfile_image& image, unsigned slot, unsigned depth, Map expect)
{
    size_t wrong = 0;
    for (unsigned y = 0; y < image.height; ++y)
        for (unsigned x = 0; x < image.width; ++x)
            for (unsigned c = 0; c < image.channels; ++c)
                if (image.at(x, y, c) != expect(kmxsim_test_pattern_value(slot, x, y, c, depth)))
                    ++wrong;
    return wrong;
}

// The number after "sd " in the tool's stats line (the first channel).
inline double reported_deviation(const std::string& out)
{
    const size_t at = out.find(" sd ");
    return at == std::string::npos ? -1.0 : std::atof(out.c_str() + at + 4);
}

inline double reported_mean(const std::string& out)
{
    const size_t at = out.find("mean ");
    return at == std::string::npos ? -1.0 : std::atof(out.c_str() + at + 5);
}

} // namespace kmxcap_test

#endif
