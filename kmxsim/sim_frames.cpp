// SPDX-License-Identifier: Apache-2.0
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
#include "sim_kernels.h"

namespace kmxsim {

namespace {

constexpr unsigned sensor_depth = 12;
static_assert(sensor_max == (1 << sensor_depth) - 1, "the kernels clamp to the sensor's depth");
constexpr double read_noise = 3.0;
// Sensor units per photo-electron: sets the photon noise.
constexpr double units_per_electron = 4.0;
constexpr double reference_exposure_us = 1000.0;
constexpr double bl_units_per_index = 4.0;      // index / 4 in 8-bit units
constexpr double boost_factor = 1.25;
constexpr double neutral_contrast = 127.0;
// Colour sensitivities: the colour filters pass less light (the default
// gain index 404 instead of the monochrome camera's 281 makes up for it),
// and the default white-balance gains (40, 32, 44) with both boosts on
// make grey neutral.
constexpr double colour_filter_loss = 0.7170;  // 2^((281 - 404) / 256)
constexpr double channel_sensitivity[3] = {colour_filter_loss * 32.0 / (40.0 * boost_factor),
                                           colour_filter_loss,
                                           colour_filter_loss * 32.0 / (44.0 * boost_factor)};
constexpr unsigned frame_period_ms[5] = {66, 33, 25, 20, 16};

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

// Sensor means are kept in 16 bits: this far past full scale the widest
// noise can no longer bring a pixel back below it.
constexpr double mean_limit = 16383.0;
// A deviate times the spread, shifted down 16 bits, is the noise in
// sensor units.
constexpr double spread_per_unit = 65536.0 / gaussian_sigma;
constexpr double sigma_limit = 32767.0 / spread_per_unit;
constexpr unsigned fourth_byte = 3;   // the unused byte of 32-bit pixels

// Which scene component an output sample shows: the mosaic colour in raw
// output, the unused fourth byte, or the colour in the format's order.
// Monochrome output of a colour camera shows component 0.
unsigned sample_component(const Clayout& l, unsigned k, unsigned x, unsigned y)
{
    if (l.format == KMX_FORMAT_RAW)
        return l.colour ? bayer_component(x, y) : 0;
    if (k == fourth_byte)
        return fourth_byte;
    return l.reversed ? 2 - k : k;
}

// The sensor's response to a scene level: mean and noise width in sensor
// units.
struct Csensor_model {
    double gain = 1.0;
    double black = 0.0;
    double per_level[3] = {0, 0, 0};

    Csensor_model(const Ccamera& c, bool colour)
    {
        const double exposure = exposure_us(c) / reference_exposure_us;
        gain = gain_value(c.params[KMX_PARAM_GAIN]);
        black = c.params[KMX_PARAM_BL] * bl_units_per_index;
        for (unsigned comp = 0; comp < 3; ++comp)
            per_level[comp] = exposure * gain * channel_factor(c, comp, colour) * signal_per_level;
    }
    double mean(unsigned level, unsigned comp) const { return level * per_level[comp] + black; }
    double sigma(unsigned level, unsigned comp) const
    {
        // Photon noise grows with the light collected and is then
        // amplified by the gain; read noise stays.
        const double electrons = level * per_level[comp] / (gain * units_per_electron);
        return std::sqrt(electrons) * gain * units_per_electron + read_noise;
    }
};

// Sensor value (12 bits) to output sample: 8-bit output goes through
// gamma, contrast and the look-up table, deeper output keeps the top
// bits; inversion last.
void build_output_table(const Ccamera& c, const Clayout& l, bool sensor_input, uint16_t* output)
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
        output[v] = static_cast<uint16_t>(invert ? max_out - out : out);
    }
}

// Whether the output table is the plain shift min((v + rounding) >> shift,
// top), inverted as top minus that when asked, for every sensor value;
// then the frames compute it instead of looking it up.
bool table_is_shift(const std::vector<uint16_t>& output, int rounding, int shift, bool invert)
{
    const int top = sensor_max >> shift;
    for (int v = 0; v <= sensor_max; ++v) {
        const int out = std::min((v + rounding) >> shift, top);
        if ((invert ? top - out : out) != output[v])
            return false;
    }
    return true;
}

// Decides how samples leave the sensor; returns the rounding to fold
// into the means.
int choose_output(const Ccamera& c, const Clayout& l, Crender_cache& r)
{
    r.output.assign(sensor_max + 1, 0);
    build_output_table(c, l, true, r.output.data());
    r.shift = static_cast<int>(sensor_depth - l.depth);
    r.invert = c.params[KMX_PARAM_INVERT] != 0;
    // The kernels know the shifts of 12-, 10- and 8-bit output.
    const bool known_shift = r.shift == 0 || r.shift == 2 || r.shift == 4;
    const int half = r.shift ? 1 << (r.shift - 1) : 0;
    for (int rounding : {half, 0}) {
        if (known_shift && table_is_shift(r.output, rounding, r.shift, r.invert)) {
            r.linear = true;
            return rounding;
        }
    }
    r.linear = false;
    return 0;
}

std::vector<unsigned char> settings_key(const Ccamera& c, const Clayout& l)
{
    std::vector<unsigned char> key;
    auto append = [&key](const void* data, size_t bytes) {
        const auto* b = static_cast<const unsigned char*>(data);
        key.insert(key.end(), b, b + bytes);
    };
    append(c.params, sizeof c.params);
    append(&c.gamma, sizeof c.gamma);
    append(c.lut, sizeof c.lut);
    const uint32_t readout[3] = {l.width, l.height, l.format};
    append(readout, sizeof readout);
    return key;
}

// Fills the per-sample means and noise widths of every distinct row and
// of the disc row, for each mosaic parity.
void build_sensor_rows(const Ccamera& c, const Clayout& l, int rounding, Crender_cache& r)
{
    const Cscene& s = c.scene;
    const bool colour = (c.desc.caps & KMX_CAP_COLOR) != 0;
    const Csensor_model model(c, colour);
    const unsigned components = l.format == KMX_FORMAT_RAW ? 1 : l.components;
    r.row_samples = static_cast<size_t>(l.width) * components;
    r.parities = l.format == KMX_FORMAT_RAW && l.colour ? 2 : 1;
    r.disc_row = s.distinct_rows();
    const size_t total = (r.disc_row + 1) * r.parities * r.row_samples;
    r.mean.assign(total, 0);
    r.spread.assign(total, 0);
    r.scratch.assign(r.row_samples, 0);
    for (size_t row = 0; row <= r.disc_row; ++row) {
        const uint16_t* levels = row < r.disc_row ? &s.rows[row * s.row_samples()] : nullptr;
        for (unsigned parity = 0; parity < r.parities; ++parity) {
            size_t i = (row * r.parities + parity) * r.row_samples;
            for (unsigned x = 0; x < l.width; ++x) {
                for (unsigned k = 0; k < components; ++k, ++i) {
                    const unsigned comp = sample_component(l, k, x, parity);
                    if (comp == fourth_byte)
                        continue;
                    const unsigned level =
                        levels ? levels[static_cast<size_t>(x) * s.components() + (s.colour ? comp : 0)]
                               : disc_level;
                    const double mean = std::min(model.mean(level, comp), mean_limit);
                    const double sigma = std::min(model.sigma(level, comp), sigma_limit);
                    r.mean[i] = static_cast<int16_t>(static_cast<int>(mean) + rounding);
                    r.spread[i] = static_cast<int16_t>(std::lround(sigma * spread_per_unit));
                }
            }
        }
    }
}

void refresh_sensor_cache(const Ccamera& c, const Clayout& l, Crender_cache& r)
{
    std::vector<unsigned char> key = settings_key(c, l);
    if (key == r.key && !r.mean.empty())
        return;
    const int rounding = choose_output(c, l, r);
    build_sensor_rows(c, l, rounding, r);
    r.key = std::move(key);
}

// The kernels work in 16-bit lanes. A mean below mean_limit, with at most
// 8 of rounding folded in, plus noise of under 4 sigma (the deviates, sums
// of four uniform ones, stay within 2 * sqrt(3) sigma) fits them.
static_assert(mean_limit + 8 + 4 * sigma_limit < 32767, "noisy sensor values fit 16 bits");

// One output row. Samples [disc_from, disc_to) show the disc. The noise
// is read in runs from random places in the deviate table, one random
// word giving two starts: far cheaper than a draw per sample, and as
// independent between frames, rows and runs.
struct Crow {
    size_t scene_row;
    unsigned parity;
    size_t disc_from, disc_to;
};

void render_row(Crender_cache& r, const Clayout& l, const Crow& row, Cxorshift& rng,
                unsigned char* out)
{
    const Csim_kernels& kernels = sim_kernels();
    const int16_t* table = gaussian_table();
    constexpr uint32_t start_mask = gaussian_table_size - 1;
    const Cshift_output how{r.shift, r.invert, l.sample_bytes == 2};
    uint32_t bits = 0;
    for (size_t run = 0, runs = 0; run < r.row_samples; run += gaussian_run, ++runs) {
        bits = (runs & 1) ? bits >> 16 : rng.next();
        const int16_t* noise = table + (bits & start_mask);
        const size_t run_end = std::min(run + gaussian_run, r.row_samples);
        for (size_t a = run; a < run_end;) {
            const bool disc = a >= row.disc_from && a < row.disc_to;
            const size_t b = std::min(run_end, disc ? row.disc_to
                                                    : a < row.disc_from ? row.disc_from
                                                                        : run_end);
            const size_t source = disc ? r.disc_row : row.scene_row;
            const int16_t* mean = r.mean_row(source, row.parity) + a;
            const int16_t* spread = r.spread_row(source, row.parity) + a;
            const int16_t* deviates = noise + (a - run);
            if (r.linear)
                kernels.shifted(mean, spread, deviates, b - a, how, out + a * l.sample_bytes);
            else
                kernels.sensor(mean, spread, deviates, b - a, &r.scratch[a]);
            a = b;
        }
    }
    if (!r.linear) {
        // 16-bit samples go out little-endian whatever the host.
        const uint16_t* output = r.output.data();
        if (how.wide) {
            for (size_t i = 0; i < r.row_samples; ++i) {
                const uint16_t v = output[r.scratch[i]];
                out[2 * i] = static_cast<unsigned char>(v & 0xFF);
                out[2 * i + 1] = static_cast<unsigned char>(v >> 8);
            }
        } else {
            for (size_t i = 0; i < r.row_samples; ++i)
                out[i] = static_cast<unsigned char>(output[r.scratch[i]]);
        }
    }
    if (l.format != KMX_FORMAT_RAW && l.components > fourth_byte)
        for (size_t i = fourth_byte; i < r.row_samples; i += l.components)
            out[i] = 0;
}

// The samples of row y that the disc covers, as [from, to); empty when
// it misses the row.
void disc_span(const Cdisc& disc, unsigned y, const Clayout& l, size_t components, Crow& row)
{
    row.disc_from = row.disc_to = 0;
    const int dy = static_cast<int>(y) - disc.cy;
    if (dy * dy > disc.radius * disc.radius)
        return;
    const int half = static_cast<int>(std::sqrt(double(disc.radius * disc.radius - dy * dy)));
    const int x0 = std::max(disc.cx - half, 0);
    const int x1 = std::min(disc.cx + half, static_cast<int>(l.width) - 1);
    if (x0 > x1)
        return;
    row.disc_from = static_cast<size_t>(x0) * components;
    row.disc_to = static_cast<size_t>(x1 + 1) * components;
}

void render_test_pattern(const Ccamera& c, const Clayout& l, unsigned char* p)
{
    const bool invert = c.params[KMX_PARAM_INVERT] != 0;
    const unsigned max_out = (1u << l.depth) - 1;
    for (unsigned y = 0; y < l.height; ++y) {
        for (unsigned x = 0; x < l.width; ++x) {
            for (unsigned k = 0; k < l.components; ++k) {
                const unsigned comp = sample_component(l, k, x, y);
                unsigned v = comp == fourth_byte ? 0 : test_pattern(x, y, comp, l.depth);
                if (invert && comp != fourth_byte)
                    v = max_out - v;
                put_sample(p, v, l.sample_bytes);
            }
        }
    }
}

void render_flat(const Ccamera& c, const Clayout& l, uint32_t value, unsigned char* p)
{
    std::vector<uint16_t> output(sensor_max + 1);
    build_output_table(c, l, false, output.data());
    const unsigned v = output[std::min<uint32_t>(value, sensor_max)];
    const uint64_t pixels = static_cast<uint64_t>(l.width) * l.height;
    for (uint64_t i = 0; i < pixels; ++i)
        for (unsigned k = 0; k < l.components; ++k)
            put_sample(p, k == fourth_byte ? 0 : v, l.sample_bytes);
}

// The scene with photon noise. The disc is a brighter level drawn over
// the chart on the rows it covers.
void render_scene(Ccamera& c, const Clayout& l, uint32_t frame, unsigned char* p)
{
    const bool colour = (c.desc.caps & KMX_CAP_COLOR) != 0;
    c.scene.build(l.width, l.height, colour);
    Crender_cache& r = c.scene.sensor;
    refresh_sensor_cache(c, l, r);
    Cxorshift rng{0x1234567u ^ (frame * 2654435761u) ^ (c.slot << 20) ^ 1u};
    const Cdisc disc = moving_disc(l.width, l.height, frame);
    const size_t components = r.row_samples / l.width;
    const size_t row_bytes = r.row_samples * l.sample_bytes;
    for (unsigned y = 0; y < l.height; ++y) {
        Crow row{c.scene.row_of[y], r.parities == 2 ? (y & 1) : 0u, 0, 0};
        disc_span(disc, y, l, components, row);
        render_row(r, l, row, rng, p + row_bytes * y);
    }
}

} // namespace

void mark_delivered(kmx_frame_t& r, const Clayout& l, uint32_t sequence)
{
    // The phase stays unrecorded: every mosaic of the simulator is RGGB.
    const auto words = kmxsupport::record_words(l, sequence, kmxsupport::Ebayer::none);
    kmxsupport::write_record_words(r, frame_tag, words);
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
    kmxsupport::Crecord_words w;
    if (!kmxsupport::read_record_words(r, frame_tag, w))
        return false;
    // The depth of raw frames and whether they are a mosaic come from the
    // layout word, the rest from the format code.
    uint32_t caps = w.colour ? uint32_t{KMX_CAP_COLOR} : 0u;
    if (w.depth == 12)
        caps |= KMX_CAP_DEPTH12;
    else if (w.depth == 10)
        caps |= KMX_CAP_DEPTH10;
    if (!describe_format(w.format, caps, l))
        return false;
    l.width = w.width;
    l.height = w.height;
    return fits(r, l) && l.bytes() == w.bytes;
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

namespace {

void render_live(Ccamera& c, const Clayout& l, uint32_t frame, unsigned char* buffer)
{
    if (c.params[KMX_PARAM_TEST_MODE]) {
        render_test_pattern(c, l, buffer);
        return;
    }
    const auto& script = state().script;
    if (!script.empty()) {
        render_flat(c, l, script[frame % script.size()], buffer);
        return;
    }
    render_scene(c, l, frame, buffer);
}

// Renders the pre-rendered frames again when what they show has changed.
void refresh_prerendered(Ccamera& c, const Clayout& l, unsigned count)
{
    Cprerendered& p = c.prerendered;
    std::vector<unsigned char> key = settings_key(c, l);
    const auto& script = state().script;
    const auto* script_bytes = reinterpret_cast<const unsigned char*>(script.data());
    key.insert(key.end(), script_bytes, script_bytes + script.size() * sizeof(uint32_t));
    if (key == p.key && count == p.count)
        return;
    p.bytes = static_cast<size_t>(l.bytes());
    p.count = count;
    p.frames.resize(p.bytes * count);
    for (unsigned i = 0; i < count; ++i)
        render_live(c, l, i, p.frames.data() + p.bytes * i);
    p.key = std::move(key);
}

} // namespace

void render_frame(Ccamera& c, const Clayout& l, uint32_t frame, unsigned char* buffer)
{
    const unsigned count = state().prerendered;
    if (count == 0) {
        render_live(c, l, frame, buffer);
        return;
    }
    refresh_prerendered(c, l, count);
    const Cprerendered& p = c.prerendered;
    std::memcpy(buffer, p.frames.data() + p.bytes * (frame % count), p.bytes);
}

} // namespace kmxsim
