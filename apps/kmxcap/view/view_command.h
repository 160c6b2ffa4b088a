// SPDX-License-Identifier: Apache-2.0
// kmxcap view: the camera live in a browser, until Ctrl-C.
#ifndef KMXCAP_VIEW_COMMAND_H
#define KMXCAP_VIEW_COMMAND_H

#include "options.h"
#include "status.h"

namespace kmxcap {

// Opens the camera of the options, serves the live view on
// options.listen_host:options.listen_port and returns when Ctrl-C, SIGTERM
// or Escape (on a terminal) asks it to; the camera is closed by then.
Cstatus run_view(const Coptions& options);

} // namespace kmxcap

#endif
