// SPDX-License-Identifier: Apache-2.0
// What the Python layer reports when the library says no: the failure of
// a camera operation (which becomes kmxcore.CameraError), a setting out
// of its range (ValueError), and a camera that is closed or busy in
// another thread. The layer itself knows nothing of Python; the bindings
// translate these exceptions.
#ifndef KMX_PYTHON_FAILURE_H
#define KMX_PYTHON_FAILURE_H

#include <stdexcept>
#include <string>

namespace kmx_python {

/// No result: the failure did not come from an acquisition.
constexpr int no_result = -1;

/// A failed camera operation, with what the library answered.
struct Cfailure {
    std::string operation;   ///< what was asked: "snap", "open camera 1:0", ...
    int result = no_result;  ///< the capture or automatic procedure's result
    bool auto_result = false;   ///< `result` is one of the automatic procedures'
    int status = 0;          ///< the last failed camera-library call's status, 0 none
    std::string call;        ///< that call with its arguments, "" none
    std::string detail;      ///< why, in words, when the library says more
    bool aborted = false;    ///< abort() or stop() ended it

    /// The name of `result` ("CAPTURE_ERROR_13"), or "" for no result.
    std::string result_name() const;
    /// One line: operation, result and its meaning, detail, camera-library call.
    std::string message() const;
};

/// Reads the calling thread's last failed camera-library call into the
/// failure (nothing when none failed).
void take_camera_failure(Cfailure& failure);

/// A camera operation that failed: kmxcore.CameraError in Python.
class Ccamera_error : public std::runtime_error {
public:
    explicit Ccamera_error(Cfailure what);
    const Cfailure& failure() const { return details; }

private:
    Cfailure details;
};

/// A setting outside the camera's range, or a count no acquisition can
/// take: ValueError in Python. The text names the valid range.
class Crange_error : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

/// An operation on a camera that is closed: ValueError in Python, as for a
/// closed file.
class Cclosed_error : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

/// An operation while another thread acquires on the same camera:
/// RuntimeError in Python.
class Cbusy_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace kmx_python

#endif
