// SPDX-License-Identifier: Apache-2.0
// The capturing subcommands: snap, average, deep-average, auto and
// stream, and the dispatch of the command line.
#include "commands.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "abort_watch.h"
#include "controls_command.h"
#include "kmxcore/capture/thread_state.h"
#include "kmxcore/diagnostics.h"
#include "kmxcore/image/fw_image.h"
#include "kmxcore/version.h"
#include "list_command.h"
#include "mosaic_phase.h"
#include "output_names.h"
#include "overlay.h"
#include "picture.h"
#include "progress.h"
#include "provenance_facts.h"
#include "session.h"
#include "view_command.h"
#include "writers.h"

namespace kmxcap {

namespace {

// The tool's version is the library's; a library of another version than
// the one the tool was built with is named too.
void print_version()
{
    const std::string running = kmxcore_version();
    std::printf("kmxcap (kmxcore) %s", running.c_str());
    if (running != KMXCORE_VERSION_STRING)
        std::printf(" (built with kmxcore %s)", KMXCORE_VERSION_STRING);
    std::printf("\n");
}

// The camera-library call behind a failure, for the error line:
// " (last camera-library failure: kmx_open(...): status 3, KMX_ERR_NOT_FOUND)",
// or nothing when no call has failed or the failure is not the camera's.
std::string camera_failure_suffix(const Cstatus& status)
{
    const int code = status.exit_code();
    if (code != exit_no_camera && code != exit_setting_refused && code != exit_capture_failed)
        return std::string();
    char call[256] = {};
    const int library_status = kmx_last_camera_failure(call, sizeof call);
    if (library_status == 0)
        return std::string();
    return std::string(" (last camera-library failure: ") + call + ": status " +
           std::to_string(library_status) + ", " + kmx_camera_status_name(library_status) + ")";
}

constexpr unsigned eight_bits = 8;

// Everything one capturing run shares.
struct Crun {
    const Coptions& options;
    Csession& session;
    Cthread_state& state;
    Cabort_watch& watch;
    unsigned frames_seen = 0;
};

// Pictures on standard output leave it to them: every message then goes
// to standard error.
std::FILE* message_stream(const Coptions& options)
{
    return options.out_path == "-" ? stderr : stdout;
}

// An informational line, which --quiet leaves out.
__attribute__((format(printf, 2, 3))) void say(const Coptions& options, const char* format, ...)
{
    if (options.quiet)
        return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(message_stream(options), format, arguments);
    va_end(arguments);
}

// A --verbose line, on standard error.
__attribute__((format(printf, 2, 3))) void tell(const Coptions& options, const char* format, ...)
{
    if (!options.verbose)
        return;
    va_list arguments;
    va_start(arguments, format);
    std::fputs("kmxcap: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    va_end(arguments);
}

const char* result_text(int result)
{
    switch (result) {
    case CAPTURE_FAILED: return "the camera failed or the frame was abandoned";
    case CAPTURE_ERROR_13: return "transfer error (library status 13), retries used up";
    case CAPTURE_STOPPED: return "the capture was stopped";
    case CAPTURE_ERROR_16: return "transfer error (library status 16), retries used up";
    case CAPTURE_NO_MEMORY: return "not enough memory for the sums";
    default: return "unknown capture result";
    }
}

Cstatus aborted(const std::string& what)
{
    return Cstatus(exit_aborted, what + " aborted");
}

// An abort request wins over whatever the capture answered: the frame was
// abandoned because the user asked.
Cstatus capture_status(const Crun& run, int result, const std::string& what)
{
    if (run.watch.aborted())
        return aborted(what);
    if (result == CAPTURE_OK)
        return Cstatus::ok();
    return Cstatus(exit_capture_failed, what + " failed: " + result_text(result));
}

// The hidden --abort-after-frames aid: acts like Ctrl-C after that many
// frames, through the real signal path.
void count_frame(Crun& run)
{
    ++run.frames_seen;
    if (run.options.abort_after_frames != 0 && run.frames_seen == run.options.abort_after_frames)
        Cabort_watch::simulate_interrupt();
}

std::string depth_words(const Cpicture& picture)
{
    if (picture.mosaic != Ecfa::none)
        return std::string(cfa_name(picture.mosaic)) + " mosaic";
    return picture.channels == 1 ? "grey" : "RGB";
}

// Display polarity, scaling; then statistics if asked.
Cstatus finish_picture(const Crun& run, Cpicture& picture, bool grey_from_mono_camera,
                       const char* stats_label)
{
    if (run.options.pixel_values == Epixel_values::display && grey_from_mono_camera)
        invert_grey(picture);
    if (run.options.scale16)
        scale_to_16_bits(picture);
    if (!run.options.stats)
        return Cstatus::ok();
    std::vector<Cchannel_stats> stats;
    if (!picture_stats(picture, run.options.stats_region, stats))
        return Cstatus(exit_usage, "--stats-roi lies outside the " + std::to_string(picture.width) +
                                       "x" + std::to_string(picture.height) + " image");
    std::fprintf(message_stream(run.options), "%s: %ux%u %s %u-bit: %s\n", stats_label,
                 picture.width, picture.height, depth_words(picture).c_str(),
                 picture.significant_bits, format_stats(picture, stats).c_str());
    return Cstatus::ok();
}

// What a picture that is neither written nor measured still tells: its
// size, depth and mean, on one line.
void summarise(const Crun& run, const Cpicture& picture, const std::string& what)
{
    if (!run.options.out_path.empty() || run.options.stats)
        return;
    std::vector<Cchannel_stats> stats;
    if (!picture_stats(picture, Cregion(), stats))
        return;
    std::string means;
    char part[48];
    static const char* const channel_names[3] = {"R ", "G ", "B "};
    for (size_t c = 0; c < stats.size(); ++c) {
        std::snprintf(part, sizeof part, "%s%s%.2f", c ? ", " : "",
                      picture.channels == 1 ? "" : channel_names[c % 3], stats[c].mean);
        means += part;
    }
    say(run.options, "%s: %ux%u %s %u-bit, mean %s\n", what.c_str(), picture.width,
        picture.height, depth_words(picture).c_str(), picture.significant_bits, means.c_str());
}

Cprovenance provenance_of(const Crun& run, const std::string& what)
{
    Ctool_capture& capture = run.session.get_capture();
    Cprovenance provenance = capture_provenance(run.session.get_device(), *capture.get_settings());
    provenance.acquisition = what;
    return provenance;
}

Efile_kind output_kind(const Coptions& options)
{
    Eout_format format = options.out_format;
    if (format == Eout_format::unspecified && !out_format_of_name(options.out_path, format))
        format = Eout_format::png;
    switch (format) {
    case Eout_format::tiff: return Efile_kind::tiff;
    case Eout_format::dng: return Efile_kind::dng;
    default: return Efile_kind::png;
    }
}

std::string base_name(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The picture's file and, with --sidecar, its JSON next to it, both under
// temporary names until the run succeeds.
struct Cpending_output {
    Cpending_file picture;
    Cpending_file sidecar;
    std::string description;  // for --verbose

    explicit Cpending_output(const std::string& path)
        : picture(path), sidecar(sidecar_path(path))
    {
    }
    Cstatus commit()
    {
        const Cstatus status = picture.commit();
        if (!status.is_ok() || sidecar.temp_path().empty())
            return status;
        return sidecar.commit();
    }
};

Cstatus write_pending_output(const Crun& run, const Cpicture& picture,
                             const Cprovenance& provenance, Cpending_output& output, bool fast)
{
    Cstatus status =
        write_pending(picture, provenance, output.picture, output_kind(run.options), fast);
    if (!status.is_ok())
        return status;
    if (run.options.verbose) {
        std::string facts;
        for (const Cfact& fact : provenance_facts(picture, provenance))
            facts += std::string(facts.empty() ? "" : "; ") + fact.label + " " + fact.text;
        output.description = facts;
    }
    if (!run.options.sidecar)
        return Cstatus::ok();
    const std::string& path = output.picture.final_path();
    return write_pending_text(sidecar_json(picture, provenance, base_name(path)), output.sidecar);
}

std::string shown_name(const std::string& path)
{
    return path == "-" ? std::string("standard output") : path;
}

// Writes the picture under its final name unless the run was aborted
// meanwhile; the temporary files go away on every other path.
Cstatus write_output(const Crun& run, const Cpicture& picture, const Cprovenance& provenance)
{
    const std::string& pattern = run.options.out_path;
    if (pattern.empty())
        return Cstatus::ok();
    const std::string path =
        pattern == "-" ? pattern
                       : expand_name(pattern, 1, provenance.created, provenance.camera_serial);
    Cpending_output output(path);
    Cstatus status = write_pending_output(run, picture, provenance, output, false);
    if (!status.is_ok())
        return status;
    if (run.watch.aborted())
        return aborted(provenance.acquisition);
    status = output.commit();
    if (!status.is_ok())
        return status;
    say(run.options, "%s: %ux%u %s %u-bit image written to %s\n", provenance.acquisition.c_str(),
        picture.width, picture.height, depth_words(picture).c_str(), picture.file_bits(),
        shown_name(path).c_str());
    tell(run.options, "%s: %s", shown_name(path).c_str(), output.description.c_str());
    return Cstatus::ok();
}

// The 8-bit image the capture holds now, with the overlay if asked.
Cstatus picture_of_frame(const Crun& run, Cfw_image* frame, Cpicture& picture)
{
    if (frame == nullptr)
        return Cstatus(exit_capture_failed, "the capture delivered no image");
    if (run.options.overlay != Eoverlay::none)
        return picture_with_overlay(*frame, run.options.overlay, picture);
    return picture_from_image(*frame, picture);
}

// The picture as written: the display polarity and scaling applied, the
// statistics or the summary line printed, the file written. frames: how
// many frames it is the mean (or clamped sum) of.
Cstatus deliver(const Crun& run, Cpicture& picture, bool grey_from_mono, const std::string& what,
                unsigned frames = 1)
{
    Cprovenance provenance = provenance_of(run, what);
    provenance.frames_averaged = frames;
    provenance.clamped_sum = run.options.sum && frames > 1;
    Cstatus status = finish_picture(run, picture, grey_from_mono, "stats");
    if (!status.is_ok())
        return status;
    summarise(run, picture, what);
    return write_output(run, picture, provenance);
}

// Whether the camera delivered monochrome values inverted: its own
// inversion for single frames; the software inversion of monochrome
// results for averages.
bool camera_inverted(const Crun& run, bool averaged)
{
    if (run.session.colour())
        return false;
    return averaged || run.session.get_capture().get_settings()->invert_image();
}

unsigned deepest_depth(const Csession& session)
{
    return session.offers_depth(12) ? 12 : session.offers_depth(10) ? 10 : eight_bits;
}

Cstatus check_depth(const Csession& session, unsigned depth)
{
    if (session.offers_depth(depth))
        return Cstatus::ok();
    return Cstatus(exit_setting_refused,
                   "the camera refused " + std::to_string(depth) + "-bit components");
}

// One raw frame, retried like get_frame retries its attempts.
int raw_frame(Crun& run)
{
    Ccapture& capture = run.session.get_capture();
    const unsigned retries = run.options.retries.given ? run.options.retries.value
                                                       : CAPTURE_DEFAULT_RETRIES;
    int result = CAPTURE_FAILED;
    for (unsigned attempt = 0; attempt <= retries; ++attempt) {
        result = capture.get_raw_frame(&run.state);
        if (result == CAPTURE_OK || result == CAPTURE_FAILED)
            break;
    }
    return result;
}

// The pool image an acquisition ended with, delivered once its result is
// a success.
Cstatus deliver_pool_frame(Crun& run, int result, const std::string& what, unsigned frames = 1)
{
    Cstatus status = capture_status(run, result, what);
    if (!status.is_ok())
        return status;
    Cpicture picture;
    status = picture_of_frame(run, run.session.get_capture().get_image(), picture);
    if (!status.is_ok())
        return status;
    picture.inverted = camera_inverted(run, frames > 1);
    return deliver(run, picture, !run.session.colour(), what, frames);
}

// The pattern the camera library reads its mosaic with; where it cannot
// tell, the layout of most sensors (and of the simulated camera), RGGB.
Ecfa mosaic_pattern(const Crun& run, const Cpicture& raw)
{
    constexpr unsigned raw_record = 0;  // get_raw_frame's pool buffer
    const Ecfa reported = reported_mosaic_pattern(run.session.get_device(), raw_record, raw);
    if (reported != Ecfa::none) {
        tell(run.options, "the camera library reads its raw mosaic as %s", cfa_name(reported));
        return reported;
    }
    tell(run.options, "the camera library does not show how its raw mosaic is laid out: "
                      "RGGB assumed");
    return Ecfa::rggb;
}

Cstatus snap_raw(Crun& run)
{
    const int result = raw_frame(run);
    Cstatus status = capture_status(run, result, "raw snap");
    if (!status.is_ok())
        return status;
    Cfw_image* buffer = run.session.get_capture().get_image();
    if (buffer == nullptr)
        return Cstatus(exit_capture_failed, "the raw snap delivered no image");
    Cpicture picture;
    status = picture_from_raw(*buffer, run.session.get_device().get_max_depth(), picture);
    if (!status.is_ok())
        return status;
    picture.inverted = run.session.get_capture().get_settings()->invert_image();
    if (run.session.colour())
        picture.mosaic = mosaic_pattern(run, picture);
    // A colour camera's raw output is a mosaic, not a grey image: no
    // display polarity.
    return deliver(run, picture, !run.session.colour(), "raw snap");
}

Cstatus snap_deep(Crun& run)
{
    Cfw_image deep_frame;
    const int result = run.session.get_capture().get_frame(&deep_frame, &run.state);
    Cstatus status = capture_status(run, result, "snap");
    if (!status.is_ok())
        return status;
    Cpicture picture;
    status = picture_from_image(deep_frame, picture);
    if (!status.is_ok())
        return status;
    picture.inverted = camera_inverted(run, false);
    return deliver(run, picture, !run.session.colour(), "snap");
}

bool shows_progress(const Coptions& options)
{
    return options.show_progress && !options.quiet && stderr_is_terminal();
}

Cstatus snap_8bit(Crun& run)
{
    Ctool_capture& capture = run.session.get_capture();
    return deliver_pool_frame(run, capture.get_frame(&run.state), "snap");
}

Cstatus run_snap(Crun& run)
{
    if (run.options.raw)
        return snap_raw(run);
    if (run.options.depth > eight_bits)
        return snap_deep(run);
    return snap_8bit(run);
}

// Averaging on: the settings' option and count, then a set-up that copies
// them into the capture.
Cstatus setup_averaging(Crun& run)
{
    Ctool_capture& capture = run.session.get_capture();
    Ccam_settings* settings = capture.get_settings();
    if (!settings->set_average_opt(1) || !settings->set_average_frames(run.options.frames))
        return Cstatus(exit_setting_refused,
                       "the camera refused averaging of " + std::to_string(run.options.frames) +
                           " frames");
    if (capture.setup(1, run.options.live ? 1 : 0) != 0)
        return Cstatus(exit_setting_refused, "the camera refused the averaging set-up");
    return Cstatus::ok();
}

Cstatus run_average(Crun& run)
{
    Cstatus status = setup_averaging(run);
    if (!status.is_ok())
        return status;
    Ctool_capture& capture = run.session.get_capture();
    if (run.options.sum)
        capture.use_clamped_sum();
    Cprogress progress("average", run.options.frames, shows_progress(run.options));
    capture.observe_frames([&run, &progress] {
        count_frame(run);
        progress.update(run.frames_seen);
    });
    const int result = capture.average_frames8(&run.state);
    capture.observe_frames(nullptr);
    progress.finish();
    return deliver_pool_frame(run, result, "average", run.options.frames);
}

Cstatus run_deep_average(Crun& run)
{
    const unsigned depth = run.options.depth ? run.options.depth : deepest_depth(run.session);
    Cstatus status = check_depth(run.session, depth);
    if (!status.is_ok())
        return status;
    if (depth <= eight_bits)
        return Cstatus(exit_setting_refused, "the camera delivers no deep components");
    status = setup_averaging(run);
    if (!status.is_ok())
        return status;
    Ctool_capture& capture = run.session.get_capture();
    Cprogress progress("deep-average", run.options.frames, shows_progress(run.options));
    capture.observe_frames([&run, &progress] {
        count_frame(run);
        progress.update(run.frames_seen);
    });
    const int result = capture.average_deep(depth, &run.state);
    capture.observe_frames(nullptr);
    progress.finish();
    status = capture_status(run, result, "deep-average");
    if (!status.is_ok())
        return status;
    Cpicture picture;
    status = picture_from_image(*capture.get_deep_image(), picture);
    if (!status.is_ok())
        return status;
    picture.inverted = camera_inverted(run, true);
    return deliver(run, picture, !run.session.colour(), "deep-average", run.options.frames);
}

Cstatus auto_status(const Crun& run, unsigned result, const char* what)
{
    if (run.watch.aborted())
        return aborted(what);
    if (result == CAPTURE_AUTO_DONE)
        return Cstatus::ok();
    if (result == CAPTURE_AUTO_STOPPED)
        return Cstatus(exit_capture_failed, std::string(what) + " was stopped");
    return Cstatus(exit_capture_failed, std::string(what) + " failed");
}

Cstatus auto_white_balance(Crun& run)
{
    Ctool_capture& capture = run.session.get_capture();
    if (!run.session.colour())
        return Cstatus(exit_setting_refused,
                       "the camera refused white balance (it is a monochrome camera)");
    const Cregion& r = run.options.wb_region;
    const unsigned width = capture.get_width();
    const unsigned height = capture.get_height();
    if (r.given && (r.left >= width || r.top >= height || r.width > width - r.left ||
                    r.height > height - r.top))
        return Cstatus(exit_usage, "--roi lies outside the " + std::to_string(width) + "x" +
                                       std::to_string(height) + " image");
    const RECT roi = r.given ? RECT{static_cast<LONG>(r.left), static_cast<LONG>(r.top),
                                    static_cast<LONG>(r.left + r.width),
                                    static_cast<LONG>(r.top + r.height)}
                             : RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    unsigned gain = 0, red = 0, green = 0, blue = 0;
    const unsigned result = capture.wb_process(roi, gain, red, green, blue, &run.state);
    Cstatus status = auto_status(run, result, "automatic white balance");
    if (status.is_ok())
        std::fprintf(message_stream(run.options),
                     "white balance: gain index %u, red gain %u, green gain %u, blue gain %u\n",
                     gain, red, green, blue);
    return status;
}

Cstatus run_auto(Crun& run)
{
    Ctool_capture& capture = run.session.get_capture();
    Cstatus status;
    if (run.options.auto_kind == Eauto_kind::white_balance) {
        status = auto_white_balance(run);
    } else if (run.options.auto_kind == Eauto_kind::gain) {
        unsigned gain = 0;
        status = auto_status(run, capture.agp_process(gain, &run.state), "automatic gain");
        if (status.is_ok())
            std::fprintf(message_stream(run.options), "gain: gain index %u\n", gain);
    } else {
        unsigned exposure = 0, gain = 0;
        status = auto_status(run, capture.aep_process(exposure, gain, &run.state),
                             "automatic exposure");
        if (status.is_ok())
            std::fprintf(message_stream(run.options),
                         "exposure: exposure index %u (%u us), gain index %u\n", exposure,
                         capture.get_settings()->get_expsoure_value(), gain);
    }
    if (!status.is_ok())
        return status;
    if (run.options.out_path.empty() && !run.options.stats)
        return Cstatus::ok();
    // The settled values are in the capture's settings: write them back
    // before the frame so it shows exactly what was found.
    if (capture.setup(0, run.options.live ? 1 : 0) != 0)
        return Cstatus(exit_setting_refused, "the camera refused the settled values");
    return snap_8bit(run);
}

// The name of frame `number` of a stream: the pattern's own %n, or
// "-000001" and so on before the extension.
std::string stream_frame_name(const Coptions& options, unsigned number,
                              const Cprovenance& provenance)
{
    if (options.out_path == "-")
        return options.out_path;
    const std::string name =
        expand_name(options.out_path, number, provenance.created, provenance.camera_serial);
    if (name_has_number_pattern(options.out_path))
        return name;
    return numbered_path(name, number, options.frames);
}

// Stream frames are written as they come, each to a temporary file; the
// files get their names only when the whole stream has succeeded.
Cstatus stream_frame_out(Crun& run, unsigned number,
                         std::vector<std::unique_ptr<Cpending_output>>& files, bool last)
{
    const bool writes = !run.options.out_path.empty();
    if (!writes && !(last && run.options.stats))
        return Cstatus::ok();
    Cpicture picture;
    Cstatus status = picture_of_frame(run, run.session.get_capture().get_image(), picture);
    if (!status.is_ok())
        return status;
    picture.inverted = camera_inverted(run, false);
    if (run.options.pixel_values == Epixel_values::display && !run.session.colour())
        invert_grey(picture);
    if (last && run.options.stats) {
        Coptions stats_only = run.options;
        stats_only.pixel_values = Epixel_values::camera; // already applied
        const Crun stats_run{stats_only, run.session, run.state, run.watch, run.frames_seen};
        Cpicture copy = picture;
        status = finish_picture(stats_run, copy, false, "stats (last frame)");
        if (!status.is_ok())
            return status;
    }
    if (!writes)
        return Cstatus::ok();
    Cprovenance provenance = provenance_of(run, "stream");
    provenance.frame_number = number;
    files.push_back(std::make_unique<Cpending_output>(
        stream_frame_name(run.options, number, provenance)));
    return write_pending_output(run, picture, provenance, *files.back(), true);
}

Cstatus collect_stream(Crun& run, std::vector<std::unique_ptr<Cpending_output>>& files,
                       double& seconds)
{
    Ctool_capture& capture = run.session.get_capture();
    Cprogress progress("stream", run.options.frames, shows_progress(run.options));
    if (!run.options.quiet)
        std::fprintf(stderr, "kmxcap: streaming %u frames (Ctrl-C or Escape to abort)\n",
                     run.options.frames);
    const auto started = std::chrono::steady_clock::now();
    if (capture.start_frame(0u, &run.state) != 0)
        return capture_status(run, CAPTURE_FAILED, "stream");
    for (unsigned n = 1; n <= run.options.frames; ++n) {
        const int result = capture.complete_frame(&run.state);
        Cstatus status = capture_status(run, result, "stream");
        if (!status.is_ok())
            return status;
        count_frame(run);
        progress.update(n);
        status = stream_frame_out(run, n, files, n == run.options.frames);
        if (!status.is_ok())
            return status;
    }
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return Cstatus::ok();
}

Cstatus run_stream(Crun& run)
{
    Ctool_capture& capture = run.session.get_capture();
    std::vector<std::unique_ptr<Cpending_output>> files;
    double seconds = 0.0;
    Cstatus status = collect_stream(run, files, seconds);
    if (!status.is_ok()) {
        capture.abort_frame();
        return status;
    }
    // Ends the stream in order: the frame in progress finishes and no
    // further one is started.
    capture.stop_frame(&run.state);
    if (run.watch.aborted())
        return aborted("stream");
    for (const auto& file : files) {
        status = file->commit();
        if (!status.is_ok())
            return status;
        tell(run.options, "%s: %s", shown_name(file->picture.final_path()).c_str(),
             file->description.c_str());
    }
    const double fps = seconds > 0.0 ? run.options.frames / seconds : 0.0;
    say(run.options, "stream: %u frames in %.3f s, %.2f frames per second%s\n",
        run.options.frames, seconds, fps, files.empty() ? "" : ", written");
    return Cstatus::ok();
}

unsigned settings_depth_for(const Coptions& options)
{
    if (options.command == Ecommand::snap && !options.raw && options.depth > eight_bits)
        return options.depth;
    return eight_bits;
}

bool wants_dng(const Coptions& options)
{
    return options.out_format == Eout_format::dng || out_name_is_dng(options.out_path);
}

void tell_camera(const Coptions& options, Cdevice& device)
{
    char vendor[128] = {};
    char product[128] = {};
    device.camera_vendor_desc(vendor, sizeof vendor - 1);
    device.camera_product_desc(product, sizeof product - 1);
    tell(options, "camera %u:%u %s %s, serial %u, %ux%u %s", device.get_camera_id(),
         device.get_camera_index(), vendor, product, device.get_serial_no(), device.get_width(),
         device.get_height(), device.get_camera_type() == 1 ? "colour" : "monochrome");
}

Cstatus run_capture_command(const Coptions& options)
{
    Csession session;
    Cstatus status = session.open(options);
    if (!status.is_ok())
        return status;
    tell_camera(options, session.get_device());
    if (wants_dng(options) && !session.colour())
        return Cstatus(exit_usage, "a DNG holds a raw colour frame, and this camera is "
                                   "monochrome: write its raw frame as .tif");
    if (options.depth > eight_bits) {
        status = check_depth(session, options.depth);
        if (!status.is_ok())
            return status;
    }
    status = session.prepare(options, settings_depth_for(options));
    if (!status.is_ok())
        return status;
    Cthread_state state;
    Cabort_watch watch(state);
    Crun run{options, session, state, watch};
    switch (options.command) {
    case Ecommand::snap: return run_snap(run);
    case Ecommand::average: return run_average(run);
    case Ecommand::deep_average: return run_deep_average(run);
    case Ecommand::auto_adjust: return run_auto(run);
    case Ecommand::stream: return run_stream(run);
    default: return Cstatus(exit_internal, "no such capture command");
    }
}

Cstatus dispatch(const Coptions& options)
{
    const Cstatus selected = select_camera_library(options);
    if (!selected.is_ok())
        return selected;
    switch (options.command) {
    case Ecommand::help:
        std::fputs(help_text().c_str(), stdout);
        return Cstatus::ok();
    case Ecommand::version:
        print_version();
        return Cstatus::ok();
    case Ecommand::list: return list_cameras();
    case Ecommand::controls: return list_controls(options);
    case Ecommand::set: return set_controls(options);
    case Ecommand::view: return run_view(options);
    default: return run_capture_command(options);
    }
}

} // namespace

int run_kmxcap(const std::vector<std::string>& args)
{
    Coptions options;
    Cstatus status = parse_options(args, options);
    try {
        if (status.is_ok())
            status = dispatch(options);
    } catch (const std::bad_alloc&) {
        status = Cstatus(exit_internal, "out of memory");
    }
    std::fflush(stdout);
    if (!status.is_ok())
        std::fprintf(stderr, "kmxcap: %s%s\n", status.message().c_str(),
                     camera_failure_suffix(status).c_str());
    return status.exit_code();
}

} // namespace kmxcap
