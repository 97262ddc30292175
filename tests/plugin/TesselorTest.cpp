// The plug-in class: parameter set, default preset, change and reset hooks, and ProcessBlock
// standalone against the engine and the literal evaluation.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "plugin/Tesselor.h"
#include "tests/plugin/eq/LiteralEq.h"

namespace {
std::atomic<long> gAllocations{0};
}  // namespace

// Counts every allocation of the test binary, so a test can assert that a call made none.
void* operator new(std::size_t size) {
    ++gAllocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++gAllocations;
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace tesselor::plugin {
namespace {

TEST(Tesselor, FreshInstanceHasItsParametersAndOnePreset) {
    Tesselor eq;
    ASSERT_EQ(eq.ParamCount(), 15);
    const char* names[] = {"LGain",  "LFreq", "LMGain", "LMFreq", "HMGain",
                           "HMFreq", "HGain", "HFreq",  "HP",     "LP",
                           "Gain",   "Bell",  "HPLP",   "BY",     "Oversample"};
    for (int i = 0; i < 15; ++i) EXPECT_STREQ(eq.Param(i)->Name(), names[i]) << i;
    EXPECT_EQ(eq.Param(14)->Kind(), framework::kParamUnset);
    EXPECT_EQ(eq.Param(13)->Kind(), framework::kParamStepped);
    EXPECT_EQ(eq.Param(13)->Value(), 1.0);
    EXPECT_EQ(eq.Param(1)->Kind(), framework::kParamContinuous);
    EXPECT_EQ(eq.Param(1)->Minimum(), 0.1);
    EXPECT_EQ(eq.Param(1)->Maximum(), 0.983);
    EXPECT_EQ(eq.Param(1)->Shape(), 0.5);
    EXPECT_EQ(eq.Param(9)->Shape(), 0.2);
    EXPECT_EQ(eq.Param(10)->Minimum(), -12.0);
    EXPECT_EQ(eq.Param(10)->DisplayPrecision(), 2);
    EXPECT_STREQ(eq.Param(10)->Label(), "dB");
    EXPECT_STREQ(eq.Param(0)->Label(), "");  // a pot position has no unit
    ASSERT_EQ(eq.PresetCount(), 1);
    EXPECT_STREQ(eq.Preset(0)->name, "-");
    EXPECT_TRUE(eq.Preset(0)->initialised);
    EXPECT_EQ(eq.Preset(0)->state.Size(), 15 * 8);
}

TEST(Tesselor, ChangeHookFeedsTheEngine) {
    Tesselor eq;
    ASSERT_TRUE(eq.LoadPreset(0));
    EXPECT_EQ(eq.Engine().PotValue(1), 0.725);  // placeholders replaced by the defaults
    EXPECT_EQ(eq.Engine().OutputGainTarget(), 1.0);
    eq.Param(10)->SetPlain(-12.0);
    eq.HandleParamChange(10);
    EXPECT_DOUBLE_EQ(eq.Engine().OutputGainTarget(), std::pow(10.0, -0.6));
    eq.Param(14)->SetPlain(1.0);
    eq.HandleParamChange(14);
    EXPECT_EQ(eq.Engine().OversamplingFactor(), 16);
    eq.Param(14)->SetPlain(0.0);
    eq.HandleParamChange(14);
    EXPECT_EQ(eq.Engine().OversamplingFactor(), 4);
    eq.HandleParamChange(99);  // ignored
}

// Standalone use as the binding's tests will do it, against the literal evaluation.
TEST(Tesselor, ProcessBlockMatchesLiteralEvaluationAndAllocatesNothing) {
    Tesselor eq;
    eq.LoadPreset(0);
    eq.SetSampleRate(96000.0);
    eq.ChangeBlockSize(300);
    eq.HandleReset();
    eq::test::LiteralEq ref;
    const double pots[10] = {0.5, 0.725, 0.5, 0.725, 0.5, 0.725, 0.5, 0.725, 0.0, 1.0};
    for (int i = 0; i < 10; ++i) ref.SetPot(i, pots[i]);

    std::vector<double> inL(300), inR(300), outL(300), outR(300), refL(300), refR(300);
    double* ins[2] = {inL.data(), inR.data()};
    double* outs[2] = {outL.data(), outR.data()};
    double peak = 0.0, err = 0.0;
    for (int block = 0; block < 40; ++block) {
        for (int i = 0; i < 300; ++i) {
            inL[i] = 0.4 * std::sin(0.013 * (block * 300 + i));
            inR[i] = 0.3 * std::sin(0.21 * (block * 300 + i));
        }
        if (block == 20) {  // switches act from the next block, straight from the registry
            eq.Param(11)->SetPlain(1.0);
            eq.Param(12)->SetPlain(1.0);
            ref.SetSwitches(1, 1, 1);
        }
        const long before = gAllocations.load();
        eq.ProcessBlock(ins, outs, 300);
        EXPECT_EQ(gAllocations.load(), before);
        ref.Process(inL.data(), inR.data(), refL.data(), refR.data(), 300, 96000.0);
        for (int i = 0; i < 300; ++i) {
            peak = std::max({peak, std::fabs(refL[i]), std::fabs(refR[i])});
            err = std::max({err, std::fabs(outL[i] - refL[i]), std::fabs(outR[i] - refR[i])});
        }
    }
    EXPECT_LT(err, 1e-6 * peak);

    eq.Param(13)->SetPlain(0.0);  // IN off: the input itself
    eq.ProcessBlock(ins, outs, 300);
    EXPECT_EQ(outL, inL);
    EXPECT_EQ(outR, inR);
}

TEST(Tesselor, ResetClearsOnlyTheSidePathFilters) {
    Tesselor eq;
    eq.LoadPreset(0);
    std::vector<double> in(128, 0.05), out(128), out2(128);
    double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {out.data(), out2.data()};
    eq.ProcessBlock(ins, outs, 128);
    const eq::Stereo y1 = eq.Engine().Section(eq::SectionKind::kHigh).y1;
    const double gain = eq.Engine().SmootherAt(eq::kSmootherOutput).Value();
    const double line = eq.Engine().Resampler().Line(30)[0];
    eq.HandleReset();
    EXPECT_EQ(eq.Engine().Section(eq::SectionKind::kHigh).y1[0], y1[0]);
    EXPECT_EQ(eq.Engine().SmootherAt(eq::kSmootherOutput).Value(), gain);
    EXPECT_EQ(eq.Engine().Resampler().Line(30)[0], line);
    // The side path starts again from silence: with a zero input its value stays 0 after the
    // one decimated value that was kept.
    std::vector<double> zero(128, 0.0);
    double* zeros[2] = {zero.data(), zero.data()};
    eq.ProcessBlock(zeros, outs, 128);
    EXPECT_EQ(eq.Engine().SidePath().SideValue()[0], 0.0);
}

TEST(Tesselor, MissingBuffersAndBadRatesAreHarmless) {
    Tesselor eq;
    eq.LoadPreset(0);
    eq.ProcessBlock(nullptr, nullptr, 64);
    double* none[2] = {nullptr, nullptr};
    eq.ProcessBlock(none, none, 64);
    eq.SetSampleRate(0.0);
    std::vector<double> in(64, 0.1), out(64), out2(64);
    double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {out.data(), out2.data()};
    eq.ProcessBlock(ins, outs, 64);
    for (const double v : out) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
}  // namespace tesselor::plugin
