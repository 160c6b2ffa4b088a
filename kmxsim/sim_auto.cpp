// SPDX-License-Identifier: Apache-2.0
// The automatic procedures: each reads the sensor out (without noise, so
// the result is repeatable), compares its mean with mid-grey (or its
// channels with one another, for white balance), corrects the camera and
// tries again until the picture is right or the bounds stop it. The
// progress callback runs between iterations, outside the lock; the final
// frame is delivered into the record when it fits.
#include <algorithm>
#include <cmath>
#include <vector>

#include "kmxlib/support/frame_copy.h"
#include "sim_frames.h"

namespace kmxsim {

namespace {

constexpr unsigned max_iterations = 40;
// Sensor units (12-bit): mid-grey and how close counts as there.
constexpr double target_level = 2048.0;
constexpr double tolerance = 0.03;
constexpr unsigned sample_step = 1;

struct Cmeans {
    double channel[3];
    double luma() const { return (channel[0] + channel[1] + channel[2]) / 3.0; }
};

// Mean sensor signal above the black level, per channel, over a region of
// the readout (sampled on a grid).
Cmeans measure(Ccamera& c, const RECT& region)
{
    const Clayout l = current_layout(c);
    const bool colour = (c.desc.caps & KMX_CAP_COLOR) != 0;
    c.scene.build(l.width, l.height, colour);
    Cmeans m{{0, 0, 0}};
    const double exposure = exposure_us(c) / 1000.0;
    const double gain = gain_value(c.params[KMX_PARAM_GAIN]);
    double sums[3] = {0, 0, 0};
    uint64_t n = 0;
    for (LONG y = region.top; y < region.bottom; y += sample_step) {
        for (LONG x = region.left; x < region.right; x += sample_step) {
            for (unsigned k = 0; k < 3; ++k)
                sums[k] += c.scene.at(static_cast<unsigned>(x), static_cast<unsigned>(y), k);
            ++n;
        }
    }
    for (unsigned k = 0; k < 3; ++k) {
        const double mean_level = n ? sums[k] / n : 0.0;
        // Not clipped at full scale: the procedures see how far over it
        // the picture is, so they converge from a saturated start too.
        m.channel[k] = mean_level * exposure * gain * channel_factor(c, k, colour) * signal_per_level;
    }
    return m;
}

bool close_to(double value, double target)
{
    return std::fabs(value - target) <= tolerance * target;
}

unsigned clamp_index(double v, unsigned lo, unsigned hi)
{
    if (!(v > lo))
        return lo;
    if (v >= hi)
        return hi;
    return static_cast<unsigned>(std::lround(v));
}

// One correction step; true when the picture is right or nothing can
// change any more.
bool correct(Ccamera& c, const Cauto_request& r, const Cmeans& m)
{
    if (r.kind == auto_kind::white_balance) {
        const double g = m.channel[1];
        if (g <= 0)
            return true;
        bool done = true;
        for (unsigned k : {0u, 2u}) {
            const unsigned id = KMX_PARAM_RED_GAIN + k;
            const kmxsim_range& range = c.desc.params[id];
            if (close_to(m.channel[k], g))
                continue;
            const double wanted = m.channel[k] > 0 ? c.params[id] * g / m.channel[k] : range.max;
            const unsigned next = clamp_index(wanted, range.min, range.max);
            if (next != c.params[id]) {
                c.params[id] = next;
                done = false;
            }
        }
        return done;
    }
    const double level = m.luma();
    if (close_to(level, target_level))
        return true;
    double factor = level > 0 ? target_level / level : 16.0;
    bool changed = false;
    if (r.kind == auto_kind::exposure || r.kind == auto_kind::exposure_gain) {
        const kmxsim_range& range = c.desc.params[KMX_PARAM_EXPOSURE];
        const double lo = std::max<double>(r.lowest_exposure, exposure_value(range.min));
        const double hi = std::min<double>(r.highest_exposure, exposure_value(range.max));
        const double old_value = exposure_us(c);
        const double wanted = std::clamp(old_value * factor, lo, std::max(lo, hi));
        const uint32_t next = exposure_value(exposure_index(static_cast<uint32_t>(wanted)));
        const uint32_t bounded = static_cast<uint32_t>(std::clamp<double>(next, lo, std::max(lo, hi)));
        if (bounded != c.params[KMX_PARAM_EXPOSURE]) {
            c.params[KMX_PARAM_EXPOSURE] = bounded;
            changed = true;
        }
        factor *= old_value / std::max(1.0, static_cast<double>(bounded));
    }
    if (r.kind == auto_kind::gain || r.kind == auto_kind::exposure_gain) {
        const kmxsim_range& range = c.desc.params[KMX_PARAM_GAIN];
        const unsigned lo = std::max(r.lowest_gain, range.min);
        const unsigned hi = std::max(lo, std::min(r.highest_gain, range.max));
        const double wanted = c.params[KMX_PARAM_GAIN] + 256.0 * std::log2(factor);
        const unsigned next = clamp_index(wanted, lo, hi);
        if (next != c.params[KMX_PARAM_GAIN]) {
            c.params[KMX_PARAM_GAIN] = next;
            changed = true;
        }
    }
    return !changed;
}

int validate(const Ccamera& c, const Cauto_request& r, const Clayout& l, RECT& region)
{
    if (r.kind == auto_kind::white_balance) {
        if (!(c.desc.caps & KMX_CAP_COLOR))
            return KMX_ERR_NOT_SUPPORTED;
        region = r.region;
        if (!kmxsupport::clip_to_frame(region, l.width, l.height))
            return KMX_ERR_BAD_ARGUMENT;
        return KMX_OK;
    }
    region = RECT{0, 0, static_cast<LONG>(l.width), static_cast<LONG>(l.height)};
    const bool uses_gain = r.kind == auto_kind::gain || r.kind == auto_kind::exposure_gain;
    const bool uses_exposure = r.kind != auto_kind::gain;
    if (uses_gain && r.lowest_gain > r.highest_gain)
        return KMX_ERR_BAD_ARGUMENT;
    if (uses_exposure && r.lowest_exposure > r.highest_exposure)
        return KMX_ERR_BAD_ARGUMENT;
    return KMX_OK;
}

// Delivers the settled picture into the record if it is large enough.
void deliver_final(Ccamera& c, kmx_frame_t* record)
{
    const Clayout l = current_layout(c);
    if (!record->buffer || l.bytes() > record->buffer_size)
        return;
    render_frame(c, l, c.delivered, static_cast<unsigned char*>(record->buffer));
    ++c.delivered;
    ++c.stats[stat_frames_delivered];
    mark_delivered(*record, l, c.delivered);
}

} // namespace

int run_auto(Centry& entry, kmx_camera_t* handle, const Cauto_request& r)
{
    Ccamera* c = find_camera_locked(handle);
    kmx_frame_t* record = r.record;
    if (!record) {
        if (!c->records || r.index >= c->record_count)
            return KMX_ERR_NO_BUFFERS;
        record = &c->records[r.index];
    }
    RECT region{};
    const int status = validate(*c, r, current_layout(*c), region);
    if (status != KMX_OK)
        return status;
    // The procedure owns the camera: no frame stays in progress. A
    // procedure ended through its callback leaves the parameters it works
    // on as it found them.
    abort_frame_locked(*c);
    uint32_t saved[KMX_PARAM_EXPOSURE + 1];
    std::copy(c->params, c->params + KMX_PARAM_EXPOSURE + 1, saved);
    for (unsigned iteration = 0; iteration < max_iterations; ++iteration) {
        if (correct(*c, r, measure(*c, region)))
            break;
        if (!r.callback)
            continue;
        entry.unlock();
        const int go_on = r.callback(handle, r.user);
        entry.relock();
        c = find_camera_locked(handle);
        if (!c)
            return KMX_ERR_NULL_HANDLE; // closed by the callback
        if (!go_on) {
            std::copy(saved, saved + KMX_PARAM_EXPOSURE + 1, c->params);
            return KMX_AUTO_ABORTED;
        }
    }
    if (!r.record && (!c->records || r.index >= c->record_count))
        return KMX_OK; // released by the callback: nothing to deliver into
    deliver_final(*c, r.record ? r.record : &c->records[r.index]);
    return KMX_OK;
}

} // namespace kmxsim
