// SPDX-License-Identifier: Apache-2.0
// Acquisition: configuring the camera for the frames asked for, the
// stream, the buffers over caller memory, completion, delivery and the
// frame deadline.
#include "frames.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "genicam.h"
#include "params.h"
#include "record.h"

namespace kmxaravis {

namespace {

// Aravis' GigE Vision simulator on the loopback interface needs the
// packet socket off and a socket buffer of a few payloads. Loopback loses
// no packet, but a busy machine may keep the simulator from sending for a
// while: a frame is given a second, not Aravis' tenth of one, before its
// missing packets count as lost.
constexpr uint64_t loopback_socket_payloads = 4;
constexpr guint loopback_frame_retention_us = 1000000;
constexpr int microseconds_per_ms = 1000;

bool loopback(const Cdevice_entry& e) { return e.address.rfind("127.", 0) == 0; }

void drop_buffer(ArvBuffer*& buffer)
{
    if (buffer != nullptr)
        g_object_unref(buffer);
    buffer = nullptr;
}

void drop_record_buffer(Crecord_buffer& rb)
{
    drop_buffer(rb.buffer);
    rb = Crecord_buffer{};
}

// Takes every buffer back out of the stream: once the stream's thread has
// stopped nothing writes into them any more.
void flush_stream_locked(Ccamera& c)
{
    if (c.stream != nullptr) {
        arv_stream_stop_thread(c.stream, TRUE);
        arv_stream_start_thread(c.stream);
    }
    c.job.active = false;
    c.job.buffer = nullptr;
}

void stop_acquisition_locked(Ccamera& c)
{
    if (c.acquiring) {
        Cerror error;
        arv_camera_stop_acquisition(c.arv, error.out());
        if (error.failed())
            note_failure("stopping acquisition", error.message());
    }
    c.acquiring = false;
    if (c.stream != nullptr)
        g_object_unref(c.stream); // its thread is joined, its queued buffers dropped
    c.stream = nullptr;
    c.applied = Capplied{};
    c.job.active = false;
    c.job.buffer = nullptr;
}

bool set_trigger(const Ccamera& c, bool triggered)
{
    Cerror error;
    if (triggered) {
        arv_camera_set_trigger(c.arv, "Software", error.out());
    } else {
        arv_camera_clear_triggers(c.arv, error.out());
        if (!error.failed())
            arv_camera_set_acquisition_mode(c.arv, ARV_ACQUISITION_MODE_CONTINUOUS, error.out());
    }
    if (error.failed())
        note_failure("setting the trigger", error.message());
    return !error.failed();
}

bool write_readout(Ccamera& c, const Creadout& r)
{
    const Cgenicam gc(c.arv);
    const Cfeatures& f = c.features;
    if (f.binning && (!gc.set_number("BinningHorizontal", r.binning) ||
                      !gc.set_number("BinningVertical", r.binning)))
        return false;
    Cerror error;
    arv_camera_set_pixel_format(c.arv, r.plan.source->pfnc, error.out());
    if (error.failed()) {
        note_failure(std::string("setting pixel format ") + r.plan.source->name, error.message());
        return false;
    }
    arv_camera_set_region(c.arv, 0, 0, static_cast<gint>(r.width), static_cast<gint>(r.height),
                          error.out());
    if (error.failed()) {
        note_failure("setting the image size", error.message());
        return false;
    }
    if (!f.test_pattern.empty()) {
        const bool on = c.params[KMX_PARAM_TEST_MODE] != 0;
        if (!gc.set_enum(f.test_pattern.c_str(), on ? f.test_pattern_on.c_str() : "Off"))
            return false;
    }
    return true;
}

bool create_stream_locked(Ccamera& c)
{
    const bool gige_loopback = arv_camera_is_gv_device(c.arv) && loopback(c.entry);
    if (gige_loopback)
        arv_camera_gv_set_stream_options(c.arv, ARV_GV_STREAM_OPTION_PACKET_SOCKET_DISABLED);
    Cerror error;
    c.stream = arv_camera_create_stream(c.arv, nullptr, nullptr, error.out());
    if (c.stream == nullptr || error.failed()) {
        note_failure("creating the stream", error.message());
        if (c.stream != nullptr)
            g_object_unref(c.stream);
        c.stream = nullptr;
        return false;
    }
    if (gige_loopback && ARV_IS_GV_STREAM(c.stream)) {
        const uint64_t bytes = std::min<uint64_t>(c.payload * loopback_socket_payloads, INT_MAX);
        g_object_set(c.stream, "socket-buffer", ARV_GV_STREAM_SOCKET_BUFFER_FIXED,
                     "socket-buffer-size", static_cast<gint>(bytes), "frame-retention",
                     loopback_frame_retention_us, nullptr);
    }
    return true;
}

// Sets the camera up for this readout and creates its stream unless it
// already is (`must_start` tells that acquisition is to be started). The
// camera's real image size is read back: a camera whose steps do not allow
// the size asked for delivers a cut or padded frame.
bool configure_locked(Ccamera& c, Creadout& r, bool& must_start)
{
    must_start = false;
    Capplied wanted;
    wanted.valid = true;
    wanted.pixel_format = r.plan.source->pfnc;
    wanted.binning = r.binning;
    wanted.width = r.width;
    wanted.height = r.height;
    wanted.test_mode = c.features.test_pattern.empty() ? 0 : c.params[KMX_PARAM_TEST_MODE];
    wanted.triggered = c.features.software_trigger;
    if (c.applied.same_as(wanted) && c.stream != nullptr && c.acquiring)
        return true;
    stop_acquisition_locked(c);
    if (!write_readout(c, r) || !set_trigger(c, wanted.triggered))
        return false;
    Cerror error;
    gint x = 0, y = 0, width = 0, height = 0;
    arv_camera_get_region(c.arv, &x, &y, &width, &height, error.out());
    c.payload = arv_camera_get_payload(c.arv, error.out());
    if (error.failed() || width <= 0 || height <= 0 || c.payload == 0) {
        note_failure("reading the image size back", error.message());
        return false;
    }
    wanted.image_width = static_cast<unsigned>(width);
    wanted.image_height = static_cast<unsigned>(height);
    if (!create_stream_locked(c))
        return false;
    c.applied = wanted;
    must_start = true;
    return true;
}

// Starts acquisition once the stream holds the frame's buffer: a
// free-running camera sends its first frame at once, and a buffer offered
// later would take the rest of that frame, which never completes.
bool start_acquisition_locked(Ccamera& c)
{
    Cerror error;
    arv_camera_start_acquisition(c.arv, error.out());
    if (error.failed()) {
        note_failure("starting acquisition", error.message());
        stop_acquisition_locked(c);
        return false;
    }
    c.acquiring = true;
    return true;
}

// The Aravis buffer over a record's memory, made anew when the record
// points at other memory than before.
ArvBuffer* record_buffer(Ccamera& c, kmx_frame_t* record, int index)
{
    if (index >= 0 && c.record_buffers.size() < c.record_count)
        c.record_buffers.resize(c.record_count);
    Crecord_buffer& rb = index >= 0 ? c.record_buffers[static_cast<size_t>(index)] : c.loose;
    if (rb.buffer == nullptr || rb.memory != record->buffer || rb.size != record->buffer_size) {
        drop_record_buffer(rb);
        rb.memory = record->buffer;
        rb.size = record->buffer_size;
        rb.buffer = arv_buffer_new_full(record->buffer_size, record->buffer, nullptr, nullptr);
    }
    return rb.buffer;
}

ArvBuffer* scratch_buffer(Ccamera& c)
{
    if (c.scratch == nullptr || c.scratch_size != c.payload) {
        drop_buffer(c.scratch);
        c.scratch = arv_buffer_new_allocate(c.payload);
        c.scratch_size = c.payload;
    }
    return c.scratch;
}

// The default allows a camera's first frame after acquisition starts more
// time (it arms its sensor, the stream settles); one set by the
// application is kept as it is.
int64_t deadline_after_us(const Ccamera& c, bool acquisition_started)
{
    if (c.deadline_ms != 0)
        return int64_t{c.deadline_ms} * microseconds_per_ms;
    const int64_t slack_us = acquisition_started ? int64_t{first_frame_slack_ms} * microseconds_per_ms : 0;
    const double period_us = 1.0e6 / rate_fps(c.params[KMX_PARAM_RATE]);
    const double frame_us = period_us + c.params[KMX_PARAM_EXPOSURE];
    const double floor_us = double(deadline_floor_ms) * microseconds_per_ms;
    return static_cast<int64_t>(std::max(floor_us, deadline_frame_periods * frame_us)) + slack_us;
}

const char* arv_buffer_status_name(ArvBufferStatus status)
{
    switch (status) {
    case ARV_BUFFER_STATUS_TIMEOUT: return "the frame timed out";
    case ARV_BUFFER_STATUS_MISSING_PACKETS: return "packets of the frame were lost";
    case ARV_BUFFER_STATUS_WRONG_PACKET_ID: return "a packet of another frame arrived";
    case ARV_BUFFER_STATUS_SIZE_MISMATCH: return "the frame did not fit its buffer";
    case ARV_BUFFER_STATUS_ABORTED: return "the frame was aborted";
    default: return "the frame failed";
    }
}

int status_of(ArvBufferStatus status)
{
    switch (status) {
    case ARV_BUFFER_STATUS_SUCCESS: return KMX_OK;
    case ARV_BUFFER_STATUS_TIMEOUT:
    case ARV_BUFFER_STATUS_ABORTED:
    case ARV_BUFFER_STATUS_CLEARED:
    case ARV_BUFFER_STATUS_UNKNOWN:
        return KMX_FRAME_FAILED_16;
    default: // missing or wrong packets, a frame larger than the buffer
        return KMX_FRAME_FAILED_13;
    }
}

// Free-running frames whose exposure began before the start are
// dropped; a frame's start is its arrival stamp less the exposure time.
bool begun_before_start(const Ccamera& c, ArvBuffer* buffer)
{
    const int64_t stamp_us = static_cast<int64_t>(arv_buffer_get_system_timestamp(buffer) / 1000);
    const int64_t begun_us = stamp_us - int64_t{c.params[KMX_PARAM_EXPOSURE]};
    return begun_us < c.job.start_real_us;
}

// Puts the delivered frame into the record's memory.
int deliver_locked(Ccamera& c, ArvBuffer* buffer)
{
    const Cjob& job = c.job;
    const Cplan& plan = job.plan;
    size_t size = 0;
    const auto* data = static_cast<const uint8_t*>(arv_buffer_get_image_data(buffer, &size));
    const auto* base = static_cast<const uint8_t*>(arv_buffer_get_data(buffer, nullptr));
    const uint64_t allocated = buffer == c.scratch ? c.scratch_size : job.record->buffer_size;
    if (data == nullptr || base == nullptr || data < base || uint64_t(data - base) > allocated) {
        note_failure("delivering a frame", "the frame lies outside its buffer");
        return KMX_FRAME_FAILED_13;
    }
    // Reads stay inside the buffer; a camera that does not report the
    // image's size (Aravis' fake camera with a fill pattern of its own)
    // is trusted to the end of the buffer, as its status says it is whole.
    const uint64_t room = allocated - uint64_t(data - base);
    size = size == 0 ? room : std::min<uint64_t>(size, room);
    if (arv_buffer_get_image_pixel_format(buffer) != plan.source->pfnc || arv_buffer_get_image_pixel_format(buffer) != plan.source->pfnc ||
        arv_buffer_get_image_width(buffer) != static_cast<gint>(c.applied.image_width) ||
        arv_buffer_get_image_height(buffer) != static_cast<gint>(c.applied.image_height)) {
        note_failure("delivering a frame",
                     ("a " + std::to_string(arv_buffer_get_image_width(buffer)) + " x " +
                      std::to_string(arv_buffer_get_image_height(buffer)) +
                      " frame of another layout than the camera was set to")
                         .c_str());
        return KMX_FRAME_FAILED_13;
    }
    auto* dest = static_cast<uint8_t*>(job.record->buffer);
    const Clayout out = job.preview ? halve_layout(plan.out) : plan.out;
    if (buffer != c.scratch) {
        // Zero copy: the frame is in the record already, maybe after a
        // header the camera put first.
        if (size < plan.out.bytes()) {
            note_failure("delivering a frame", "the camera sent fewer bytes than the frame needs");
            return KMX_FRAME_FAILED_13;
        }
        if (data != dest)
            std::memmove(dest, data, plan.out.bytes());
    } else if (job.preview) {
        c.preview_full.resize(plan.out.bytes());
        convert_frame(plan, data, size, c.applied.image_width, c.applied.image_height, c.preview_full.data());
        halve_frame(plan.out, c.preview_full.data(), dest);
    } else {
        convert_frame(plan, data, size, c.applied.image_width, c.applied.image_height, dest);
    }
    if (!c.tone_off)
        apply_tone(out, tone_of(c), dest);
    mark_delivered(*job.record, out, c.delivered + 1);
    return KMX_OK;
}

// Starts a frame; `first` frames of free-running cameras drop what began
// before them, the frames that continue a stream do not.
int start_locked(Ccamera& c, kmx_frame_t* record, int index, bool first)
{
    Creadout r;
    if (!current_readout(c, r))
        return KMX_ERR_FORMAT;
    const Clayout out = r.delivered();
    if (record->buffer == nullptr || out.bytes() > record->buffer_size)
        return KMX_ERR_BUFFER_TOO_SMALL;
    if (c.job.active) {
        // Starting over a frame in progress abandons it, as a camera
        // restarts its readout.
        flush_stream_locked(c);
        ++c.stats[stat_frames_aborted];
    }
    bool acquisition_started = false;
    if (!configure_locked(c, r, acquisition_started))
        return KMX_ERR_STATE;
    const bool direct = r.plan.direct && !r.preview && c.applied.image_width == r.width &&
                        c.applied.image_height == r.height && record->buffer_size >= c.payload;
    ArvBuffer* buffer = direct ? record_buffer(c, record, index) : scratch_buffer(c);
    g_object_ref(buffer); // the stream takes this reference; ours stays
    arv_stream_push_buffer(c.stream, buffer);
    c.job = Cjob{};
    c.job.active = true;
    c.job.record = record;
    c.job.assigned_index = index;
    c.job.buffer = buffer;
    c.job.plan = r.plan;
    c.job.preview = r.preview;
    c.job.start_real_us = g_get_real_time();
    c.job.deadline_us = g_get_monotonic_time() + deadline_after_us(c, acquisition_started);
    c.job.drop_early = first && !c.applied.triggered;
    if (acquisition_started && !start_acquisition_locked(c))
        return KMX_ERR_STATE;
    if (c.applied.triggered && !Cgenicam(c.arv).execute("TriggerSoftware")) {
        flush_stream_locked(c);
        return KMX_ERR_STATE;
    }
    ++c.stats[stat_frames_started];
    return KMX_OK;
}

// The record a stream continues into: the next one, wrapping to the
// first after the second (and wherever the next one does not exist).
int successor(const Ccamera& c, int index)
{
    if (index < 0)
        return -1;
    unsigned next = static_cast<unsigned>(index) + 1;
    if (next >= 2 || next >= c.record_count)
        next = 0;
    return static_cast<int>(next);
}

} // namespace

Clayout Creadout::delivered() const { return preview ? halve_layout(plan.out) : plan.out; }

bool current_readout(const Ccamera& c, Creadout& r)
{
    const Cfeatures& f = c.features;
    const bool bin = c.params[KMX_PARAM_BIN] != 0 && f.binning;
    r.binning = bin ? 2 : 1;
    r.width = bin ? f.max_width / 2 : f.max_width;
    r.height = bin ? f.max_height / 2 : f.max_height;
    r.preview = c.params[KMX_PARAM_PREVIEW] != 0;
    return plan_format(f.pixel_formats, f.colour, c.params[KMX_PARAM_FORMAT], r.width, r.height,
                       r.plan) ||
           plan_format(f.pixel_formats, f.colour, c.defaults[KMX_PARAM_FORMAT], r.width,
                       r.height, r.plan);
}

int assign_buffers_locked(Ccamera& c, kmx_frame_t* records, unsigned count)
{
    if (records == nullptr || count == 0)
        return KMX_ERR_BAD_ARGUMENT;
    release_buffers_locked(c);
    c.records = records;
    c.record_count = count;
    return KMX_OK;
}

int release_buffers_locked(Ccamera& c)
{
    if (c.job.active && c.job.assigned_index >= 0)
        ++c.stats[stat_frames_aborted];
    // The caller frees this memory next: nothing may write into it.
    stop_acquisition_locked(c);
    for (Crecord_buffer& rb : c.record_buffers)
        drop_record_buffer(rb);
    c.record_buffers.clear();
    c.records = nullptr;
    c.record_count = 0;
    return KMX_OK;
}

int start_frame_locked(Ccamera& c, kmx_frame_t* record, int index)
{
    return start_locked(c, record, index, true);
}

int check_complete_locked(Ccamera& c, bool stream, bool keep_going, bool& delivered)
{
    delivered = false;
    if (!c.job.active || c.stream == nullptr)
        return KMX_ERR_STATE;
    ArvBuffer* got = arv_stream_try_pop_buffer(c.stream);
    if (got == nullptr) {
        if (g_get_monotonic_time() < c.job.deadline_us)
            return KMX_FRAME_BUSY;
        note_failure("acquiring a frame", "no frame arrived before its deadline");
        flush_stream_locked(c);
        ++c.stats[stat_frames_failed];
        return KMX_FRAME_FAILED_16;
    }
    g_object_unref(got); // the stream's reference; ours stays
    if (got != c.job.buffer)
        return KMX_FRAME_BUSY; // cannot happen with one buffer in the stream
    const int status = status_of(arv_buffer_get_status(got));
    if (status == KMX_OK && c.job.drop_early && begun_before_start(c, got)) {
        ++c.stats[stat_frames_dropped];
        g_object_ref(got);
        arv_stream_push_buffer(c.stream, got);
        return KMX_FRAME_BUSY;
    }
    c.job.active = false;
    if (status != KMX_OK)
        note_failure("acquiring a frame", arv_buffer_status_name(arv_buffer_get_status(got)));
    const int result = status == KMX_OK ? deliver_locked(c, got) : status;
    if (result != KMX_OK) {
        ++c.stats[stat_frames_failed];
        return result;
    }
    ++c.delivered;
    ++c.stats[stat_frames_delivered];
    delivered = true;
    if (stream && keep_going) {
        const int next = successor(c, c.job.assigned_index);
        kmx_frame_t* record = next < 0 ? c.job.record : &c.records[next];
        start_locked(c, record, next, false);
    }
    return KMX_OK;
}

int abort_frame_locked(Ccamera& c)
{
    if (c.job.active) {
        flush_stream_locked(c);
        ++c.stats[stat_frames_aborted];
    }
    return KMX_OK;
}

void shutdown_locked(Ccamera& c)
{
    release_buffers_locked(c);
    drop_record_buffer(c.loose);
    drop_buffer(c.scratch);
    c.scratch_size = 0;
}

} // namespace kmxaravis
