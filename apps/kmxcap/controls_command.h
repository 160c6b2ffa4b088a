// SPDX-License-Identifier: Apache-2.0
// kmxcap controls and kmxcap set: the camera's parameters with their
// units, ranges, defaults and current values, and writing them.
#ifndef KMXCAP_CONTROLS_COMMAND_H
#define KMXCAP_CONTROLS_COMMAND_H

#include "options.h"
#include "status.h"

namespace kmxcap {

// Lists every parameter the camera offers (as text, or with --json as
// one JSON document), its formats, depths, readouts and automatic
// procedures.
Cstatus list_controls(const Coptions& options);

// Writes the NAME=VALUE settings through the settings record and prints,
// for each, the value the camera took.
Cstatus set_controls(const Coptions& options);

} // namespace kmxcap

#endif
