// SPDX-License-Identifier: Apache-2.0
// The simulator's per-sample loops, every version this processor runs,
// against the plain arithmetic they stand for: every output depth,
// inversion and sample width, runs of every length around the vector
// widths, the extremes of the cached sensor rows and of the noise, and the
// deep-to-8-bit conversion of every 16-bit value at every depth.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "kmx_test_versions.h"
#include "sim_kernels.h"

namespace {

using namespace kmxsim;

TEST(SimKernelVersions, TheWidestVersionTheProcessorRunsIsChosen)
{
    ASSERT_GE(sim_version_count(), 1u);
    EXPECT_EQ(std::string(sim_version(0).name), "baseline");
    EXPECT_EQ(&sim_kernels(), &sim_version(sim_version_count() - 1));
#if defined(KMX_WIDE_VERSIONS)
    // Built with the wider versions: a processor that has them gets them.
    EXPECT_EQ(sim_version_count(), kmx_test::wide_version_count());
#endif
}

class SimKernels : public ::testing::TestWithParam<size_t> {
protected:
    const Csim_kernels& kernels() const { return sim_version(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(Versions, SimKernels, ::testing::Range<size_t>(0, sim_version_count()),
                         kmx_test::version_name<sim_version>);

// Cached sensor rows and noise: the extremes the renderer can hand over
// (means up to 16383 plus rounding, spreads up to 32767, deviates within
// 3.5 sigma of 4096) mixed with random values.
struct Cinputs {
    std::vector<int16_t> mean, spread, noise;
};

Cinputs inputs(size_t n, std::mt19937& random)
{
    const int16_t means[] = {0, 1, 15, 16, 17, 255, 1023, 4095, 4096, 8000, 16391};
    const int16_t spreads[] = {0, 1, 4096, 32767};
    const int16_t deviates[] = {-14336, -4096, -1, 0, 1, 4096, 14336};
    Cinputs in{std::vector<int16_t>(n), std::vector<int16_t>(n), std::vector<int16_t>(n)};
    for (size_t i = 0; i < n; ++i) {
        const bool edge = i % 2 == 0;
        in.mean[i] = edge ? means[i % 11] : static_cast<int16_t>(random() % 16392);
        in.spread[i] = edge ? spreads[i % 4] : static_cast<int16_t>(random() % 32768);
        in.noise[i] = edge ? deviates[i % 7] : static_cast<int16_t>(random() % 28673 - 14336);
    }
    return in;
}

int noisy_value(const Cinputs& in, size_t i)
{
    return in.mean[i] + ((in.noise[i] * in.spread[i]) >> 16);
}

// Run lengths around every vector width, and a whole row.
const size_t lengths[] = {1, 2, 7, 8, 15, 16, 17, 31, 32, 33, 63, 64, 65, 95, 129, 1024, 3840};

TEST_P(SimKernels, ShiftedSamplesMatchThePlainRuleInEveryOutputForm)
{
    std::mt19937 random(17);
    for (size_t n : lengths) {
        const Cinputs in = inputs(n, random);
        for (int shift : {0, 2, 4})
            for (bool invert : {false, true})
                for (bool wide : {false, true}) {
                    SCOPED_TRACE(::testing::Message() << n << " samples, shift " << shift
                                                      << (invert ? ", inverted" : "")
                                                      << (wide ? ", 16-bit" : ", 8-bit"));
                    const size_t bytes = n * (wide ? 2 : 1);
                    std::vector<unsigned char> out(bytes + 3, 0xA5);
                    kernels().shifted(in.mean.data(), in.spread.data(), in.noise.data(), n,
                                      Cshift_output{shift, invert, wide}, out.data());
                    const int top = sensor_max >> shift;
                    for (size_t i = 0; i < n; ++i) {
                        const int v = std::clamp(noisy_value(in, i) >> shift, 0, top);
                        const int sample = invert ? top - v : v;
                        if (wide) {
                            ASSERT_EQ(out[2 * i], sample & 0xFF) << i;
                            ASSERT_EQ(out[2 * i + 1], sample >> 8) << i;
                        } else {
                            ASSERT_EQ(out[i], sample & 0xFF) << i;
                        }
                    }
                    for (size_t i = bytes; i < out.size(); ++i)
                        ASSERT_EQ(out[i], 0xA5) << "written past the run";
                }
    }
}

TEST_P(SimKernels, SensorSamplesAreTheNoisyValuesClampedToTwelveBits)
{
    std::mt19937 random(19);
    for (size_t n : lengths) {
        SCOPED_TRACE(n);
        const Cinputs in = inputs(n, random);
        std::vector<uint16_t> out(n + 1, 0xA5A5);
        kernels().sensor(in.mean.data(), in.spread.data(), in.noise.data(), n, out.data());
        for (size_t i = 0; i < n; ++i)
            ASSERT_EQ(out[i], std::clamp(noisy_value(in, i), 0, sensor_max)) << i;
        ASSERT_EQ(out[n], 0xA5A5) << "written past the run";
    }
}

TEST_P(SimKernels, DeepToEightBitsKeepsTheTopBitsOfEveryValue)
{
    // Every 16-bit value, little-endian, read from an odd address.
    const size_t n = 65536;
    std::vector<unsigned char> in(2 * n + 1);
    for (size_t v = 0; v < n; ++v) {
        in[1 + 2 * v] = static_cast<unsigned char>(v & 0xFF);
        in[2 + 2 * v] = static_cast<unsigned char>(v >> 8);
    }
    for (unsigned depth = 8; depth <= 16; ++depth) {
        SCOPED_TRACE(depth);
        std::vector<unsigned char> out(n + 1, 0xA5);
        kernels().deep_to_8(in.data() + 1, n, depth, out.data());
        for (size_t v = 0; v < n; ++v)
            ASSERT_EQ(out[v], (v >> (depth - 8)) & 0xFF) << v;
        ASSERT_EQ(out[n], 0xA5) << "written past the run";
    }
}

} // namespace
