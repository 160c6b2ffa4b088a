// SPDX-License-Identifier: Apache-2.0
// The --help text: the subcommands, every option of the option table
// (so the parser and the help cannot drift apart), output names and the
// exit codes.
#include <string>
#include <vector>

#include "option_table.h"

namespace kmxcap {

namespace {

const char* const usage_text =
    R"(kmxcap - capture images from a kmx camera (the simulated camera by default)

Usage:
  kmxcap list                  every camera with its identity and abilities
  kmxcap controls [--json]     every parameter of the camera: unit, range,
                               default and current value; automatic procedures
  kmxcap set NAME=VALUE...     write parameters through the settings record and
                               print the value the camera took (NAME: a setting
                               below that takes a value, e.g. gain=300)
  kmxcap snap [flags]          one frame (retried on transfer errors); without
                               --out or --stats it prints its size and mean
  kmxcap average N [flags]     mean of N streamed 8-bit frames (--sum: their
                               clamped sum)
  kmxcap deep-average N [flags]
                               mean of N deep frames (--depth 10 or 12, default:
                               the deepest)
  kmxcap auto KIND [flags]     run the camera's automatic exposure, gain or
                               white-balance (KIND), print the values it settled
                               on, then take one frame if asked for
  kmxcap stream N [flags]      N frames of continuous acquisition; prints frames
                               per second; with --out every frame is written
  kmxcap view [flags]          the camera live in a web browser, with its
                               controls, histograms and a Save button, until
                               Ctrl-C (which closes the camera and exits with 0)
  kmxcap --help | -h
  kmxcap --version | -V        the version of kmxcap and of the kmxcore library
)";

const char* const closing_text = R"(
Output names: %n is the frame number (1 for single pictures), %04n the same
zero-padded to 4 digits, %t the time taken (ISO-8601, 20240501T140307), %s the
camera's serial number, %% a percent sign. stream writes FILE-000001.png and so
on unless the name holds %n, e.g. stream 100 -o 'run-%s-%04n.png'.

Each run starts from the camera's defaults: settings are given as flags (or
NAME=VALUE to set) and hold for that run.

Ctrl-C (and Escape, when stdin is a terminal) aborts the capture: no file is
left behind and the exit code is 7. A second Ctrl-C ends the program at once.

Diagnostics: KMX_LOG=camera:warn (or capture:debug, debug, ...) logs to
stderr; a failing camera-library call is named with its status on the error
line.

Exit codes:
  0  success
  1  unexpected internal failure (e.g. out of memory)
  2  bad subcommand, flag or value
  3  camera library or camera not available
  4  a setting was refused by the camera
  5  the capture or automatic procedure failed
  6  an output file could not be written
  7  aborted by Ctrl-C, Escape or SIGTERM
  8  view: the address or port cannot be listened on
)";

constexpr size_t help_column = 31;

struct Csection_title {
    Esection section;
    const char* title;
};

constexpr Csection_title section_titles[] = {
    {Esection::camera, "Camera"},
    {Esection::settings, "Settings (refused values end the run with exit code 4)"},
    {Esection::output, "Output"},
    {Esection::view, "Live view (view; camera and settings flags set where it starts)"},
    {Esection::other, "Other"},
};

constexpr size_t line_width = 80;

// The help of an option in lines that fit beside the names: words are
// wrapped, and '\n' starts a new line.
std::vector<std::string> wrapped(const std::string& help)
{
    const size_t width = line_width - help_column;
    std::vector<std::string> lines(1);
    size_t start = 0;
    while (start < help.size()) {
        size_t end = help.find_first_of(" \n", start);
        if (end == std::string::npos)
            end = help.size();
        const std::string word = help.substr(start, end - start);
        std::string& line = lines.back();
        if (!line.empty() && line.size() + 1 + word.size() > width)
            lines.push_back(word);
        else
            line += (line.empty() ? "" : " ") + word;
        if (end < help.size() && help[end] == '\n')
            lines.emplace_back();
        start = end + 1;
    }
    return lines;
}

// "  -g, --gain N               gain index": the names and value in one
// column, the help beside them (or below, when the names are too long).
std::string option_lines(const Coption_entry& option)
{
    std::string left = option.short_name != 0 ? "  " + option_name(option, true)
                                               : "      " + option_name(option, false);
    if (option.value_name != nullptr)
        left += std::string(" ") + option.value_name;
    const std::string indent(help_column, ' ');
    std::string text = left;
    if (left.size() + 1 < help_column)
        text += std::string(help_column - left.size(), ' ');
    else
        text += "\n" + indent;
    const std::vector<std::string> lines = wrapped(option.help);
    for (size_t i = 0; i < lines.size(); ++i)
        text += (i ? indent : std::string()) + lines[i] + "\n";
    return text;
}

} // namespace

std::string help_text()
{
    std::string text = usage_text;
    for (const Csection_title& section : section_titles) {
        text += std::string("\n") + section.title + ":\n";
        for (const Coption_entry& option : option_table())
            if (option.section == section.section && !option.hidden)
                text += option_lines(option);
    }
    return text + closing_text;
}

} // namespace kmxcap
