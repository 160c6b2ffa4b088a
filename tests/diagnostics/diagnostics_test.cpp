// SPDX-License-Identifier: Apache-2.0
// The diagnostics channel: KMX_LOG lists, the checked camera-library calls
// with the thread's last failure, the simulator's messages reaching the
// application's callback, the C++ handler, and logging from threads while
// the receiver changes.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kmxcore/capture/capture.h"
#include "kmxcore/diagnostics.h"
#include "kmxcore/settings/cam_settings.h"
#include "kmx_test_support.h"

namespace {

struct Cline {
    kmx_log_category category;
    kmx_log_level level;
    std::string message;
};

// Collects what the channel delivers while it is alive, then restores the
// thresholds and stderr.
class Clog_capture {
public:
    Clog_capture()
    {
        kmx_log_set_level(KMX_LOG_CATEGORIES, KMX_LOG_ERROR);
        kmx_log_set_callback(&Clog_capture::receive, this);
    }
    ~Clog_capture()
    {
        kmx_log_set_callback(nullptr, nullptr);
        kmx_log_set_level(KMX_LOG_CATEGORIES, KMX_LOG_ERROR);
    }
    Clog_capture(const Clog_capture&) = delete;
    Clog_capture& operator=(const Clog_capture&) = delete;

    std::vector<Cline> lines()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return received;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(mutex);
        received.clear();
    }
    // The lines of a category and level that contain a piece of text.
    size_t count(kmx_log_category category, kmx_log_level level, const std::string& piece)
    {
        size_t n = 0;
        for (const Cline& line : lines())
            n += line.category == category && line.level == level &&
                 line.message.find(piece) != std::string::npos;
        return n;
    }

private:
    static void receive(void* user, kmx_log_category category, kmx_log_level level,
                        const char* message)
    {
        auto* self = static_cast<Clog_capture*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->received.push_back({category, level, message});
    }

    std::mutex mutex;
    std::vector<Cline> received;
};

std::string last_failure_text(int* status = nullptr)
{
    char text[256] = {};
    const int answered = kmx_last_camera_failure(text, sizeof text);
    if (status != nullptr)
        *status = answered;
    return text;
}

class Cdiagnostics : public kmx_test::Ccamera_test {
protected:
    void SetUp() override
    {
        Ccamera_test::SetUp();
        open_preset(device, KMXSIM_PRESET_MONO);
        kmx_clear_camera_failure();
    }
    void TearDown() override
    {
        device.close();
        Ccamera_test::TearDown();
    }

    Cdevice device;
};

TEST(Log_configuration, ListsApplyInOrderAndCountWhatTheyIgnore)
{
    const struct {
        const char* spec;
        int ignored;
        kmx_log_level camera, capture, sim;
    } cases[] = {
        {"debug", 0, KMX_LOG_DEBUG, KMX_LOG_DEBUG, KMX_LOG_DEBUG},
        {"capture:debug,camera:warn", 0, KMX_LOG_WARN, KMX_LOG_DEBUG, KMX_LOG_ERROR},
        {" warn , sim : off ", 0, KMX_LOG_WARN, KMX_LOG_WARN, KMX_LOG_OFF},
        {"info,camera:error,*:debug", 0, KMX_LOG_DEBUG, KMX_LOG_DEBUG, KMX_LOG_DEBUG},
        {"all:warning,capture:info", 0, KMX_LOG_WARN, KMX_LOG_INFO, KMX_LOG_WARN},
        {"camera:loud,lens:debug,capture:info,,", 2, KMX_LOG_ERROR, KMX_LOG_INFO, KMX_LOG_ERROR},
        {"Debug", 1, KMX_LOG_ERROR, KMX_LOG_ERROR, KMX_LOG_ERROR},
        {"", 0, KMX_LOG_ERROR, KMX_LOG_ERROR, KMX_LOG_ERROR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec);
        kmx_log_set_level(KMX_LOG_CATEGORIES, KMX_LOG_ERROR);
        EXPECT_EQ(kmx_log_configure(c.spec), c.ignored);
        EXPECT_EQ(kmx_log_get_level(KMX_LOG_CAMERA), c.camera);
        EXPECT_EQ(kmx_log_get_level(KMX_LOG_CAPTURE), c.capture);
        EXPECT_EQ(kmx_log_get_level(KMX_LOG_SIM), c.sim);
    }
    // Every category by the name the list uses, and nothing else moves.
    for (int category = 0; category < KMX_LOG_CATEGORIES; ++category) {
        const auto which = static_cast<kmx_log_category>(category);
        kmx_log_set_level(KMX_LOG_CATEGORIES, KMX_LOG_ERROR);
        const std::string item = std::string(kmx_log_category_name(which)) + ":" +
                                 kmx_log_level_name(KMX_LOG_INFO);
        EXPECT_EQ(kmx_log_configure(item.c_str()), 0) << item;
        for (int other = 0; other < KMX_LOG_CATEGORIES; ++other)
            EXPECT_EQ(kmx_log_get_level(static_cast<kmx_log_category>(other)),
                      other == category ? KMX_LOG_INFO : KMX_LOG_ERROR)
                << item;
    }
    EXPECT_EQ(kmx_log_configure(nullptr), 0);
    EXPECT_EQ(kmx_log_get_level(static_cast<kmx_log_category>(99)), KMX_LOG_OFF);
    kmx_log_set_level(KMX_LOG_CATEGORIES, KMX_LOG_ERROR);
}

// A failing call is logged once at warn with its name, arguments and
// status, and becomes the thread's last failure; the caller gets the
// camera library's status unchanged. Success and the expected answers of
// polls and stopped procedures are no failures.
TEST_F(Cdiagnostics, FailingCallsAreNamedWithArgumentsAndStatus)
{
    Clog_capture log;
    kmx_log_configure("camera:warn");

    EXPECT_EQ(device.set_param(KMX_PARAM_GAIN, 99999), KMX_ERR_BAD_ARGUMENT);
    EXPECT_EQ(log.count(KMX_LOG_CAMERA, KMX_LOG_WARN,
                        ", 0, 99999) failed: status 2 (KMX_ERR_BAD_ARGUMENT)"),
              1u);
    int status = 0;
    const std::string failed = last_failure_text(&status);
    EXPECT_EQ(status, KMX_ERR_BAD_ARGUMENT);
    EXPECT_EQ(failed.rfind("kmx_set_param(0x", 0), 0u) << failed;
    EXPECT_NE(failed.find(", 0, 99999)"), std::string::npos) << failed;

    // A success leaves the last failure alone and writes nothing at warn.
    log.clear();
    EXPECT_EQ(device.set_param(KMX_PARAM_GAIN, 1), KMX_OK);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(kmx_last_camera_failure(nullptr, 0), KMX_ERR_BAD_ARGUMENT);

    // An injected fault comes back as it is, named as well.
    kmxsim_fail(KMXSIM_FN_GET_INFO, KMX_ERR_INJECTED, 1, 0);
    unsigned caps = 0;
    EXPECT_EQ(device.get_info(KMX_INFO_CAPS, &caps), KMX_ERR_INJECTED);
    EXPECT_EQ(log.count(KMX_LOG_CAMERA, KMX_LOG_WARN, "kmx_get_info("), 1u);
    EXPECT_EQ(last_failure_text(&status).rfind("kmx_get_info(", 0), 0u);
    EXPECT_EQ(status, KMX_ERR_INJECTED);

    // A procedure ended through its callback is the caller's wish: info.
    log.clear();
    kmx_log_configure("camera:debug");
    kmx_clear_camera_failure();
    kmxsim_fail(KMXSIM_FN_AUTO_GAIN_INDEX, KMX_AUTO_ABORTED, 1, 0);
    EXPECT_EQ(device.auto_gain_index(0, nullptr, 0, 0, 10), KMX_AUTO_ABORTED);
    EXPECT_EQ(log.count(KMX_LOG_CAMERA, KMX_LOG_INFO, "kmx_auto_gain_index("), 1u);
    EXPECT_EQ(log.count(KMX_LOG_CAMERA, KMX_LOG_WARN, ""), 0u);
    EXPECT_EQ(kmx_last_camera_failure(nullptr, 0), 0);

    // "In progress" comes many times a frame: only the final answer of
    // each completion check is logged, at debug.
    log.clear();
    kmxsim_use_virtual_clock(1, 5);
    Ccam_settings settings;
    settings.init(device.get_camera_handle());
    Ccapture capture(&device);
    capture.init(&device, &settings);
    log.clear();
    ASSERT_EQ(capture.get_frame(), CAPTURE_OK);
    EXPECT_EQ(log.count(KMX_LOG_CAMERA, KMX_LOG_DEBUG, "kmx_check_for_complete("), 1u);
    EXPECT_EQ(log.count(KMX_LOG_CAMERA, KMX_LOG_DEBUG, "KMX_FRAME_BUSY"), 0u);
    EXPECT_EQ(kmx_last_camera_failure(nullptr, 0), 0);

    kmx_clear_camera_failure();
    EXPECT_EQ(last_failure_text(&status), "");
    EXPECT_EQ(status, 0);
}

// Once the instance is open the simulator writes through kmxcore's
// channel: kmxcore's thresholds decide and the application's callback
// receives its lines, which name the faults it injects.
TEST_F(Cdiagnostics, TheSimulatorWritesThroughTheApplicationsCallback)
{
    Clog_capture log;
    kmxsim_fail(KMXSIM_FN_GET_PARAM, KMX_ERR_INJECTED, 0, 0);
    unsigned value = 0;
    device.get_param(KMX_PARAM_GAIN, &value);
    EXPECT_EQ(log.count(KMX_LOG_SIM, KMX_LOG_INFO, ""), 0u) << "sim is at error";

    kmx_log_configure("sim:info");
    device.get_param(KMX_PARAM_GAIN, &value);
    EXPECT_EQ(log.count(KMX_LOG_SIM, KMX_LOG_INFO, "kmx_get_param(0x"), 1u);
    EXPECT_EQ(log.count(KMX_LOG_SIM, KMX_LOG_INFO, "= 12 (injected fault)"), 1u);
    EXPECT_EQ(log.count(KMX_LOG_CAMERA, KMX_LOG_WARN, ""), 0u) << "camera is at error";
}

// The C++ form keeps its handler alive while the library may call it and
// lets it go when it is replaced; a handler that calls back into the
// library is not entered again from inside itself.
TEST_F(Cdiagnostics, CxxHandlersAreReplacedAndNotReentered)
{
    kmx_log_configure("camera:warn");
    int first = 0;
    int second = 0;
    int depth = 0;
    int deepest = 0;
    kmx::set_log_handler([&](kmx_log_category category, kmx_log_level, const char*) {
        EXPECT_EQ(category, KMX_LOG_CAMERA);
        ++first;
    });
    device.set_param(KMX_PARAM_GAIN, 99999);
    kmx::set_log_handler([&](kmx_log_category, kmx_log_level, const char*) {
        ++second;
        ++depth;
        deepest = std::max(deepest, depth);
        // Logs again from inside the handler: that line goes to stderr.
        device.set_param(KMX_PARAM_BL, 99999);
        --depth;
    });
    device.set_param(KMX_PARAM_GAIN, 99999);
    kmx::set_log_handler({});
    device.set_param(KMX_PARAM_GAIN, 99999);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(deepest, 1);
    kmx_log_set_level(KMX_LOG_CATEGORIES, KMX_LOG_ERROR);
}

// Threads that fail calls while the receiver is replaced: every line is
// delivered whole to one receiver, and each thread keeps its own last
// failure.
TEST_F(Cdiagnostics, ThreadsKeepTheirOwnLastFailureWhileReceiversChange)
{
    kmx_log_configure("camera:warn");
    constexpr int calls_per_thread = 300;
    std::atomic<int> delivered{0};
    std::atomic<int> torn{0};
    std::atomic<bool> wrong_failure{false};
    const auto count_line = [&](kmx_log_category, kmx_log_level, const char* message) {
        delivered.fetch_add(1, std::memory_order_relaxed);
        if (std::string(message).find(") failed: status ") == std::string::npos)
            torn.fetch_add(1, std::memory_order_relaxed);
    };
    kmx::set_log_handler(count_line);

    Cdevice closed;  // its calls answer KMX_ERR_NULL_HANDLE
    const auto fail_repeatedly = [&](Cdevice& target, unsigned id, int expected) {
        unsigned value = 0;
        for (int i = 0; i < calls_per_thread; ++i) {
            target.get_param(id, &value);
            if (kmx_last_camera_failure(nullptr, 0) != expected)
                wrong_failure = true;
        }
    };
    std::thread open_camera(fail_repeatedly, std::ref(device), 999u, KMX_ERR_BAD_ARGUMENT);
    std::thread closed_camera(fail_repeatedly, std::ref(closed), KMX_PARAM_GAIN,
                              KMX_ERR_NULL_HANDLE);
    for (int i = 0; i < 50; ++i)
        kmx::set_log_handler(count_line);
    open_camera.join();
    closed_camera.join();
    kmx::set_log_handler({});

    EXPECT_FALSE(wrong_failure);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(delivered, 2 * calls_per_thread);
    EXPECT_EQ(kmx_last_camera_failure(nullptr, 0), 0) << "the test's own thread failed nothing";
    kmx_log_set_level(KMX_LOG_CATEGORIES, KMX_LOG_ERROR);
}

} // namespace
