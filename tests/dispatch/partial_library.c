/* SPDX-License-Identifier: Apache-2.0 */
/* A camera library that provides only the first contract function: the
 * dispatch must refuse it, naming the first function it lacks. */
#include "kmxcore/camera/kmxlib.h"

KMXLIB_API int kmx_open_interface(kmx_instance_t** instance)
{
    (void)instance;
    return KMX_OK;
}
