// SPDX-License-Identifier: Apache-2.0
#include "kmxlib/support/exposure_table.h"

#include <algorithm>

namespace kmxsupport {

const Cexposure_table& exposure_table()
{
    static const auto table = [] {
        Cexposure_table t{};
        for (unsigned i = 0; i <= max_exposure_index; ++i)
            t[i] = kmx_exposure::us_of_index(i);
        return t;
    }();
    return table;
}

uint32_t exposure_value(unsigned index)
{
    return exposure_table()[std::min(index, max_exposure_index)];
}

unsigned exposure_index(uint32_t us)
{
    const auto& t = exposure_table();
    if (us <= t.front())
        return 0;
    if (us >= t.back())
        return max_exposure_index;
    auto upper = std::lower_bound(t.begin(), t.end(), us);
    if (*upper == us)
        return static_cast<unsigned>(upper - t.begin());
    auto lower = upper - 1;
    if (us - *lower <= *upper - us)
        upper = std::lower_bound(t.begin(), t.end(), *lower);
    return static_cast<unsigned>(upper - t.begin());
}

} // namespace kmxsupport
