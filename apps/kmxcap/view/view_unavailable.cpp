// SPDX-License-Identifier: Apache-2.0
// kmxcap built without cpp-httplib or libjpeg-turbo: no live view.
#include "view_command.h"

namespace kmxcap {

Cstatus run_view(const Coptions&)
{
    return Cstatus(exit_internal,
                   "this kmxcap was built without the live view (it needs cpp-httplib and "
                   "libjpeg-turbo: scripts/setup.sh installs them)");
}

} // namespace kmxcap
