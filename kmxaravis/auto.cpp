// SPDX-License-Identifier: Apache-2.0
// The automatic procedures: the camera's own where it has one, else a
// software loop on delivered frames.
#include "auto.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "frames.h"
#include "genicam.h"
#include "params.h"
#include "record.h"
#include "state.h"

namespace kmxaravis {

namespace {

constexpr auto poll_interval = std::chrono::milliseconds(1);
constexpr double max_step_factor = 16.0;
constexpr unsigned red = 0, green = 1, blue = 2;

bool close_to(double value, double target)
{
    return std::fabs(value - target) <= auto_tolerance * target;
}

// The parameters a procedure may change, as they were before it.
struct Csaved {
    unsigned gain = 0;
    unsigned exposure = 0;
    unsigned balance[3] = {0, 0, 0};
};

class Cprocedure {
public:
    Cprocedure(std::unique_lock<std::mutex>& lock, kmx_camera_t* handle, const Cauto_request& r)
        : lock_(lock), handle_(handle), r_(r)
    {
    }

    int run()
    {
        kmx_camera* c = camera();
        const int refused = validate(*c);
        if (refused != KMX_OK)
            return refused;
        abort_frame_locked(*c);
        save(*c);
        c->tone_off = true;
        int status = run_camera_or_software();
        c = camera();
        if (c == nullptr)
            return KMX_ERR_NULL_HANDLE;
        c->tone_off = false;
        if (status == KMX_AUTO_ABORTED)
            restore(*c);
        else if (status == KMX_OK)
            status = tone_final_frame(*c);
        return status;
    }

private:
    bool uses_gain() const { return r_.kind == Eauto::gain || r_.kind == Eauto::exposure_gain; }
    bool uses_exposure() const
    {
        return r_.kind == Eauto::exposure || r_.kind == Eauto::exposure_gain;
    }

    // The camera again after the lock was let go; null once it is closed.
    kmx_camera* camera() { return find_camera_locked(handle_); }

    kmx_frame_t* record(Ccamera& c) const
    {
        if (r_.record != nullptr)
            return r_.record;
        if (c.records == nullptr || r_.index >= c.record_count)
            return nullptr;
        return &c.records[r_.index];
    }
    int record_index() const { return r_.record != nullptr ? -1 : static_cast<int>(r_.index); }

    int validate(Ccamera& c)
    {
        const Cfeatures& f = c.features;
        if (record(c) == nullptr)
            return KMX_ERR_NO_BUFFERS;
        if (r_.kind == Eauto::white_balance) {
            if (!f.colour || (!(f.balance_ratio.present() && f.balance_selector) && !f.balance_auto))
                return KMX_ERR_NOT_SUPPORTED;
            Creadout readout;
            if (!current_readout(c, readout))
                return KMX_ERR_FORMAT;
            const Clayout l = readout.delivered();
            region_ = r_.region;
            if (!kmxsupport::clip_to_frame(region_, l.width, l.height))
                return KMX_ERR_BAD_ARGUMENT;
            return KMX_OK;
        }
        region_ = RECT{0, 0, std::numeric_limits<LONG>::max(), std::numeric_limits<LONG>::max()};
        if (uses_gain() && r_.lowest_gain > r_.highest_gain)
            return KMX_ERR_BAD_ARGUMENT;
        if (uses_exposure() && r_.lowest_exposure > r_.highest_exposure)
            return KMX_ERR_BAD_ARGUMENT;
        if (uses_gain() && !f.gain.present())
            return KMX_ERR_NOT_SUPPORTED;
        if (uses_exposure() && f.exposure.empty())
            return KMX_ERR_NOT_SUPPORTED;
        gain_low_ = std::min(r_.lowest_gain, f.gain.max_index());
        gain_high_ = std::min(r_.highest_gain, f.gain.max_index());
        exposure_low_ = std::max<double>(r_.lowest_exposure, f.exposure_min_us);
        exposure_high_ = std::max(exposure_low_, std::min<double>(r_.highest_exposure, f.exposure_max_us));
        return KMX_OK;
    }

    void save(Ccamera& c)
    {
        get_param_locked(c, KMX_PARAM_GAIN, &saved_.gain);
        get_param_locked(c, KMX_PARAM_EXPOSURE, &saved_.exposure);
        if (r_.kind == Eauto::white_balance)
            for (unsigned colour = 0; colour < 3; ++colour)
                read_balance_index(c, colour, saved_.balance[colour]);
    }

    void restore(Ccamera& c)
    {
        if (uses_gain())
            set_param_locked(c, KMX_PARAM_GAIN, saved_.gain);
        if (uses_exposure())
            set_param_locked(c, KMX_PARAM_EXPOSURE, saved_.exposure);
        if (r_.kind == Eauto::white_balance)
            for (unsigned colour = 0; colour < 3; ++colour)
                write_balance_index(c, colour, saved_.balance[colour]);
    }

    // One frame into the record, waiting with the lock let go.
    int take_frame()
    {
        kmx_camera* c = camera();
        kmx_frame_t* rec = record(*c);
        if (rec == nullptr)
            return KMX_ERR_NO_BUFFERS;
        int status = start_frame_locked(*c, rec, record_index());
        while (status == KMX_OK) {
            bool delivered = false;
            status = check_complete_locked(*c, false, false, delivered);
            if (status != KMX_FRAME_BUSY)
                return status;
            lock_.unlock();
            std::this_thread::sleep_for(poll_interval);
            lock_.lock();
            c = camera();
            if (c == nullptr)
                return KMX_ERR_NULL_HANDLE;
            if (!c->job.active)
                return KMX_ERR_STATE; // aborted from elsewhere
            status = KMX_OK;
        }
        return status;
    }

    // KMX_OK to go on, KMX_AUTO_ABORTED when the callback asks to stop.
    int progress()
    {
        if (r_.callback == nullptr)
            return KMX_OK;
        lock_.unlock();
        const int go_on = r_.callback(handle_, r_.user);
        lock_.lock();
        if (camera() == nullptr)
            return KMX_ERR_NULL_HANDLE;
        return go_on ? KMX_OK : KMX_AUTO_ABORTED;
    }

    bool measure(double means[3])
    {
        kmx_camera* c = camera();
        kmx_frame_t* rec = c != nullptr ? record(*c) : nullptr;
        return rec != nullptr && measure_means(*rec, region_, means);
    }

    std::vector<const char*> camera_procedures(const Cfeatures& f) const
    {
        std::vector<const char*> names;
        if (r_.kind == Eauto::white_balance && f.balance_auto)
            names.push_back("BalanceWhiteAuto");
        if (uses_exposure() && f.exposure_auto)
            names.push_back("ExposureAuto");
        if (uses_gain() && f.gain_auto)
            names.push_back("GainAuto");
        return names;
    }

    int run_camera_or_software()
    {
        kmx_camera* c = camera();
        const std::vector<const char*> names = camera_procedures(c->features);
        // The camera's own runs where it has every procedure asked for.
        const bool camera_has_all = !names.empty() && (r_.kind != Eauto::exposure_gain || names.size() == 2);
        if (camera_has_all) {
            bool finished = false;
            const int status = run_camera_procedure(names, finished);
            if (status != KMX_OK || finished)
                return status;
        }
        return r_.kind == Eauto::white_balance ? balance_loop() : level_loop();
    }

    int run_camera_procedure(const std::vector<const char*>& names, bool& finished)
    {
        const Cgenicam gc(camera()->arv);
        for (const char* name : names)
            gc.set_enum(name, "Once");
        int status = KMX_OK;
        for (unsigned frame = 0; frame < max_camera_auto_frames && status == KMX_OK; ++frame) {
            status = take_frame();
            if (status != KMX_OK)
                break;
            finished = std::all_of(names.begin(), names.end(), [&](const char* name) {
                std::string value;
                return Cgenicam(camera()->arv).get_enum(name, value) && value == "Off";
            });
            if (finished)
                break;
            status = progress();
        }
        if (kmx_camera* c = camera()) {
            // A camera whose procedure did not finish is switched back, and
            // the software loop takes over.
            if (!finished)
                for (const char* name : names)
                    Cgenicam(c->arv).set_enum(name, "Off");
            if (finished && status == KMX_OK)
                keep_within_limits(*c);
        }
        return status;
    }

    void keep_within_limits(Ccamera& c)
    {
        if (uses_gain()) {
            unsigned gain = 0;
            if (get_param_locked(c, KMX_PARAM_GAIN, &gain) == KMX_OK)
                set_param_locked(c, KMX_PARAM_GAIN, std::clamp(gain, gain_low_, gain_high_));
        }
        if (uses_exposure()) {
            unsigned exposure = 0;
            if (get_param_locked(c, KMX_PARAM_EXPOSURE, &exposure) == KMX_OK)
                set_param_locked(c, KMX_PARAM_EXPOSURE,
                                 static_cast<unsigned>(std::clamp<double>(exposure, exposure_low_, exposure_high_)));
        }
    }

    // Takes and measures frames while `correct` (given the means) sets
    // the next step's settings and answers true; stops early when the
    // callback asks to. After the last step one more frame shows its
    // settings.
    template <class F>
    int correction_loop(F correct)
    {
        for (unsigned step = 0; step < max_auto_steps; ++step) {
            const int status = take_frame();
            if (status != KMX_OK)
                return status;
            double means[3];
            if (!measure(means))
                return KMX_ERR_STATE;
            if (!correct(means))
                return KMX_OK;
            const int go_on = progress();
            if (go_on != KMX_OK)
                return go_on;
        }
        return take_frame();
    }

    // Exposure (and gain) towards mid-grey.
    int level_loop()
    {
        return correction_loop([this](const double means[3]) {
            const double level = (means[0] + means[1] + means[2]) / 3.0;
            return !close_to(level, auto_target_level) && correct_level(*camera(), level);
        });
    }

    bool correct_level(Ccamera& c, double level)
    {
        const bool too_dark = level < auto_target_level;
        if (r_.kind == Eauto::exposure)
            return step_exposure(c, level);
        if (r_.kind == Eauto::gain)
            return step_gain(c, too_dark);
        // Both: darker pictures take longer exposure before more gain,
        // brighter ones lose gain before exposure (less noise either way).
        if (too_dark)
            return step_exposure(c, level) || step_gain(c, too_dark);
        return step_gain(c, too_dark) || step_exposure(c, level);
    }

    bool step_exposure(Ccamera& c, double level)
    {
        unsigned current = 0;
        if (get_param_locked(c, KMX_PARAM_EXPOSURE, &current) != KMX_OK)
            return false;
        const double factor = std::clamp(auto_target_level / std::max(level, 1.0),
                                         1.0 / max_step_factor, max_step_factor);
        const double wanted = std::clamp(current * factor, exposure_low_, exposure_high_);
        const auto next = static_cast<unsigned>(std::lround(wanted));
        if (next == current)
            return false;
        return set_param_locked(c, KMX_PARAM_EXPOSURE, next) == KMX_OK;
    }

    // Gain by halving the interval that must hold the answer, whatever
    // the unit of the camera's gain.
    bool step_gain(Ccamera& c, bool too_dark)
    {
        unsigned current = 0;
        if (get_param_locked(c, KMX_PARAM_GAIN, &current) != KMX_OK)
            return false;
        unsigned next = std::clamp(current, gain_low_, gain_high_);
        if (next == current) {
            if (too_dark)
                gain_low_ = std::min(current + 1, gain_high_);
            else
                gain_high_ = current > gain_low_ ? current - 1 : gain_low_;
            next = too_dark ? (gain_low_ + gain_high_ + 1) / 2 : (gain_low_ + gain_high_) / 2;
            if (too_dark ? next <= current : next >= current)
                return false;
        }
        return set_param_locked(c, KMX_PARAM_GAIN, next) == KMX_OK;
    }

    // Red and blue ratios until their means meet green's.
    int balance_loop()
    {
        return correction_loop([this](const double means[3]) {
            const bool balanced = close_to(means[red], means[green]) && close_to(means[blue], means[green]);
            return means[green] > 0 && !balanced && correct_balance(*camera(), means);
        });
    }

    bool correct_balance(Ccamera& c, const double means[3])
    {
        const Cnumeric& ratio = c.features.balance_ratio;
        bool changed = false;
        for (unsigned colour : {red, blue}) {
            unsigned index = 0;
            if (close_to(means[colour], means[green]) || !read_balance_index(c, colour, index))
                continue;
            const double wanted = means[colour] > 0 ? ratio.value_of(index) * means[green] / means[colour]
                                                    : ratio.max;
            const unsigned next = ratio.index_of(wanted);
            if (next != index && write_balance_index(c, colour, next))
                changed = true;
        }
        return changed;
    }

    // The final frame was measured untoned; it leaves toned like any other.
    int tone_final_frame(Ccamera& c)
    {
        kmx_frame_t* rec = record(c);
        Clayout l;
        if (rec != nullptr && delivered_layout(*rec, l)) {
            apply_tone(l, tone_of(c), static_cast<uint8_t*>(rec->buffer));
        }
        return KMX_OK;
    }

    std::unique_lock<std::mutex>& lock_;
    kmx_camera_t* handle_;
    Cauto_request r_;
    RECT region_{};
    Csaved saved_;
    unsigned gain_low_ = 0;
    unsigned gain_high_ = 0;
    double exposure_low_ = 0;
    double exposure_high_ = 0;
};

} // namespace

int run_auto(std::unique_lock<std::mutex>& lock, kmx_camera_t* handle, const Cauto_request& request)
{
    Cprocedure procedure(lock, handle, request);
    return procedure.run();
}

} // namespace kmxaravis
