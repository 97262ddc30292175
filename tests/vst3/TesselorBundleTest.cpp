// The built Tesselor.vst3, loaded through its factory like a host loads it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <thread>

#include "BundleHost.h"
#include "plugin/Tesselor.h"

namespace tesselor::vst3::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

class TesselorBundle : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        module = tools::PluginModule::Open(TESSELOR_BUNDLE, &error);
        ASSERT_TRUE(module) << error;
        plugin = std::make_unique<Instance>(module->Factory(), kTesselorClassId);
        ASSERT_TRUE(plugin->Valid());
        ASSERT_EQ(plugin->component->initialize(&plugin->host), kResultOk);
    }
    void TearDown() override {
        plugin.reset();
        module.reset();
    }
    std::unique_ptr<tools::PluginModule> module;
    std::unique_ptr<Instance> plugin;
};

TEST(TesselorModule, FactoryAndClassDescriptions) {
    std::string error;
    auto module = tools::PluginModule::Open(TESSELOR_BUNDLE, &error);
    ASSERT_TRUE(module) << error;
    PFactoryInfo info;
    ASSERT_EQ(module->Factory()->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "CopperWireworks");
    EXPECT_EQ(info.flags, 16);
    ASSERT_EQ(module->Factory()->countClasses(), 1);
    FUnknownPtr<IPluginFactory2> factory2(module->Factory());
    PClassInfo2 c;
    ASSERT_EQ(factory2->getClassInfo2(0, &c), kResultOk);
    EXPECT_EQ(std::memcmp(c.cid, kTesselorClassId, 16), 0);
    EXPECT_EQ(c.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(c.category, "Audio Module Class");
    EXPECT_STREQ(c.name, "Tesselor");
    EXPECT_EQ(c.classFlags, 2u);
    EXPECT_STREQ(c.subCategories, "Fx|EQ");
    EXPECT_STREQ(c.vendor, "");
    EXPECT_STREQ(c.version, "2.0.0");
    EXPECT_STREQ(c.sdkVersion, "VST 3.6.12");
}

TEST_F(TesselorBundle, PublishesSeventeenParametersAndA124ByteState) {
    auto* c = plugin->controller;
    ASSERT_EQ(c->getParameterCount(), 17);
    const char* titles[17] = {"Preset", "Bypass", "LGain", "LFreq", "LMGain",    "LMFreq",
                              "HMGain", "HMFreq", "HGain", "HFreq", "HP",        "LP",
                              "Gain",   "Bell",   "HPLP",  "BY",    "Oversample"};
    for (int i = 0; i < 17; ++i) EXPECT_EQ(plugin->Title(i), titles[i]) << i;
    EXPECT_EQ(plugin->ValueText(0, 0.5), "0.50");
    FUnknownPtr<IUnitInfo> units(plugin->component);
    EXPECT_EQ(units->getUnitCount(), 1);
    const std::vector<std::uint8_t> state = plugin->State();
    ASSERT_EQ(state.size(), 124u);
    const double defaults[15] = {0.5, 0.725, 0.5, 0.725, 0.5, 0.725, 0.5, 0.725,
                                 0.0, 1.0,   0.0, 0.0,   0.0, 1.0,   0.0};
    for (int i = 0; i < 15; ++i) {
        double v = 0.0;
        std::memcpy(&v, state.data() + 8 * i, 8);
        EXPECT_EQ(v, defaults[i]) << i;
    }
    EXPECT_EQ(std::vector<std::uint8_t>(state.end() - 4, state.end()),
              (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST_F(TesselorBundle, NamesTheOversampleSwitchAndItsValuesAndGivesUnits) {
    auto* c = plugin->controller;
    ParameterInfo info = {};
    ASSERT_EQ(c->getParameterInfo(16, info), kResultOk);
    EXPECT_EQ(info.id, 14u);
    EXPECT_EQ(tools::PluginText(info.title), "Oversample");
    EXPECT_EQ(info.stepCount, 1);
    EXPECT_EQ(info.defaultNormalizedValue, 0.0);
    EXPECT_NE(info.flags & ParameterInfo::kCanAutomate, 0);
    EXPECT_EQ(plugin->ValueText(14, 0.0), "4x");
    EXPECT_EQ(plugin->ValueText(14, 1.0), "16x");
    // The texts a host shows come back as their values.
    for (const auto& [text, expected] : {std::pair{"16x", 1.0}, std::pair{"4x", 0.0}}) {
        String128 typed = {};
        tools::SetPluginText(typed, text);
        ParamValue normal = -1.0;
        EXPECT_EQ(c->getParamValueByString(14, typed, normal), kResultOk);
        EXPECT_EQ(normal, expected);
    }
    // Units: none for a pot position, dB for the output gain.
    for (const auto& [index, units] : {std::pair{2, ""}, std::pair{12, "dB"}, std::pair{16, ""}}) {
        ASSERT_EQ(c->getParameterInfo(index, info), kResultOk);
        EXPECT_EQ(tools::PluginText(info.units), units) << index;
    }
    EXPECT_EQ(plugin->ValueText(10, 1.0), "12.00");
}

TEST_F(TesselorBundle, PresetTextsGiveOnlyValuesInRange) {
    auto* c = plugin->controller;
    for (const char* text : {"-", "0"}) {
        String128 typed = {};
        tools::SetPluginText(typed, text);
        ParamValue normal = -1.0;
        EXPECT_EQ(c->getParamValueByString(kPresetParamId, typed, normal), kResultOk);
        EXPECT_EQ(normal, 0.0);
    }
    for (const char* text : {"12", "-12", "1", "user preset 1", ""}) {
        String128 typed = {};
        tools::SetPluginText(typed, text);
        ParamValue normal = -1.0;
        EXPECT_EQ(c->getParamValueByString(kPresetParamId, typed, normal), kResultFalse);
        EXPECT_EQ(normal, -1.0);
    }
}

// What a host's bypass button and its presets go through: bypass set from the process queue and
// from the controller alike, a preset saved (component and controller state), bypass set off the
// same way, the preset loaded again.
TEST_F(TesselorBundle, BypassReadsBackAndSurvivesPresetsAndSetUp) {
    ASSERT_TRUE(plugin->Prepare());
    auto* c = plugin->controller;
    auto setBypass = [&](double value) {
        tools::ParamChanges changes;
        changes.Add(kBypassParamId, value);
        plugin->Apply(changes);
        EXPECT_EQ(c->setParamNormalized(kBypassParamId, value), kResultOk);
        EXPECT_EQ(c->getParamNormalized(kBypassParamId), value);
    };
    // The controller answers what it was given at once, before any processing.
    EXPECT_EQ(c->setParamNormalized(kBypassParamId, 1.0), kResultOk);
    EXPECT_EQ(c->getParamNormalized(kBypassParamId), 1.0);
    setBypass(1.0);

    tools::ByteStream component, controller;
    plugin->component->getState(&component);
    ASSERT_EQ(c->getState(&controller), kResultOk);
    setBypass(0.0);
    tools::ByteStream componentAgain(component.Bytes()), controllerAgain(controller.Bytes());
    plugin->component->setState(&componentAgain);
    ASSERT_EQ(c->setState(&controllerAgain), kResultOk);
    EXPECT_EQ(c->getParamNormalized(kBypassParamId), 1.0);

    // The user changes the block size: still bypassed, and the output is the input.
    ProcessSetup setup{kRealtime, kSample32, 512, 44100.0};
    ASSERT_EQ(plugin->processor->setupProcessing(setup), kResultOk);
    EXPECT_EQ(c->getParamNormalized(kBypassParamId), 1.0);
    std::vector<std::vector<float>> in(2, std::vector<float>(256, 0.3f)), out(2);
    out[0].resize(256);
    out[1].resize(256);
    ASSERT_EQ(plugin->Process32(in, out, 256), kResultOk);
    EXPECT_EQ(out, in);
}

// Runs the engine directly with the same settings, for the reference output.
std::vector<std::vector<double>> Reference(const std::vector<std::vector<double>>& input,
                                           int frames, int block, double gainNormal) {
    std::vector<std::vector<double>> out(2, std::vector<double>(frames));
    auto* ref = new plugin::Tesselor();  // reference counted, like every VST 3 object
    ref->SetSampleRate(48000.0);
    ref->ChangeBlockSize(block);
    ref->LoadPreset(0);
    ref->HandleReset();
    ref->Param(0)->ApplyNormal(gainNormal);
    ref->HandleParamChange(0);
    for (int at = 0; at < frames; at += block) {
        const int n = std::min(block, frames - at);
        double* in[2] = {const_cast<double*>(input[0].data()) + at,
                         const_cast<double*>(input[1].data()) + at};
        double* o[2] = {out[0].data() + at, out[1].data() + at};
        ref->ProcessBlock(in, o, n);
    }
    ref->release();
    return out;
}

TEST_F(TesselorBundle, ProcessesLikeTheEngineInBothSampleSizes) {
    constexpr int kFrames = 4096;
    constexpr int kBlock = 256;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> noise(-0.5, 0.5);
    std::vector<std::vector<double>> input(2, std::vector<double>(kFrames));
    for (auto& c : input)
        for (double& s : c)
            s = static_cast<float>(noise(rng));  // exactly representable in both sizes
    const auto expected = Reference(input, kFrames, kBlock, 0.8);

    for (int32 size : {kSample64, kSample32}) {
        SCOPED_TRACE(size);
        Instance fresh(module->Factory(), kTesselorClassId);
        ASSERT_EQ(fresh.component->initialize(&fresh.host), kResultOk);
        ASSERT_TRUE(fresh.Prepare(2, kBlock, size));
        tools::ParamChanges changes;
        changes.Add(0, 0.8);
        double worst = 0.0;
        for (int at = 0; at < kFrames; at += kBlock) {
            if (size == kSample64) {
                std::vector<std::vector<double>> in(2), out(2, std::vector<double>(kBlock));
                for (int c = 0; c < 2; ++c)
                    in[c].assign(input[c].begin() + at, input[c].begin() + at + kBlock);
                ASSERT_EQ(fresh.Process64(in, out, kBlock, at == 0 ? &changes : nullptr),
                          kResultOk);
                for (int c = 0; c < 2; ++c)
                    for (int i = 0; i < kBlock; ++i)
                        worst = std::max(worst, std::fabs(out[c][i] - expected[c][at + i]));
            } else {
                std::vector<std::vector<float>> in(2, std::vector<float>(kBlock)),
                    out(2, std::vector<float>(kBlock));
                for (int c = 0; c < 2; ++c)
                    for (int i = 0; i < kBlock; ++i)
                        in[c][i] = static_cast<float>(input[c][at + i]);
                ASSERT_EQ(fresh.Process32(in, out, kBlock, at == 0 ? &changes : nullptr),
                          kResultOk);
                for (int c = 0; c < 2; ++c)
                    for (int i = 0; i < kBlock; ++i)
                        worst = std::max<double>(
                            worst, std::fabs(out[c][i] - static_cast<float>(expected[c][at + i])));
            }
        }
        EXPECT_EQ(worst, 0.0);
    }
}

// Stereo noise blocks, the same for every caller with the same seed.
std::vector<std::vector<float>> NoiseBlock(std::mt19937& rng, int frames) {
    std::uniform_real_distribution<float> noise(-0.7f, 0.7f);
    std::vector<std::vector<float>> block(2, std::vector<float>(frames));
    for (auto& c : block)
        for (float& s : c) s = noise(rng);
    return block;
}

TEST(TesselorModule, LoadsAndUnloadsManyTimesWithInstancesProcessingAtOnce) {
    constexpr int kBlock = 128;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        std::string error;
        auto module = tools::PluginModule::Open(TESSELOR_BUNDLE, &error);
        ASSERT_TRUE(module) << error;
        // Two instances fed the same signal from two threads must not share anything.
        std::vector<std::unique_ptr<Instance>> alive;
        for (int i = 0; i < 3; ++i) {
            alive.push_back(std::make_unique<Instance>(module->Factory(), kTesselorClassId));
            ASSERT_TRUE(alive.back()->Valid());
            ASSERT_EQ(alive.back()->component->initialize(&alive.back()->host), kResultOk);
            ASSERT_TRUE(alive.back()->Prepare(i == 2 ? 1 : 2, kBlock));
        }
        std::vector<std::vector<float>> outputs[2];
        auto run = [&](int which) {
            std::mt19937 rng(11);
            tools::ParamChanges changes;
            changes.Add(6, 0.9);  // HGain: a boost, so that the bands do real work
            changes.Add(14, 1.0);
            for (int b = 0; b < 40; ++b) {
                auto in = NoiseBlock(rng, kBlock);
                std::vector<std::vector<float>> out(2, std::vector<float>(kBlock));
                alive[which]->Process32(in, out, kBlock, b == 0 ? &changes : nullptr);
                for (auto& c : out) outputs[which].push_back(c);
            }
        };
        std::thread other(run, 1);
        run(0);
        other.join();
        EXPECT_EQ(outputs[0], outputs[1]);
        std::vector<std::vector<float>> in(1, std::vector<float>(kBlock, 0.25f)),
            out(1, std::vector<float>(kBlock));
        EXPECT_EQ(alive[2]->Process32(in, out, kBlock), kResultOk);
    }
}

TEST_F(TesselorBundle, MonoLeftChannelSoundsExactlyAsInStereo) {
    constexpr int kBlock = 256;
    Instance mono(module->Factory(), kTesselorClassId);
    ASSERT_EQ(mono.component->initialize(&mono.host), kResultOk);
    ASSERT_TRUE(mono.Prepare(1, kBlock));
    ASSERT_TRUE(plugin->Prepare(2, kBlock));
    std::mt19937 rng(3);
    for (int b = 0; b < 20; ++b) {
        auto stereoIn = NoiseBlock(rng, kBlock);
        std::vector<std::vector<float>> monoIn(1, stereoIn[0]);
        std::vector<std::vector<float>> stereoOut(2, std::vector<float>(kBlock)),
            monoOut(1, std::vector<float>(kBlock));
        ASSERT_EQ(plugin->Process32(stereoIn, stereoOut, kBlock), kResultOk);
        ASSERT_EQ(mono.Process32(monoIn, monoOut, kBlock), kResultOk);
        ASSERT_EQ(monoOut[0], stereoOut[0]) << "block " << b;
    }
}

TEST_F(TesselorBundle, RecoversFromNonFiniteHostSamples) {
    constexpr int kBlock = 64;
    ASSERT_TRUE(plugin->Prepare(2, kBlock));
    std::mt19937 rng(5);
    auto poisoned = NoiseBlock(rng, kBlock);
    poisoned[0][10] = std::numeric_limits<float>::quiet_NaN();
    poisoned[1][20] = std::numeric_limits<float>::infinity();
    std::vector<std::vector<float>> out(2, std::vector<float>(kBlock));
    ASSERT_EQ(plugin->Process32(poisoned, out, kBlock), kResultOk);
    for (int b = 0; b < 4; ++b) {
        auto in = NoiseBlock(rng, kBlock);
        ASSERT_EQ(plugin->Process32(in, out, kBlock), kResultOk);
        for (const auto& c : out)
            for (float s : c) ASSERT_TRUE(std::isfinite(s)) << "block " << b;
    }
}

}  // namespace
}  // namespace tesselor::vst3::test
