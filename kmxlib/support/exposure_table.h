/* SPDX-License-Identifier: Apache-2.0 */
// The exposure parameter of the camera libraries: an index on the
// logarithmic curve of kmxcore/camera/exposure_curve.h, 0 (10 us) to 256
// (100 ms), held as a table of whole microseconds.
#ifndef KMXLIB_SUPPORT_EXPOSURE_TABLE_H
#define KMXLIB_SUPPORT_EXPOSURE_TABLE_H

#include <array>
#include <cstdint>

#include "kmxcore/camera/exposure_curve.h"

namespace kmxsupport {

constexpr unsigned max_exposure_index = kmx_exposure::top_index;
using Cexposure_table = std::array<uint32_t, max_exposure_index + 1>;

/// Microseconds of every index, ascending.
const Cexposure_table& exposure_table();
/// The exposure of an index in microseconds (indexes past the top read
/// as the top).
uint32_t exposure_value(unsigned index);
/// The index of the exposure nearest to `us`. Several low indexes share
/// one value (truncation to whole microseconds), so the answer is the
/// lowest index of the nearest value: index -> value -> index is then
/// exact wherever values differ, and value -> index -> value always
/// returns a table value.
unsigned exposure_index(uint32_t us);

} // namespace kmxsupport

#endif
