// SPDX-License-Identifier: Apache-2.0
#ifndef KMXCAP_LIST_COMMAND_H
#define KMXCAP_LIST_COMMAND_H

#include "status.h"

namespace kmxcap {

// Prints every camera; an empty list is not a failure.
Cstatus list_cameras();

} // namespace kmxcap

#endif
