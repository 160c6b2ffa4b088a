// SPDX-License-Identifier: Apache-2.0
// Exit codes of kmxcap, one per kind of failure, so that scripts can tell
// a mistyped flag from a camera that refused a setting or a capture that
// was abandoned. --help lists them.
#ifndef KMXCAP_EXIT_CODES_H
#define KMXCAP_EXIT_CODES_H

namespace kmxcap {

constexpr int exit_ok = 0;
constexpr int exit_internal = 1;        // unexpected: out of memory, broken library state
constexpr int exit_usage = 2;           // bad subcommand, flag or value
constexpr int exit_no_camera = 3;       // library, camera or camera open unavailable
constexpr int exit_setting_refused = 4; // the camera's settings record refused a value
constexpr int exit_capture_failed = 5;  // the capture or automatic procedure failed
constexpr int exit_write_failed = 6;    // an output file could not be written
constexpr int exit_aborted = 7;         // Ctrl-C, Escape or SIGTERM during the work
constexpr int exit_listen_failed = 8;   // view: the address or port cannot be listened on

} // namespace kmxcap

#endif
