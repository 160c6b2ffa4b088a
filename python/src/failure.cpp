// SPDX-License-Identifier: Apache-2.0
#include "failure.h"

#include <utility>

#include <kmxcore/capture/capture.h>
#include <kmxcore/diagnostics.h>

namespace kmx_python {

namespace {

struct Cresult_text {
    int result;
    const char* name;
    const char* meaning;
};

constexpr Cresult_text capture_results[] = {
    {CAPTURE_OK, "CAPTURE_OK", "done"},
    {CAPTURE_FAILED, "CAPTURE_FAILED", "the camera failed or the frame was abandoned"},
    {CAPTURE_ERROR_13, "CAPTURE_ERROR_13", "transfer error (status 13), retries used up"},
    {CAPTURE_STOPPED, "CAPTURE_STOPPED", "stopped"},
    {CAPTURE_ERROR_16, "CAPTURE_ERROR_16", "transfer error (status 16), retries used up"},
    {CAPTURE_NO_MEMORY, "CAPTURE_NO_MEMORY", "not enough memory for the sums"},
};

constexpr Cresult_text auto_results[] = {
    {CAPTURE_AUTO_DONE, "CAPTURE_AUTO_DONE", "done"},
    {CAPTURE_AUTO_STOPPED, "CAPTURE_AUTO_STOPPED", "stopped"},
    {CAPTURE_AUTO_FAILED, "CAPTURE_AUTO_FAILED", "the camera library failed"},
};

template <size_t N>
const Cresult_text* find_result(const Cresult_text (&table)[N], int result)
{
    for (const Cresult_text& entry : table)
        if (entry.result == result)
            return &entry;
    return nullptr;
}

const Cresult_text* result_entry(const Cfailure& f)
{
    if (f.result == no_result)
        return nullptr;
    return f.auto_result ? find_result(auto_results, f.result)
                         : find_result(capture_results, f.result);
}

// Long enough for any call the library formats (it truncates beyond).
constexpr unsigned call_text_bytes = 256;

} // namespace

std::string Cfailure::result_name() const
{
    if (result == no_result)
        return std::string();
    const Cresult_text* entry = result_entry(*this);
    return entry ? entry->name : "result " + std::to_string(result);
}

std::string Cfailure::message() const
{
    std::string text = operation + " failed";
    if (aborted)
        text += ": aborted";
    else if (const Cresult_text* entry = result_entry(*this))
        text += std::string(": ") + entry->name + " (" + entry->meaning + ")";
    else if (result != no_result)
        text += ": " + result_name();
    if (!detail.empty())
        text += ": " + detail;
    if (status != 0)
        text += "; last camera-library failure: " + call + ": status " + std::to_string(status) +
                " (" + kmx_camera_status_name(status) + ")";
    return text;
}

void take_camera_failure(Cfailure& failure)
{
    char call[call_text_bytes] = {};
    const int status = kmx_last_camera_failure(call, sizeof call);
    if (status == 0)
        return;
    failure.status = status;
    failure.call = call;
}

Ccamera_error::Ccamera_error(Cfailure what)
    : std::runtime_error(what.message()), details(std::move(what))
{
}

} // namespace kmx_python
