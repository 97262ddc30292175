// Block-level behaviour of the engine: set-up without samples, bypass, channel independence,
// processing in place, glide from a fresh start, the oversampling switch, recovery from
// non-finite input and the side path's two forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "plugin/eq/EqEngine.h"
#include "plugin/eq/simd/EqKernel.h"

namespace tesselor::plugin::eq {
namespace {

constexpr double kRateHz = 48000.0;
constexpr EqSwitches kIn{0, 0, 1};

void Defaults(EqEngine& e) {
    const double pots[10] = {0.5, 0.725, 0.5, 0.725, 0.5, 0.725, 0.5, 0.725, 0.0, 1.0};
    for (int i = 0; i < 10; ++i) e.SetPot(i, pots[i]);
    e.SetOutputGainTarget(1.0);
}

std::vector<double> Noise(int frames, unsigned seed) {
    std::vector<double> v(frames);
    unsigned s = seed;
    for (double& x : v) {
        s = s * 1664525u + 1013904223u;
        x = (static_cast<double>(s >> 8) / 16777216.0 - 0.5) * 0.8;
    }
    return v;
}

TEST(EqEngine, EmptyBlockStillAdvancesSmoothersAndDesigns) {
    EqEngine e;
    Defaults(e);
    e.ProcessBlock(nullptr, nullptr, nullptr, nullptr, 0, kIn, kRateHz);
    // LGain (S2) has taken four steps from 0 toward 0.5 at the 1 kHz pole.
    const double p = std::exp(-2.0 * 3.141592653589793 * 1000.0 / kRateHz);
    EXPECT_NEAR(e.SmootherAt(kSmootherLowGain).Value(), 0.5 * (1.0 - std::pow(p, 4)), 1e-15);
    EXPECT_EQ(e.SmootherAt(kSmootherOutput).Value(), 0.0);  // steps only per sample
    EXPECT_NE(e.Section(SectionKind::kHigh).a0[0], 0.0);
}

TEST(EqEngine, BypassCopiesInputBitForBitAndFreshStartFadesIn) {
    const std::vector<double> l = Noise(512, 1), r = Noise(512, 2);
    std::vector<double> ol(512), orr(512);
    EqEngine e;
    Defaults(e);
    e.ProcessBlock(l.data(), r.data(), ol.data(), orr.data(), 512, EqSwitches{0, 1, 0}, kRateHz);
    EXPECT_EQ(ol, l);
    EXPECT_EQ(orr, r);

    EqEngine fresh;
    Defaults(fresh);
    fresh.ProcessBlock(l.data(), r.data(), ol.data(), orr.data(), 512, kIn, kRateHz);
    // The output smoother starts from 0: the first samples are nearly silent.
    EXPECT_LT(std::fabs(ol[0]), 0.05 * std::fabs(l[0]) + 1e-12);
    EXPECT_NEAR(fresh.SmootherAt(kSmootherOutput).Value(), 1.0, 1e-3);
}

TEST(EqEngine, LeftOutputDoesNotDependOnRightInput) {
    const std::vector<double> l = Noise(2000, 1), r1 = Noise(2000, 2), r2 = Noise(2000, 3);
    std::vector<double> a(2000), b(2000), scratch(2000);
    EqEngine e1, e2;
    Defaults(e1);
    Defaults(e2);
    for (EqSwitches sw : {EqSwitches{0, 1, 1}, EqSwitches{1, 0, 1}}) {
        e1.ProcessBlock(l.data(), r1.data(), a.data(), scratch.data(), 2000, sw, kRateHz);
        e2.ProcessBlock(l.data(), r2.data(), b.data(), scratch.data(), 2000, sw, kRateHz);
        EXPECT_EQ(a, b);
    }
}

TEST(EqEngine, ProcessingInPlaceMatchesSeparateBuffers) {
    // Hosts often hand the same arrays for input and output; the upper bands may finish a sample
    // after later inputs have been read, and the side path reads ahead. Blocks around the
    // engine's 512-sample stretch, and shorter than the upper bands' delay, in every build of
    // the loop the processor runs.
    const std::vector<double> l = Noise(3000, 1), r = Noise(3000, 2);
    for (const KernelBuild build :
         {KernelBuild::kBaseline, KernelBuild::kFma, KernelBuild::kAvx512}) {
        if (!simd::KernelFor(build, 4)) continue;
        std::vector<double> sepL(3000), sepR(3000), inL = l, inR = r;
        EqEngine separate, inPlace;
        for (EqEngine* e : {&separate, &inPlace}) {
            Defaults(*e);
            e->ForceKernelBuild(build);
        }
        const int blocks[] = {1, 2, 3, 700, 512, 513, 37};
        int pos = 0;
        for (int b = 0; pos < 3000; ++b) {
            const int n = std::min(blocks[b % 7], 3000 - pos);
            const EqSwitches sw{b % 2, 1, 1};
            separate.ProcessBlock(&l[pos], &r[pos], &sepL[pos], &sepR[pos], n, sw, kRateHz);
            inPlace.ProcessBlock(&inL[pos], &inR[pos], &inL[pos], &inR[pos], n, sw, kRateHz);
            pos += n;
        }
        EXPECT_EQ(inL, sepL) << static_cast<int>(build);
        EXPECT_EQ(inR, sepR) << static_cast<int>(build);
    }
}

constexpr KernelBuild kBuilds[] = {KernelBuild::kBaseline, KernelBuild::kFma, KernelBuild::kAvx512};

TEST(EqEngine, SidePathStateDoesNotDependOnTheBlocks) {
    // The side path's state, in whichever form a build keeps it between blocks, comes out bit
    // for bit the same however the input is cut up; after loud input, silence brings what it
    // adds to the output far below anything audible (each flush to zero is an error the
    // filters amplify again, so it need not reach exact zeros).
    std::vector<double> in = Noise(3000, 3);
    for (double& x : in) x *= 2.0;
    in.resize(9000, 0.0);
    std::vector<double> out(in.size());
    for (const KernelBuild build : kBuilds) {
        if (!simd::KernelFor(build, 4)) continue;
        for (const bool high : {false, true}) {
            EqEngine cut, whole;
            for (EqEngine* e : {&cut, &whole}) {
                Defaults(*e);
                e->ForceKernelBuild(build);
                e->SetHighOversampling(high);
            }
            const int blocks[] = {1, 2, 3, 700, 512, 513, 37};
            for (size_t pos = 0, b = 0; pos < in.size(); ++b) {
                const size_t n = std::min<size_t>(blocks[b % 7], in.size() - pos);
                cut.ProcessBlock(&in[pos], &in[pos], &out[pos], &out[pos], n, kIn, kRateHz);
                pos += n;
            }
            whole.ProcessBlock(in.data(), in.data(), out.data(), out.data(), in.size(), kIn,
                               kRateHz);
            const OversamplerStage &a = cut.SidePath(), &b = whole.SidePath();
            SCOPED_TRACE(testing::Message() << static_cast<int>(build) << (high ? " F = 16" : ""));
            EXPECT_EQ(std::memcmp(a.interp, b.interp, sizeof a.interp), 0);
            EXPECT_EQ(std::memcmp(a.decim, b.decim, sizeof a.decim), 0);
            EXPECT_LT(std::fabs(a.SideValue()[0]) * EqEngine::kSideLevel, 1e-12);
        }
    }
}

TEST(EqEngine, SidePathMatrixFormFollowsTheStepForm) {
    // At F = 16 the AVX-512 build runs the side path's filters as matrix products with the
    // interpolated values in single precision; its side values stay within 1e-5 of the step
    // form's (3e-10 of full scale in the output), sample by sample, through loud noise into the
    // curve's limit and back.
    if (!simd::KernelFor(KernelBuild::kAvx512, 16)) GTEST_SKIP() << "no AVX-512 here";
    EqEngine matrix, steps;
    for (EqEngine* e : {&matrix, &steps}) {
        Defaults(*e);
        e->SetHighOversampling(true);
    }
    matrix.ForceKernelBuild(KernelBuild::kAvx512);
    steps.ForceKernelBuild(KernelBuild::kBaseline);
    std::vector<double> l = Noise(4000, 4), r = Noise(4000, 5);
    for (size_t i = 0; i < l.size(); ++i) l[i] *= 0.2 + 2.0 * std::sin(0.002 * i);
    double out[2];
    double worst = 0.0;
    for (size_t i = 0; i < l.size(); ++i) {
        matrix.ProcessBlock(&l[i], &r[i], &out[0], &out[1], 1, kIn, kRateHz);
        steps.ProcessBlock(&l[i], &r[i], &out[0], &out[1], 1, kIn, kRateHz);
        for (const int lane : {kLeft, kRight}) {
            worst = std::max(worst, std::fabs(matrix.SidePath().SideValue()[lane] -
                                              steps.SidePath().SideValue()[lane]));
        }
    }
    EXPECT_LT(worst, 1e-5);
    EXPECT_GT(worst, 0.0);  // else the two forms were not both run
}

TEST(EqEngine, OversamplingSwitchRedesignsWithoutClearing) {
    EqEngine e;
    Defaults(e);
    const std::vector<double> l = Noise(256, 5);
    std::vector<double> ol(256), orr(256);
    e.ProcessBlock(l.data(), l.data(), ol.data(), orr.data(), 256, kIn, kRateHz);
    const double gain4 = e.SidePath().Gain();
    const Stereo side = e.SidePath().SideValue();
    e.SetHighOversampling(true);
    EXPECT_EQ(e.SidePath().Gain(), gain4);  // nothing changes before the next block
    e.ProcessBlock(l.data(), l.data(), ol.data(), orr.data(), 0, kIn, kRateHz);
    EXPECT_NE(e.SidePath().Gain(), gain4);
    EXPECT_EQ(e.SidePath().SideValue()[0], side[0]);
    EXPECT_EQ(e.OversamplingFactor(), 16);
}

TEST(EqEngine, RecoversFromNonFiniteInputWithinOneBlock) {
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        EqEngine e, clean;
        Defaults(e);
        Defaults(clean);
        std::vector<double> l = Noise(256, 7);
        const std::vector<double> r = Noise(256, 8);
        std::vector<double> ol(256), orr(256), cl(256), cr(256);
        for (const EqSwitches sw : {EqSwitches{0, 1, 1}, EqSwitches{1, 0, 1}}) {
            e.ProcessBlock(l.data(), r.data(), ol.data(), orr.data(), 256, sw, kRateHz);
            clean.ProcessBlock(l.data(), r.data(), cl.data(), cr.data(), 256, sw, kRateHz);
            std::vector<double> poisoned = l;
            poisoned[100] = bad;
            e.ProcessBlock(poisoned.data(), r.data(), ol.data(), orr.data(), 256, sw, kRateHz);
            clean.ProcessBlock(l.data(), r.data(), cl.data(), cr.data(), 256, sw, kRateHz);
            EXPECT_EQ(orr, cr);  // the other channel never notices
            e.ProcessBlock(l.data(), r.data(), ol.data(), orr.data(), 256, sw, kRateHz);
            clean.ProcessBlock(l.data(), r.data(), cl.data(), cr.data(), 256, sw, kRateHz);
            for (const double v : ol) ASSERT_TRUE(std::isfinite(v));
            EXPECT_EQ(orr, cr);
        }
    }
}

TEST(EqEngine, KeepingSettledCoefficientsChangesNoOutputBit) {
    // The engine keeps a section's coefficients while its smoother outputs repeat bit for bit;
    // one that designs every block must give the same output bits through settling, a pot turn,
    // switch changes and a rate change. Small blocks, so that the smoothers settle quickly.
    struct Phase {
        double rateHz;
        int pot;  // -1: none
        double value;
        EqSwitches switches;
        int blocks;
    };
    const Phase phases[] = {
        {48000.0, -1, 0.0, {0, 1, 1}, 400}, {48000.0, 3, 0.2, {0, 1, 1}, 400},
        {48000.0, 9, 0.4, {1, 1, 1}, 400},  {96000.0, -1, 0.0, {1, 1, 1}, 400},
        {96000.0, 0, 0.9, {0, 0, 1}, 400},
    };
    const std::vector<double> l = Noise(64, 1), r = Noise(64, 2);
    EqEngine kept, redesigned;
    redesigned.AlwaysRedesign(true);
    for (EqEngine* e : {&kept, &redesigned}) Defaults(*e);
    std::vector<double> keptL(64), keptR(64), redesignedL(64), redesignedR(64);
    for (const Phase& phase : phases) {
        for (EqEngine* e : {&kept, &redesigned}) {
            if (phase.pot >= 0) e->SetPot(phase.pot, phase.value);
        }
        for (int b = 0; b < phase.blocks; ++b) {
            const int n = 16 + b % 49;
            kept.ProcessBlock(l.data(), r.data(), keptL.data(), keptR.data(), n, phase.switches,
                              phase.rateHz);
            redesigned.ProcessBlock(l.data(), r.data(), redesignedL.data(), redesignedR.data(), n,
                                    phase.switches, phase.rateHz);
            ASSERT_EQ(std::memcmp(keptL.data(), redesignedL.data(), n * sizeof(double)), 0) << b;
            ASSERT_EQ(std::memcmp(keptR.data(), redesignedR.data(), n * sizeof(double)), 0) << b;
        }
    }
    // The smoothers have settled and repeat bit for bit: the kept coefficients were in use.
    const double settled = kept.SmootherAt(kSmootherLowGain).Value();
    kept.ProcessBlock(nullptr, nullptr, nullptr, nullptr, 0, kIn, 96000.0);
    EXPECT_EQ(kept.SmootherAt(kSmootherLowGain).Value(), settled);
}

TEST(EqEngine, BoostsTheLowMidBandInProcessedAudio) {
    // LMGain full, LMFreq 0.5: about 11.3 dB at 359 Hz once the smoothers have settled.
    constexpr double kRate = 96000.0;
    EqEngine e;
    Defaults(e);
    e.SetPot(2, 1.0);
    e.SetPot(3, 0.5);
    constexpr int kBlock = 256;
    std::vector<double> in(kBlock), out(kBlock), scratch(kBlock);
    double peak = 0.0;
    for (int b = 0; b < 300; ++b) {
        for (int i = 0; i < kBlock; ++i) {
            in[i] = 0.01 * std::sin(2.0 * 3.141592653589793 * 359.0 * (b * kBlock + i) / kRate);
        }
        e.ProcessBlock(in.data(), in.data(), out.data(), scratch.data(), kBlock, kIn, kRate);
        if (b >= 280) {
            for (const double v : out) peak = std::max(peak, std::fabs(v));
        }
    }
    // The other bands at their centres add a little; the side path is negligible here.
    EXPECT_NEAR(20.0 * std::log10(peak / 0.01), 11.3, 0.4);
}

}  // namespace
}  // namespace tesselor::plugin::eq
