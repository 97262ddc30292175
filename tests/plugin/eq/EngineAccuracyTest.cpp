// The fast engine against the literal evaluation of the same formulas: within -120 dB of the
// reference's peak over long signals, at every rate and side-path factor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "plugin/eq/EqEngine.h"
#include "plugin/eq/simd/EqKernel.h"
#include "tests/plugin/eq/LiteralEq.h"

namespace tesselor::plugin::eq {

const char* const kBuildNames[] = {"Fastest", "Baseline", "Fma", "Avx512"};

// For the test names CTest lists.
void PrintTo(KernelBuild build, std::ostream* out) { *out << kBuildNames[static_cast<int>(build)]; }

namespace {

using test::LiteralEq;

struct Setting {
    const char* name;
    double pots[10];
    double gainDb;
    int bell, hplp;
};

// Pots 0..9: LGain LFreq LMGain LMFreq HMGain HMFreq HGain HFreq HP LP.
constexpr Setting kSettings[] = {
    {"defaults", {0.5, 0.725, 0.5, 0.725, 0.5, 0.725, 0.5, 0.725, 0.0, 1.0}, 0.0, 0, 0},
    {"boosts, bell, filters", {0.9, 0.3, 1.0, 0.983, 0.8, 0.1, 1.0, 0.5, 0.4, 0.6}, 6.0, 1, 1},
    {"cuts, shelf, filters", {0.0, 0.983, 0.1, 0.1, 0.0, 0.983, 0.2, 0.983, 1.0, 0.0}, -12.0, 0, 1},
};

std::vector<double> Signal(int frames, unsigned seed, bool loud) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::vector<double> s(frames);
    for (int i = 0; i < frames; ++i) {
        // Noise plus a low sine; the loud variant drives the side path into its limit.
        const double sine = std::sin(2.0 * 3.141592653589793 * 97.0 * i / 44100.0);
        s[i] = (loud ? 0.6 : 0.05) * noise(rng) + (loud ? 0.5 : 0.02) * sine;
    }
    return s;
}

// Largest |fast - reference| relative to the largest |reference|, over both channels.
double RelativeError(const std::vector<double>& fast, const std::vector<double>& ref) {
    double peak = 0.0, err = 0.0;
    for (size_t i = 0; i < ref.size(); ++i) {
        peak = std::max(peak, std::fabs(ref[i]));
        err = std::max(err, std::fabs(fast[i] - ref[i]));
    }
    return err / peak;
}

void Compare(KernelBuild build, double rateHz, int factor, const Setting& setting, bool loud) {
    EqEngine engine;
    engine.ForceKernelBuild(build);
    LiteralEq ref;
    for (int i = 0; i < 10; ++i) {
        engine.SetPot(i, setting.pots[i]);
        ref.SetPot(i, setting.pots[i]);
    }
    const double gain = std::pow(10.0, setting.gainDb / 20.0);
    engine.SetOutputGainTarget(gain);
    ref.SetOutputGainTarget(gain);
    engine.SetHighOversampling(factor == 16);
    ref.SetFactor(factor);
    ref.SetSwitches(setting.bell, setting.hplp, 1);
    const EqSwitches switches{setting.bell, setting.hplp, 1};

    constexpr int kFrames = 12000;
    const std::vector<double> inL = Signal(kFrames, 1, loud), inR = Signal(kFrames, 2, loud);
    std::vector<double> fastL(kFrames), fastR(kFrames), refL(kFrames), refR(kFrames);
    // Uneven blocks, a zero-length one among them: the glide depends on the block pattern.
    const int blocks[] = {64, 0, 1, 511, 100, 256, 37};
    int pos = 0, b = 0;
    while (pos < kFrames) {
        const int n = std::min(blocks[b++ % 7], kFrames - pos);
        engine.ProcessBlock(&inL[pos], &inR[pos], &fastL[pos], &fastR[pos], n, switches, rateHz);
        ref.Process(&inL[pos], &inR[pos], &refL[pos], &refR[pos], n, rateHz);
        pos += n;
    }
    EXPECT_LT(RelativeError(fastL, refL), 1e-6);
    EXPECT_LT(RelativeError(fastR, refR), 1e-6);
}

// Every rate, factor, setting and level, through each build of the loop the processor runs: the
// builds take other instructions for the side path and its curve, and the AVX2 and AVX-512 ones
// run upper bands side by side, one or two samples behind.
class EngineAccuracy : public testing::TestWithParam<KernelBuild> {};

TEST_P(EngineAccuracy, MatchesLiteralEvaluationWithin120Db) {
    if (!simd::KernelFor(GetParam(), 4)) GTEST_SKIP() << "this processor does not run that build";
    for (const double rate : {44100.0, 48000.0, 96000.0}) {
        for (const int factor : {4, 16}) {
            for (const Setting& setting : kSettings) {
                for (const bool loud : {false, true}) {
                    SCOPED_TRACE(testing::Message() << rate << " Hz, F = " << factor << ", "
                                                    << setting.name << (loud ? ", loud" : ""));
                    Compare(GetParam(), rate, factor, setting, loud);
                }
            }
        }
    }
}

std::string BuildName(const testing::TestParamInfo<KernelBuild>& info) {
    return kBuildNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Builds, EngineAccuracy,
                         testing::Values(KernelBuild::kBaseline, KernelBuild::kFma,
                                         KernelBuild::kAvx512),
                         BuildName);

}  // namespace
}  // namespace tesselor::plugin::eq
