// SPDX-License-Identifier: Apache-2.0
// Internal state of the simulated camera library: the registry of virtual
// cameras, the open cameras, the call record, the faults and the clock.
//
// One mutex guards all of it. Entry points take it through Centry; helpers
// named *_locked expect it held. User callbacks are never called with it
// held.
#ifndef KMXSIM_SIM_STATE_H
#define KMXSIM_SIM_STATE_H

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <vector>

#include "kmxcore/camera/exposure_curve.h"
#include "kmxlib/support/camera_lists.h"
#include "kmxlib/support/exposure_table.h"
#include "kmxsim_control.h"
#include "sim_scene.h"

namespace kmxsim {

constexpr unsigned lut_length = 256;
constexpr unsigned max_script_values = 64;
constexpr unsigned max_prerendered_frames = 64;
constexpr uint32_t camera_magic = 0x4B4D5843u; // "KMXC"

// Statistics of an open camera, by the id given to kmx_get_stat.
enum stat_id : unsigned {
    stat_frames_started = 0,
    stat_frames_delivered = 1,
    stat_frames_failed = 2,   // lost to a transfer error or a too small buffer
    stat_frames_aborted = 3,
    stat_count = 4
};

// The frame the camera is acquiring.
struct Cjob {
    bool active = false;
    kmx_frame_t* record = nullptr;
    int assigned_index = -1;   // -1: a record given to kmx_start_frame
    uint64_t start_us = 0;
    uint64_t end_us = 0;
    unsigned busy_polls = 0;
};

// Frames rendered once and delivered by copying (kmxsim_prerender_frames).
struct Cprerendered {
    std::vector<unsigned char> key;     // what they were rendered for
    std::vector<unsigned char> frames;  // `count` frames of `bytes` each
    size_t bytes = 0;
    unsigned count = 0;
};

struct Ccamera {
    uint32_t magic = camera_magic;
    unsigned slot = 0;
    kmxsim_camera_desc desc{};
    uint32_t params[KMXSIM_PARAM_IDS]{};
    double gamma = 1.0;
    uint8_t lut[lut_length]{};
    kmx_frame_t* records = nullptr;
    unsigned record_count = 0;
    Cjob job;
    uint32_t delivered = 0;            // frames delivered since open
    uint32_t stats[stat_count]{};
    kmx_event_callback event_callback = nullptr;
    uintptr_t event_context = 0;
    Cscene scene;                      // cached at the current readout size
    Cprerendered prerendered;
};

struct Cfault {
    bool armed = false;
    int status = 0;
    unsigned times = 0;   // 0: without end
    unsigned skip = 0;
    unsigned calls = 0;   // calls seen since armed
};

struct Cstate {
    std::mutex mutex;
    std::vector<kmxsim_camera_desc> cameras;
    std::vector<std::unique_ptr<Ccamera>> open_cameras;
    kmxsupport::Ccamera_lists lists;   // handed out by kmx_list
    bool instance_open = false;
    bool recording = false;
    std::vector<kmxsim_call> calls;
    Cfault faults[KMXSIM_FN_COUNT];
    bool virtual_clock = false;
    unsigned polls_per_frame = 0;
    uint64_t virtual_now_us = 0;
    std::vector<uint32_t> script;
    unsigned prerendered = 0;          // frames each camera renders once; 0: none
};

Cstate& state();

// Resets everything; expects the lock held.
void reset_locked();

// The open camera behind a handle, or null (a stale or foreign handle is
// never dereferenced: it is looked up by address).
Ccamera* find_camera_locked(const kmx_camera_t* handle);
bool camera_open_locked(unsigned slot);
// Converts an open camera into the contract's handle and back.
kmx_camera_t* to_handle(Ccamera* camera);
kmx_instance_t* instance_handle();

uint64_t now_us_locked();

// Camera lists handed out by kmx_list; dispose answers false for an
// address that is not one of them.
void* make_camera_list_locked();
bool dispose_camera_list_locked(void* object);

// One contract call: takes the lock, applies a fault, records the call
// with its status when it ends, and logs it (category sim) once the lock is
// let go, so that a log callback may call into the simulator.
class Centry {
public:
    Centry(kmxsim_fn fn, const void* handle, std::initializer_list<uint64_t> args);
    ~Centry();
    Centry(const Centry&) = delete;
    Centry& operator=(const Centry&) = delete;

    // True when a fault answers this call; status() is then the answer.
    bool faulted() const { return faulted_; }
    int fault_status() const { return fault_status_; }
    int finish(int status);
    void set_fvalue(double value) { call_.fvalue = value; }
    // Lets the lock go around a user callback.
    void unlock() { lock_.unlock(); }
    void relock() { lock_.lock(); }

private:
    std::unique_lock<std::mutex> lock_;
    kmxsim_call call_{};
    bool finished_ = false;
    bool faulted_ = false;
    int fault_status_ = 0;
};

inline uint64_t addr(const void* p) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)); }

// Integer parameter helpers (sim_params.cpp).
void init_params(Ccamera& camera);
int get_param_locked(const Ccamera& camera, unsigned id, unsigned* value);
int get_param_limit_locked(const Ccamera& camera, unsigned id, int which, unsigned* value);
int set_param_locked(Ccamera& camera, unsigned id, unsigned value);
bool param_id_known(unsigned id);

// Conversions (sim_params.cpp).
using kmxsupport::exposure_index;
using kmxsupport::exposure_value;
double gain_value(unsigned index);
unsigned gain_index(double value);
double bl_value(unsigned index);
unsigned bl_index(double value);
double wb_value(unsigned index);
unsigned wb_index(double value);
double gamma_value(unsigned index);
unsigned gamma_index(double value);
using kmxsupport::max_exposure_index;

// Exposure of a camera in microseconds, within its limits.
uint32_t exposure_us(const Ccamera& camera);

} // namespace kmxsim

struct kmx_camera : kmxsim::Ccamera {};

#endif
