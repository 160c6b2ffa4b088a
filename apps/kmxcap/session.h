// SPDX-License-Identifier: Apache-2.0
// Csession: one open camera ready to capture: the library instance, the
// device, the settings record bound to the camera and changed through its
// setters from the flags, and the capture bound to both.
#ifndef KMXCAP_SESSION_H
#define KMXCAP_SESSION_H

#include <functional>

#include "kmxcore/camera/device.h"
#include "kmxcore/camera/kmx_interface.h"
#include "kmxcore/capture/capture.h"
#include "kmxcore/settings/cam_settings.h"
#include "options.h"
#include "patient_device.h"
#include "status.h"

namespace kmxcap {

// A capture that opens the protected multi-frame and deep operations to
// the tool, reports every frame they collect (for the progress bar), and
// can switch averaging to the clamped sum, which the settings record does
// not offer.
class Ctool_capture : public Ccapture {
public:
    using Ccapture::Ccapture;
    using frame_observer = std::function<void()>;

    int average_frames8(Cthread_state* state) { return process_multi_frame8(state); }
    int average_deep(unsigned depth, Cthread_state* state)
    {
        return process_multi_deep(depth, state);
    }
    // After setup(1, ...): mode 2, sums clamped to the component maximum.
    void use_clamped_sum() { average_opt = 2; }
    void observe_frames(frame_observer observer) { on_frame = std::move(observer); }

protected:
    using Ccapture::get_multi_deep;
    using Ccapture::get_multi_frame;
    int get_multi_frame(Cthread_state* state) override;
    int get_multi_deep(Cthread_state* state) override;

private:
    frame_observer on_frame;
};

// Why the camera library could not be opened, as the dispatch tells it.
std::string library_failure();
// Makes --camera-library the camera library of the run.
Cstatus select_camera_library(const Coptions& options);

class Csession {
public:
    Csession() = default;
    ~Csession();
    Csession(const Csession&) = delete;
    Csession& operator=(const Csession&) = delete;

    // Opens the library and the camera of the options (or the first one).
    Cstatus open(const Coptions& options);
    // Binds a settings record, applies the flags through its setters, and
    // binds the capture with it. settings_depth: the component depth the
    // settings record should deliver (8 for every 8-bit capture).
    Cstatus prepare(const Coptions& options, unsigned settings_depth);

    Cpatient_device& get_device() { return device; }
    Ctool_capture& get_capture() { return capture; }
    Ccam_settings& get_settings() { return settings; }
    bool colour() const { return device.get_camera_type() == 1; }
    // Whether the camera delivers components of this depth.
    bool offers_depth(unsigned depth) const;

    void close();

private:
    Ckmx_interface library;
    Cpatient_device device;
    Ccam_settings settings;
    Ctool_capture capture{&device};
    bool library_open = false;
};

} // namespace kmxcap

#endif
