// The side path's curve, all-pole filters and the upper-band resampler.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "plugin/eq/OversamplerStage.h"
#include "plugin/eq/Poly4Resampler.h"
#include "plugin/eq/TransferCurve.h"
#include "plugin/eq/simd/CurveLanes.h"
#include "plugin/eq/simd/ResamplerSteps.h"
#include "plugin/eq/simd/SidePath.h"

namespace tesselor::plugin::eq {
namespace {

// The baseline build of the loop's steps (this file is compiled as that build).
using namespace simd::baseline;

TEST(TransferCurve, IsOddNearlyLinearAndLimited) {
    const TransferCurve curve;
    EXPECT_NEAR(curve.Evaluate(0.001), 0.5991 * 0.001, 1e-6);
    EXPECT_EQ(curve.Evaluate(1.5), 0.833333313f);
    EXPECT_EQ(curve.Evaluate(-100.0), -0.833333313f);
    EXPECT_TRUE(std::signbit(curve.Evaluate(-0.0)));
    EXPECT_EQ(curve.Evaluate(0.0), 0.0);
    // An index that overflows reads entry 0, which is 0.
    EXPECT_EQ(curve.Evaluate(1e300), 0.0);
    EXPECT_EQ(std::fabs(curve.Evaluate(std::numeric_limits<double>::quiet_NaN())), 0.0);
    EXPECT_EQ(curve.Negative().entries[17], -curve.Positive().entries[17]);
    // The loop's polynomial form stays within 5.5e-8 of the tables over the whole range, in
    // every lane of whole pairs of values and of an odd one at the end, with an oversampling
    // factor folded into the scale as the engine does; exact at 0, at the limit and beyond.
    double worst = 0.0;
    for (double v = -2.0; v <= 2.0; v += 0.000731) {
        const double in[6] = {v, -0.5 * v, 0.3 * v, v + 0.01, -v, 1.5 * v};
        alignas(32) Stereo values[3] = {{in[0], in[1]}, {in[2], in[3]}, {in[4], in[5]}};
        EvaluateCurveInPlace(values, 3, TransferCurve::kScale);
        for (int i = 0; i < 6; ++i)
            worst = std::max(worst, std::fabs(values[i / 2][i % 2] - curve.Evaluate(in[i])));
        Stereo folded = {v / 16.0, -v / 4.0};
        EvaluateCurveInPlace(&folded, 1, 16.0 * TransferCurve::kScale);
        worst = std::max(worst, std::fabs(folded[0] - curve.Evaluate(v)));
        worst = std::max(worst, std::fabs(folded[1] - curve.Evaluate(-4.0 * v)));
    }
    EXPECT_LT(worst, 5.5e-8);
    EXPECT_GT(worst, 0.0);  // else the test no longer sees the fit
    alignas(32) Stereo edges[4] = {{0.0, -0.0},
                                   {1.5, -100.0},
                                   {1e300, std::numeric_limits<double>::quiet_NaN()},
                                   {1e-300, -1e-300}};
    EvaluateCurveInPlace(edges, 4, TransferCurve::kScale);
    EXPECT_EQ(edges[0][0], 0.0);
    EXPECT_TRUE(std::signbit(edges[0][1]));
    EXPECT_EQ(edges[1][0], 0.833333313f);
    EXPECT_EQ(edges[1][1], -0.833333313f);
    EXPECT_EQ(edges[2][0], 0.0);
    EXPECT_EQ(std::fabs(edges[2][1]), 0.0);
    EXPECT_NEAR(edges[3][0] / curve.Evaluate(1e-300), 1.0, 4e-5);
    EXPECT_LT(edges[3][1], 0.0);
}

TEST(OversamplerStage, AllPoleDesignHasUnityDcGain) {
    for (const int factor : {4, 16}) {
        OversamplerStage stage;
        stage.Design(0.2 / factor);
        double sum = 1.0;
        for (int k = 1; k <= OversamplerStage::kPoles; ++k) sum += stage.Feedback(k);
        EXPECT_NEAR(stage.Gain(), std::fabs(sum), 1e-15) << factor;
        EXPECT_GT(stage.Gain(), 0.0);
    }
}

template <int F>
Stereo RunFor(OversamplerStage& stage, double x, int samples) {
    for (int n = 0; n < samples; ++n) RunSideSample<F>(stage, Stereo{x, -x});
    return stage.SideValue();
}

TEST(OversamplerStage, SilenceStaysSilentAndLoudInputIsLimited) {
    const TransferCurve curve;
    OversamplerStage stage;
    stage.Design(0.2 / 4);
    EXPECT_EQ(RunFor<4>(stage, 0.0, 1000)[0], 0.0);
    // A constant reaches the curve at its own level once settled: 0.01 * 10^1.25 -> curve.
    const Stereo settled = RunFor<4>(stage, 0.01, 4000);
    EXPECT_NEAR(settled[0], curve.Evaluate(0.01 * OversamplerStage::kDrive), 1e-7);
    EXPECT_NEAR(settled[1], -settled[0], 1e-15);
    const Stereo loud = RunFor<4>(stage, 0.5, 4000);
    EXPECT_NEAR(loud[0], 0.833333313, 1e-6);
}

TEST(OversamplerStage, ResidualAfterLoudSignalStaysTiny) {
    // Each flush to zero is an error the recursion amplifies again, so the state need not reach
    // exact zeros; what matters is that it stays far below anything audible.
    OversamplerStage stage4, stage16;
    stage4.Design(0.2 / 4);
    stage16.Design(0.2 / 16);
    for (int n = 0; n < 2000; ++n) {
        const double x = 0.3 * std::sin(0.05 * n);
        RunSideSample<4>(stage4, Stereo{x, x});
        RunSideSample<16>(stage16, Stereo{x, x});
    }
    const Stereo r4 = RunFor<4>(stage4, 0.0, 20000);
    const Stereo r16 = RunFor<16>(stage16, 0.0, 20000);
    EXPECT_LT(std::fabs(r4[0]) * 3.2e-5, 1e-17);
    EXPECT_LT(std::fabs(r16[0]) * 3.2e-5, 1e-12);
}

// Side values of `in` (both channels alike but for sign) run in blocks of the given lengths in
// turn, or sample by sample when `blocks` is empty.
template <int F>
std::vector<Stereo> SideValues(const std::vector<double>& in, const std::vector<int>& blocks,
                               OversamplerStage& stage) {
    stage.Design(0.2 / F);
    std::vector<double> right(in.size());
    for (size_t i = 0; i < in.size(); ++i) right[i] = -in[i];
    std::vector<Stereo> side(in.size());
    alignas(32) Stereo work[OversamplerStage::WorkSize(F, 512)];
    size_t pos = 0;
    for (int b = 0; pos < in.size(); ++b) {
        const int n =
            blocks.empty() ? 1 : std::min<int>(blocks[b % blocks.size()], in.size() - pos);
        SidePath(stage).Run<F>(&in[pos], &right[pos], n, &side[pos], work, [](int) {});
        pos += n;
    }
    return side;
}

template <int F>
void ExpectBlocksMatchSamples() {
    // Loud noise, then silence, where the flush keeps acting on a tiny cycle of values; a NaN,
    // an infinity and negative zeros on the way.
    std::vector<double> in(6000);
    unsigned s = 3;
    for (size_t i = 0; i < 2500; ++i) {
        s = s * 1664525u + 1013904223u;
        in[i] = (static_cast<double>(s >> 8) / 16777216.0 - 0.5) * 1.6;
    }
    in[700] = std::numeric_limits<double>::quiet_NaN();
    in[1300] = std::numeric_limits<double>::infinity();
    in[3000] = in[3001] = -0.0;
    OversamplerStage blockwise, single;
    const std::vector<Stereo> a =
        SideValues<F>(in, {1, 2, 3, 4, 5, 7, 9, 16, 17, 33, 100, 512}, blockwise);
    const std::vector<Stereo> b = SideValues<F>(in, {}, single);
    for (size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(std::memcmp(&a[i], &b[i], sizeof(Stereo)), 0) << "F = " << F << ", " << i;
    EXPECT_EQ(std::memcmp(blockwise.interp, single.interp, sizeof single.interp), 0);
    EXPECT_EQ(std::memcmp(blockwise.decim, single.decim, sizeof single.decim), 0);
}

TEST(OversamplerStage, BlocksGiveTheSameBitsAsSingleSamples) {
    // A block pairs the interpolation with the decimation, curves in batches and, at F = 16,
    // leaves the flush out of the recursion until it acts; a single sample does none of that.
    ExpectBlocksMatchSamples<4>();
    ExpectBlocksMatchSamples<16>();
}

TEST(OversamplerStage, ClearTouchesOnlyTheFilterStates) {
    OversamplerStage stage;
    stage.Design(0.2 / 4);
    RunFor<4>(stage, 0.02, 50);
    const Stereo side = stage.SideValue();
    stage.ClearFilters();
    EXPECT_EQ(stage.SideValue()[0], side[0]);
    // With the history gone and no input, nothing comes out any more.
    EXPECT_EQ(RunFor<4>(stage, 0.0, 10)[0], 0.0);
}

TEST(Poly4Resampler, ConstantImpulseAndDecimation) {
    Poly4Resampler r;
    for (int i = 0; i < 10; ++i) r.Push(Splat(1.0));
    const double phaseGain[4] = {0.2497343438331848, 0.24934534907365818, 0.2497343438331848,
                                 0.2511859632599724};
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(r.Line(27 + j)[0], 4.0 * phaseGain[j], 1e-15);
    // The decimation of a constant line is the constant (the taps sum to 1).
    for (int k = 0; k < Poly4Resampler::kTapCount; ++k) r.Line(k) = Splat(0.7);
    EXPECT_NEAR(ResamplerSteps(r).Decimate()[0], 0.7, 1e-15);
    EXPECT_EQ(ResamplerSteps(r).Decimate()[0], ResamplerSteps(r).Decimate()[0]);

    // An impulse yields 4 h[0] .. 4 h[30], 0 over eight pushes.
    Poly4Resampler impulse;
    double seen[32];
    for (int p = 0; p < 8; ++p) {
        impulse.Push(Splat(p == 0 ? 1.0 : 0.0));
        for (int j = 0; j < 4; ++j) seen[4 * p + j] = impulse.Line(27 + j)[1];
    }
    for (int k = 0; k < 31; ++k) EXPECT_DOUBLE_EQ(seen[k], 4.0 * Poly4Resampler::kTaps[k]) << k;
    EXPECT_EQ(seen[31], 0.0);
}

TEST(Poly4Resampler, InterpolateMatchesTwoPushes) {
    Poly4Resampler a, b;
    double v = 0.3;
    for (int n = 0; n < 300; ++n) {  // long enough to wrap the line buffer several times
        v = std::fmod(v * 3.7 + 0.11, 2.0) - 1.0;
        a.Push(Splat(v));
        a.Push(Splat(v));
        Stereo fresh[8];
        ResamplerSteps(b).Interpolate(Splat(v), fresh);
        Quad pairs[4];
        for (int p = 0; p < 4; ++p)
            pairs[p] = __builtin_shufflevector(fresh[2 * p], fresh[2 * p + 1], 0, 1, 2, 3);
        ResamplerSteps(b).Append(pairs);
        for (int k = 0; k < Poly4Resampler::kTapCount; ++k) {
            ASSERT_NEAR(a.Line(k)[0], b.Line(k)[0], 1e-14) << n << " " << k;
        }
        ASSERT_NEAR(ResamplerSteps(a).Decimate()[0], ResamplerSteps(b).Decimate()[0], 1e-14);
    }
}

}  // namespace
}  // namespace tesselor::plugin::eq
