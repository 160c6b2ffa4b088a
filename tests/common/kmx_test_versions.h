// SPDX-License-Identifier: Apache-2.0
// Support of the tests that run every version of a set of per-sample loops
// (baseline, and AVX2 and AVX-512 where built): how many versions this
// processor should be offered, and test names by version.
#ifndef KMX_TEST_VERSIONS_H
#define KMX_TEST_VERSIONS_H

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace kmx_test {

#if defined(KMX_WIDE_VERSIONS)
// The versions a build with the wider versions offers on this processor:
// the baseline, AVX2 where present, AVX-512 (F, BW and VL) where present.
// Asked of the processor here, apart from the library's own choice.
inline size_t wide_version_count()
{
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl"))
        return 3;
    return __builtin_cpu_supports("avx2") ? 2 : 1;
}
#endif

// The name of the version a parametrised test runs, for
// INSTANTIATE_TEST_SUITE_P over the indexes of `version` (a function from
// an index to loops with a name).
template <auto version>
std::string version_name(const ::testing::TestParamInfo<size_t>& info)
{
    return version(info.param).name;
}

} // namespace kmx_test

#endif
