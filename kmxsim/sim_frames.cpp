// Frame acquisition of the simulated camera: layouts, the frame in
// progress, streaming into the assigned records, and rendering.
//
// Raw output (parameter 7 = 0) is one 16-bit little-endian word per pixel
// at the camera's deepest depth (12, 10 or 8 significant bits in the low
// bits); on a colour camera the words form an RGGB Bayer mosaic (red at
// even x and even y, blue at odd x and odd y).
//
// Output stages, in order: sensor (exposure x gain x white balance, black
// level offset, photon noise), then for 8-bit output gamma, contrast and
// the look-up table, then inversion. Test mode and scripted flat frames
// replace the sensor and, for test mode, the 8-bit stages too; inversion
// applies to every kind of output, raw included.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "sim_frames.h"

namespace kmxsim {

namespace {

constexpr unsigned sensor_depth = 12;
constexpr int sensor_max = (1 << sensor_depth) - 1;
constexpr double read_noise = 3.0;
// Sensor units per photo-electron: sets the photon noise.
constexpr double units_per_electron = 4.0;
constexpr double reference_exposure_us = 1000.0;
constexpr double bl_units_per_index = 4.0;      // index / 4 in 8-bit units
constexpr double boost_factor = 1.25;
constexpr double neutral_contrast = 127.0;
// Colour sensitivities that the default white-balance gains (40, 32, 44)
// cancel.
constexpr double channel_sensitivity[3] = {32.0 / 40.0, 1.0, 32.0 / 44.0};
constexpr unsigned frame_period_ms[5] = {66, 33, 25, 20, 16};
constexpr uint32_t check_seed = 0x9E3779B9u;

unsigned deepest_depth(uint32_t caps)
{
    if (caps & KMX_CAP_DEPTH12)
        return 12;
    if (caps & KMX_CAP_DEPTH10)
        return 10;
    return 8;
}

// Fills the format part of a layout; false for a code that is not an
// output format.
bool describe_format(unsigned format, uint32_t caps, Clayout& l)
{
    l.format = format;
    l.reversed = false;
    switch (format) {
    case KMX_FORMAT_RAW:
        l.components = 1; l.sample_bytes = 2; l.depth = deepest_depth(caps);
        l.colour = (caps & KMX_CAP_COLOR) != 0;
        return true;
    case 2: l.components = 1; l.sample_bytes = 1; l.depth = 8; l.colour = false; return true;
    case 3: l.components = 1; l.sample_bytes = 2; l.depth = 10; l.colour = false; return true;
    case 10: l.components = 1; l.sample_bytes = 2; l.depth = 12; l.colour = false; return true;
    case 4: l.components = 3; l.sample_bytes = 1; l.depth = 8; l.colour = true; return true;
    case 6: l.components = 3; l.sample_bytes = 1; l.depth = 8; l.colour = true; l.reversed = true; return true;
    case 7: l.components = 4; l.sample_bytes = 1; l.depth = 8; l.colour = true; return true;
    case 8: l.components = 4; l.sample_bytes = 1; l.depth = 8; l.colour = true; l.reversed = true; return true;
    case 5: l.components = 3; l.sample_bytes = 2; l.depth = 10; l.colour = true; return true;
    case 11: l.components = 3; l.sample_bytes = 2; l.depth = 12; l.colour = true; return true;
    default: return false;
    }
}

uint32_t check_word(const kmx_frame_t& r)
{
    uint32_t check = check_seed;
    for (unsigned i = 0; i < rw_check; ++i)
        check = (check ^ r.reserved[i]) * 16777619u;
    return check;
}

uint64_t frame_length_us(const Ccamera& camera)
{
    const unsigned rate = std::min(camera.params[KMX_PARAM_RATE], 4u);
    return static_cast<uint64_t>(exposure_us(camera)) + frame_period_ms[rate] * 1000ull;
}

// Which colour an RGGB mosaic samples at (x, y).
unsigned bayer_component(unsigned x, unsigned y)
{
    if ((y & 1) == 0)
        return (x & 1) ? 1 : 0;
    return (x & 1) ? 2 : 1;
}

void put_sample(unsigned char*& p, unsigned value, unsigned sample_bytes)
{
    if (sample_bytes == 1) {
        *p++ = static_cast<unsigned char>(value);
        return;
    }
    *p++ = static_cast<unsigned char>(value & 0xFF);
    *p++ = static_cast<unsigned char>(value >> 8);
}

// Per-frame tables that turn a scene level into a noisy sensor value and
// a sensor value into an output sample.
struct Ctables {
    int32_t mean[3][scene_full_scale];
    int32_t sigma[3][scene_full_scale];   // in 1/256 of the deviate table
    uint16_t output[sensor_max + 1];      // sensor value -> output sample
};

} // namespace

double channel_factor(const Ccamera& c, unsigned component, bool colour)
{
    if (!colour)
        return 1.0;
    const unsigned wb_id = KMX_PARAM_RED_GAIN + component;
    double f = wb_value(c.params[wb_id]) * channel_sensitivity[component];
    if (component == 0 && c.params[KMX_PARAM_RED_BOOST])
        f *= boost_factor;
    if (component == 2 && c.params[KMX_PARAM_BLUE_BOOST])
        f *= boost_factor;
    return f;
}

namespace {

void build_sensor_tables(const Ccamera& c, bool colour, Ctables& t)
{
    const double exposure = exposure_us(c) / reference_exposure_us;
    const double gain = gain_value(c.params[KMX_PARAM_GAIN]);
    const double black = c.params[KMX_PARAM_BL] * bl_units_per_index;
    const unsigned components = colour ? 3 : 1;
    for (unsigned comp = 0; comp < components; ++comp) {
        const double k = exposure * gain * channel_factor(c, comp, colour) * signal_per_level;
        for (unsigned level = 0; level < scene_full_scale; ++level) {
            const double signal = level * k;
            // Photon noise grows with the light collected and is then
            // amplified by the gain; read noise stays.
            const double electrons = signal / (gain * units_per_electron);
            const double sigma = std::sqrt(electrons) * gain * units_per_electron + read_noise;
            t.mean[comp][level] = static_cast<int32_t>(std::min(signal + black, 1e6));
            t.sigma[comp][level] = static_cast<int32_t>(std::min(sigma, 1e5));
        }
    }
}

void build_output_table(const Ccamera& c, const Clayout& l, bool sensor_input, Ctables& t)
{
    const bool invert = c.params[KMX_PARAM_INVERT] != 0;
    const unsigned max_out = (1u << l.depth) - 1;
    const bool eight_bit = l.depth == 8 && l.format != KMX_FORMAT_RAW;
    const double gamma = c.params[KMX_PARAM_GAMMA_MODE] && c.gamma > 0 ? c.gamma : 1.0;
    const double contrast = c.params[KMX_PARAM_CONTRAST_MODE]
                                ? c.params[KMX_PARAM_CONTRAST] / neutral_contrast
                                : 1.0;
    for (int v = 0; v <= sensor_max; ++v) {
        // sensor_input: v is a 12-bit sensor value; otherwise v already is
        // an output-depth value (scripted frames).
        unsigned out;
        if (!sensor_input) {
            out = std::min<unsigned>(static_cast<unsigned>(v), max_out);
            if (eight_bit)
                out = c.lut[out];
        } else if (eight_bit) {
            double x = v / 16.0;
            if (gamma != 1.0)
                x = 255.0 * std::pow(x / 255.0, 1.0 / gamma);
            x = 127.5 + (x - 127.5) * contrast;
            const int q = static_cast<int>(std::lround(std::clamp(x, 0.0, 255.0)));
            out = c.lut[q];
        } else {
            out = static_cast<unsigned>(v) >> (sensor_depth - l.depth);
        }
        t.output[v] = static_cast<uint16_t>(invert ? max_out - out : out);
    }
}

void render_test_pattern(const Ccamera& c, const Clayout& l, unsigned char* p)
{
    const bool invert = c.params[KMX_PARAM_INVERT] != 0;
    const unsigned max_out = (1u << l.depth) - 1;
    for (unsigned y = 0; y < l.height; ++y) {
        for (unsigned x = 0; x < l.width; ++x) {
            for (unsigned k = 0; k < l.components; ++k) {
                unsigned comp = k;
                if (l.format == KMX_FORMAT_RAW)
                    comp = l.colour ? bayer_component(x, y) : 0;
                else if (k == 3)
                    comp = 3; // the fourth byte of 32-bit pixels
                else if (l.reversed)
                    comp = 2 - k;
                unsigned v = comp == 3 ? 0 : test_pattern(x, y, comp, l.depth);
                if (invert && comp != 3)
                    v = max_out - v;
                put_sample(p, v, l.sample_bytes);
            }
        }
    }
}

void render_flat(const Ctables& t, const Clayout& l, uint32_t value, unsigned char* p)
{
    const unsigned v = t.output[std::min<uint32_t>(value, sensor_max)];
    const uint64_t pixels = static_cast<uint64_t>(l.width) * l.height;
    for (uint64_t i = 0; i < pixels; ++i)
        for (unsigned k = 0; k < l.components; ++k)
            put_sample(p, k == 3 ? 0 : v, l.sample_bytes);
}

// One row of samples: levels holds the scene levels of the row (disc
// drawn in), comp the component each output sample takes, per pixel
// (period 2 columns for a mosaic). The noise is read sequentially from a
// random place in the deviate table, which costs far less than a random
// draw per sample and is as independent between frames and rows.
template <class Sample>
void render_row(const Ctables& t, const uint16_t* levels, unsigned scene_components,
                unsigned width, unsigned components, const unsigned (*comp)[4], uint32_t offset,
                unsigned char* out)
{
    const int16_t* noise = gaussian_table();
    constexpr uint32_t mask = gaussian_table_size - 1;
    Sample* o = reinterpret_cast<Sample*>(out);
    for (unsigned x = 0; x < width; ++x) {
        const uint16_t* level = levels + static_cast<size_t>(x) * scene_components;
        const unsigned* pixel_comp = comp[x & 1];
        for (unsigned k = 0; k < components; ++k) {
            const unsigned c = pixel_comp[k];
            if (c == 3) { // the fourth byte of 32-bit pixels
                *o++ = 0;
                continue;
            }
            const unsigned lv = level[scene_components == 3 ? c : 0];
            int32_t v = t.mean[c][lv] + ((noise[offset++ & mask] * t.sigma[c][lv]) >> 8);
            v = std::clamp<int32_t>(v, 0, sensor_max);
            *o++ = static_cast<Sample>(t.output[v]);
        }
    }
}

// The scene with photon noise. The disc is a brighter level drawn over
// the chart on the rows it covers.
void render_scene(Ccamera& c, const Clayout& l, uint32_t frame, const Ctables& t,
                  unsigned char* p)
{
    const bool colour = (c.desc.caps & KMX_CAP_COLOR) != 0;
    c.scene.build(l.width, l.height, colour);
    const Cscene& s = c.scene;
    Cxorshift rng{0x1234567u ^ (frame * 2654435761u) ^ (c.slot << 20) ^ 1u};
    const Cdisc disc = moving_disc(l.width, l.height, frame);
    constexpr uint16_t disc_level = 3400;
    const unsigned scene_components = colour ? 3 : 1;
    const bool raw = l.format == KMX_FORMAT_RAW;
    const unsigned components = raw ? 1 : l.components;
    const size_t row_bytes = static_cast<size_t>(l.width) * components * l.sample_bytes;
    std::vector<uint16_t> levels(static_cast<size_t>(l.width) * scene_components);

    for (unsigned y = 0; y < l.height; ++y) {
        // Which component each sample of this row takes, for even and odd
        // columns.
        unsigned comp[2][4] = {{0, 1, 2, 3}, {0, 1, 2, 3}};
        for (unsigned parity = 0; parity < 2; ++parity) {
            if (raw)
                comp[parity][0] = colour ? bayer_component(parity, y) : 0;
            else if (!colour)
                comp[parity][0] = 0;
            else if (l.reversed)
                comp[parity][0] = 2, comp[parity][2] = 0;
        }
        const uint16_t* row = &s.level[static_cast<size_t>(y) * l.width * scene_components];
        std::copy(row, row + levels.size(), levels.begin());
        const int dy = static_cast<int>(y) - disc.cy;
        if (dy * dy <= disc.radius * disc.radius) {
            const int half = static_cast<int>(std::sqrt(double(disc.radius * disc.radius - dy * dy)));
            const int x0 = std::max(disc.cx - half, 0);
            const int x1 = std::min(disc.cx + half, static_cast<int>(l.width) - 1);
            for (int x = x0; x <= x1; ++x)
                std::fill_n(&levels[static_cast<size_t>(x) * scene_components], scene_components,
                            disc_level);
        }
        unsigned char* out = p + row_bytes * y;
        if (l.sample_bytes == 1) {
            render_row<uint8_t>(t, levels.data(), scene_components, l.width, components, comp,
                                rng.next(), out);
            continue;
        }
        // 16-bit samples go out little-endian whatever the host.
        std::vector<uint16_t> samples(static_cast<size_t>(l.width) * components);
        render_row<uint16_t>(t, levels.data(), scene_components, l.width, components, comp,
                             rng.next(), reinterpret_cast<unsigned char*>(samples.data()));
        for (uint16_t v : samples) {
            *out++ = static_cast<unsigned char>(v & 0xFF);
            *out++ = static_cast<unsigned char>(v >> 8);
        }
    }
}

} // namespace

void mark_delivered(kmx_frame_t& r, const Clayout& l, uint32_t sequence)
{
    r.reserved[rw_tag] = frame_tag;
    r.reserved[rw_sequence] = sequence;
    r.reserved[rw_width] = l.width;
    r.reserved[rw_height] = l.height;
    r.reserved[rw_format] = l.format;
    r.reserved[rw_layout] = l.depth | (l.colour ? 0x100u : 0u);
    r.reserved[rw_bytes] = static_cast<uint32_t>(l.bytes());
    r.reserved[rw_check] = check_word(r);
}

namespace {

bool fits(const kmx_frame_t& r, const Clayout& l)
{
    return r.buffer && l.width && l.height && l.bytes() <= r.buffer_size;
}

// Delivers the frame in progress into its record.
int deliver_locked(Ccamera& c)
{
    kmx_frame_t& r = *c.job.record;
    const Clayout l = current_layout(c);
    c.job.active = false;
    if (!fits(r, l)) {
        ++c.stats[stat_frames_failed];
        return KMX_ERR_BUFFER_TOO_SMALL;
    }
    const uint32_t frame = c.delivered;
    render_frame(c, l, frame, static_cast<unsigned char*>(r.buffer));
    ++c.delivered;
    ++c.stats[stat_frames_delivered];
    mark_delivered(r, l, c.delivered);
    return KMX_OK;
}

bool job_done_locked(Ccamera& c)
{
    const Cstate& s = state();
    if (now_us_locked() >= c.job.end_us)
        return true;
    if (!s.virtual_clock)
        return false;
    if (c.job.busy_polls >= s.polls_per_frame)
        return true;
    ++c.job.busy_polls;
    return false;
}

// The record a stream continues into: the next one, wrapping to the first
// after the second (and wherever the next one does not exist).
kmx_frame_t* successor(Ccamera& c, int& index)
{
    if (c.job.assigned_index < 0) {
        index = -1;
        return c.job.record;
    }
    unsigned next = static_cast<unsigned>(c.job.assigned_index) + 1;
    if (next >= 2 || next >= c.record_count)
        next = 0;
    index = static_cast<int>(next);
    return c.records ? &c.records[next] : nullptr;
}

} // namespace

uint32_t test_pattern(unsigned x, unsigned y, unsigned component, unsigned depth)
{
    const unsigned base = (x + 2 * y + 85 * component) & 0xFF;
    if (depth <= 8)
        return base;
    const unsigned extra = depth - 8;
    return (base << extra) | ((x ^ y) & ((1u << extra) - 1));
}

Clayout current_layout(const Ccamera& c)
{
    Clayout l;
    const bool preview = c.params[KMX_PARAM_PREVIEW] != 0;
    l.width = preview ? c.desc.preview_width : c.desc.max_width;
    l.height = preview ? c.desc.preview_height : c.desc.max_height;
    if (c.params[KMX_PARAM_BIN]) {
        l.width /= 2;
        l.height /= 2;
    }
    if (!describe_format(c.params[KMX_PARAM_FORMAT], c.desc.caps, l))
        describe_format((c.desc.caps & KMX_CAP_COLOR) ? 4 : 2, c.desc.caps, l);
    return l;
}

bool delivered_layout(const kmx_frame_t& r, Clayout& l)
{
    if (r.reserved[rw_tag] != frame_tag || r.reserved[rw_check] != check_word(r))
        return false;
    // The depth of raw frames and whether they are a mosaic come from the
    // layout word, the rest from the format code.
    const uint32_t layout = r.reserved[rw_layout];
    uint32_t caps = (layout & 0x100u) ? uint32_t{KMX_CAP_COLOR} : 0u;
    if ((layout & 0xFFu) == 12)
        caps |= KMX_CAP_DEPTH12;
    else if ((layout & 0xFFu) == 10)
        caps |= KMX_CAP_DEPTH10;
    if (!describe_format(r.reserved[rw_format], caps, l))
        return false;
    l.width = r.reserved[rw_width];
    l.height = r.reserved[rw_height];
    return fits(r, l) && l.bytes() == r.reserved[rw_bytes];
}

int assign_buffers_locked(Ccamera& c, kmx_frame_t* records, unsigned count)
{
    if (!records || count == 0)
        return KMX_ERR_BAD_ARGUMENT;
    release_buffers_locked(c);
    c.records = records;
    c.record_count = count;
    return KMX_OK;
}

int release_buffers_locked(Ccamera& c)
{
    // A frame headed for one of these records has nowhere to go.
    if (c.job.active && c.job.assigned_index >= 0) {
        c.job.active = false;
        ++c.stats[stat_frames_aborted];
    }
    c.records = nullptr;
    c.record_count = 0;
    return KMX_OK;
}

int start_frame_locked(Ccamera& c, kmx_frame_t* record, int index)
{
    if (!fits(*record, current_layout(c)))
        return KMX_ERR_BUFFER_TOO_SMALL;
    // Starting over a frame in progress abandons it, as a real camera
    // restarts its readout.
    if (c.job.active)
        ++c.stats[stat_frames_aborted];
    const uint64_t now = now_us_locked();
    c.job = Cjob{true, record, index, now, now + frame_length_us(c), 0};
    ++c.stats[stat_frames_started];
    return KMX_OK;
}

int check_complete_locked(Ccamera& c, bool stream, bool keep_going, bool& delivered)
{
    delivered = false;
    if (!c.job.active)
        return KMX_ERR_STATE;
    if (!job_done_locked(c))
        return KMX_FRAME_BUSY;
    int next_index = -1;
    kmx_frame_t* next = stream && keep_going ? successor(c, next_index) : nullptr;
    const int status = deliver_locked(c);
    delivered = status == KMX_OK;
    if (status == KMX_OK && next)
        start_frame_locked(c, next, next_index);
    return status;
}

void fault_on_check_locked(Ccamera& c, int status)
{
    if (status == KMX_OK || status == KMX_FRAME_BUSY || !c.job.active)
        return;
    c.job.active = false;
    ++c.stats[stat_frames_failed];
}

int abort_frame_locked(Ccamera& c)
{
    if (c.job.active) {
        c.job.active = false;
        ++c.stats[stat_frames_aborted];
    }
    return KMX_OK;
}

void render_frame(Ccamera& c, const Clayout& l, uint32_t frame, unsigned char* buffer)
{
    if (c.params[KMX_PARAM_TEST_MODE]) {
        render_test_pattern(c, l, buffer);
        return;
    }
    auto tables = std::make_unique<Ctables>();
    const auto& script = state().script;
    if (!script.empty()) {
        build_output_table(c, l, false, *tables);
        render_flat(*tables, l, script[frame % script.size()], buffer);
        return;
    }
    const bool colour = (c.desc.caps & KMX_CAP_COLOR) != 0;
    build_sensor_tables(c, colour, *tables);
    build_output_table(c, l, true, *tables);
    render_scene(c, l, frame, *tables, buffer);
}

} // namespace kmxsim
