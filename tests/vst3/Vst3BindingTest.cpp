// The binding, driven through the test bundle's factory exactly as a host drives a plug-in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "BundleHost.h"
#include "TestPlugin.h"
#include "TestPluginIds.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstunits.h"

namespace tesselor::vst3::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using tools::ByteStream;
using tools::ParamChanges;
using tools::PluginModule;

// Host parameter indices: preset, bypass, then the registry.
constexpr int kHostIndexOfFirst = 2;

class Vst3Binding : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        module = PluginModule::Open(TESSELOR_TEST_BUNDLE, &error);
        ASSERT_TRUE(module) << error;
        plugin = std::make_unique<Instance>(module->Factory(), kTestClassId);
        ASSERT_TRUE(plugin->Valid());
        ASSERT_EQ(plugin->component->initialize(&plugin->host), kResultOk);
    }
    void TearDown() override {
        plugin.reset();
        module.reset();
    }
    double Counter(TestParam p) {
        return plugin->controller->getParamNormalized(p) * kCounterRange;
    }

    std::unique_ptr<PluginModule> module;
    std::unique_ptr<Instance> plugin;
};

TEST_F(Vst3Binding, AnswersEveryInterfaceOfASingleComponentEffect) {
    for (const FUID* iid :
         {&IComponent::iid, &IAudioProcessor::iid, &IEditController::iid, &IEditController2::iid,
          &IUnitInfo::iid, &IPluginBase::iid, &FUnknown::iid}) {
        FUnknown* answer = nullptr;
        EXPECT_EQ(
            plugin->component->queryInterface(iid->toTUID(), reinterpret_cast<void**>(&answer)),
            kResultOk);
        ASSERT_NE(answer, nullptr);
        answer->release();
    }
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(plugin->component->queryInterface(IPlugView::iid, &none), kNoInterface);
    EXPECT_EQ(none, nullptr);
}

TEST_F(Vst3Binding, SecondInitialiseRefusesButStillLoadsPresetZero) {
    const int32 count = plugin->controller->getParameterCount();
    plugin->controller->setParamNormalized(kGain, 0.25);
    const double changesBefore = Counter(kChangeCount);
    EXPECT_EQ(plugin->component->initialize(&plugin->host), kResultFalse);
    EXPECT_EQ(plugin->controller->getParameterCount(), count);
    EXPECT_DOUBLE_EQ(plugin->controller->getParamNormalized(kGain), 0.5);  // default 1 of 0..2
    // Preset 0 holds the counter at 0; loading it notifies the five other parameters.
    EXPECT_DOUBLE_EQ(Counter(kChangeCount), 5.0);
    EXPECT_NE(changesBefore, 0.0);
}

TEST_F(Vst3Binding, NegotiatesStereoAndMonoAndRefusesOtherPairings) {
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    SpeakerArrangement mono = SpeakerArr::kMono;
    auto busName = [&](BusDirection dir) {
        BusInfo info = {};
        plugin->component->getBusInfo(kAudio, dir, 0, info);
        return tools::PluginText(info.name);
    };
    EXPECT_EQ(busName(kInput), "Main Input");
    EXPECT_EQ(plugin->processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
    EXPECT_EQ(busName(kInput), "Main Input");  // unchanged channel count keeps the buses
    EXPECT_EQ(plugin->processor->setBusArrangements(&stereo, 1, &mono, 1), kResultFalse);
    EXPECT_EQ(plugin->processor->setBusArrangements(nullptr, 0, &stereo, 1), kResultFalse);
    // One output bus only: a second output arrangement is refused.
    SpeakerArrangement twoOutputs[2] = {stereo, stereo};
    EXPECT_EQ(plugin->processor->setBusArrangements(&stereo, 1, twoOutputs, 2), kResultFalse);
    EXPECT_EQ(plugin->processor->setBusArrangements(&mono, 1, &mono, 1), kResultOk);
    EXPECT_EQ(busName(kInput), "Input");
    EXPECT_EQ(busName(kOutput), "Output");
    for (BusDirection dir : {kInput, kOutput}) {
        SpeakerArrangement arr = 0;
        EXPECT_EQ(plugin->processor->getBusArrangement(dir, 0, arr), kResultTrue);
        EXPECT_EQ(arr, 0x80000u);
    }
    EXPECT_EQ(plugin->processor->canProcessSampleSize(kSample64), kResultOk);
    EXPECT_EQ(plugin->processor->canProcessSampleSize(2), kResultFalse);
}

TEST_F(Vst3Binding, BusesStayActiveWhenANegotiationReplacesThem) {
    // Some hosts activate the buses before they negotiate the layout; the output must still
    // reach them once mono replaces stereo.
    plugin->component->activateBus(kAudio, kInput, 0, true);
    plugin->component->activateBus(kAudio, kOutput, 0, true);
    SpeakerArrangement mono = SpeakerArr::kMono;
    ASSERT_EQ(plugin->processor->setBusArrangements(&mono, 1, &mono, 1), kResultOk);
    ProcessSetup setup{kRealtime, kSample32, 64, 48000.0};
    ASSERT_EQ(plugin->processor->setupProcessing(setup), kResultOk);
    ASSERT_EQ(plugin->component->setActive(true), kResultOk);
    std::vector<std::vector<float>> in{std::vector<float>(64, 0.25f)};
    std::vector<std::vector<float>> out{std::vector<float>(64, -7.0f)};
    ASSERT_EQ(plugin->Process32(in, out, 64), kResultOk);
    EXPECT_NE(out[0][0], -7.0f);
}

TEST_F(Vst3Binding, SetupRefusesNonsenseAndKeepsBypass) {
    ProcessSetup bad{kRealtime, 2, 256, 48000.0};
    EXPECT_EQ(plugin->processor->setupProcessing(bad), kResultFalse);
    for (ProcessSetup nonsense : {ProcessSetup{kRealtime, kSample32, 0, 48000.0},
                                  ProcessSetup{kRealtime, kSample32, 256, 0.0},
                                  ProcessSetup{kRealtime, kSample32, 256, std::nan("")}}) {
        EXPECT_NE(plugin->processor->setupProcessing(nonsense), kResultOk);
    }
    ASSERT_TRUE(plugin->Prepare());
    ParamChanges changes;
    changes.Add(kGain, 1.0);
    changes.Add(kBypassParamId, 1.0);
    plugin->Apply(changes);
    EXPECT_EQ(plugin->controller->getParamNormalized(kBypassParamId), 1.0);
    // A new rate or block size from the user: the host still shows the plug-in bypassed, and it
    // still is.
    ProcessSetup again{kRealtime, kSample32, 128, 44100.0};
    EXPECT_EQ(plugin->processor->setupProcessing(again), kResultOk);
    EXPECT_EQ(plugin->controller->getParamNormalized(kBypassParamId), 1.0);
    std::vector<std::vector<float>> in(2, std::vector<float>(64, 0.25f)), out = in;
    ASSERT_EQ(plugin->Process32(in, out, 64), kResultOk);
    EXPECT_EQ(out, in);
}

TEST_F(Vst3Binding, AppliesOnlyTheLastPointOfAQueueWithOneChangeHookCall) {
    ASSERT_TRUE(plugin->Prepare());
    const double before = Counter(kChangeCount);
    ParamChanges changes;
    for (double v : {0.2, 0.4, 0.9}) changes.Add(kGain, v, 10);
    std::vector<std::vector<float>> in(2, std::vector<float>(64, 0.5f));
    std::vector<std::vector<float>> out(2, std::vector<float>(64, 0.0f));
    ASSERT_EQ(plugin->Process32(in, out, 64, &changes), kResultOk);
    EXPECT_DOUBLE_EQ(plugin->controller->getParamNormalized(kGain), 0.9);
    EXPECT_DOUBLE_EQ(Counter(kChangeCount), before + 1.0);
    EXPECT_FLOAT_EQ(out[0][0], 0.5f * 1.8f);  // already in force for the block's first sample
}

TEST_F(Vst3Binding, ClampsHostValuesAndIgnoresNaN) {
    ASSERT_TRUE(plugin->Prepare());
    struct Case {
        double sent;
        double expected;
    };
    for (const Case& c : {Case{1.7, 1.0}, Case{-0.4, 0.0}, Case{std::nan(""), 0.0}}) {
        SCOPED_TRACE(c.sent);
        ParamChanges changes;
        changes.Add(kMode, c.sent);
        plugin->Apply(changes);
        EXPECT_EQ(plugin->controller->getParamNormalized(kMode), c.expected);
    }
    EXPECT_EQ(plugin->controller->setParamNormalized(kTone, std::nan("")), kInvalidArgument);
    EXPECT_EQ(plugin->controller->setParamNormalized(kTone, -3.0), kResultOk);
    EXPECT_DOUBLE_EQ(plugin->controller->getParamNormalized(kTone), 0.0);
}

TEST_F(Vst3Binding, BypassSwitchesAboveOneHalfAndPassesInputThrough) {
    ASSERT_TRUE(plugin->Prepare());
    ParamChanges gain;
    gain.Add(kGain, 0.25);
    plugin->Apply(gain);
    std::vector<std::vector<float>> in(2, std::vector<float>(32));
    for (int i = 0; i < 32; ++i) in[0][i] = in[1][i] = 0.01f * static_cast<float>(i) - 0.1f;
    std::vector<std::vector<float>> out(2, std::vector<float>(32));

    ParamChanges half;
    half.Add(kBypassParamId, 0.5);
    plugin->Process32(in, out, 32, &half);
    EXPECT_FLOAT_EQ(out[0][5], in[0][5] * 0.5f);

    const double blocks = Counter(kBlockCount);
    ParamChanges on;
    on.Add(kBypassParamId, 0.51);
    plugin->Process32(in, out, 32, &on);
    EXPECT_EQ(out, in);
    EXPECT_EQ(Counter(kBlockCount), blocks);  // ProcessBlock not called
}

TEST_F(Vst3Binding, ProcessesBothSampleSizesLikeTheEngine) {
    for (int32 size : {kSample32, kSample64}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(plugin->Prepare(2, 128, size));
        ParamChanges changes;
        changes.Add(kGain, 0.3);  // gain 0.6
        const int frames = 100;
        if (size == kSample32) {
            std::vector<std::vector<float>> in(2, std::vector<float>(frames));
            std::vector<std::vector<float>> out(2, std::vector<float>(frames));
            for (int i = 0; i < frames; ++i)
                in[0][i] = std::sin(0.1f * i), in[1][i] = std::cos(0.07f * i);
            ASSERT_EQ(plugin->Process32(in, out, frames, &changes), kResultOk);
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < frames; ++i)
                    ASSERT_EQ(out[c][i], static_cast<float>(double(in[c][i]) * 0.6));
        } else {
            std::vector<std::vector<double>> in(2, std::vector<double>(frames));
            std::vector<std::vector<double>> out(2, std::vector<double>(frames));
            for (int i = 0; i < frames; ++i)
                in[0][i] = std::sin(0.1 * i), in[1][i] = std::cos(0.07 * i);
            ASSERT_EQ(plugin->Process64(in, out, frames, &changes), kResultOk);
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < frames; ++i) ASSERT_EQ(out[c][i], in[c][i] * 0.6);
        }
    }
}

TEST_F(Vst3Binding, SplitsBlocksLargerThanAnnouncedInsteadOfOverrunning) {
    for (int32 size : {kSample32, kSample64}) {
        ASSERT_TRUE(plugin->Prepare(2, 64, size));
        const double blocks = Counter(kBlockCount);
        const int frames = 200;
        std::vector<std::vector<double>> in64(2, std::vector<double>(frames, 0.25));
        std::vector<std::vector<double>> out64(2, std::vector<double>(frames));
        std::vector<std::vector<float>> in32(2, std::vector<float>(frames, 0.25f));
        std::vector<std::vector<float>> out32(2, std::vector<float>(frames));
        ASSERT_EQ(size == kSample32 ? plugin->Process32(in32, out32, frames)
                                    : plugin->Process64(in64, out64, frames),
                  kResultOk);
        EXPECT_EQ(Counter(kBlockCount), blocks + 4);  // 64 + 64 + 64 + 8
        EXPECT_EQ(Counter(kLargestBlock), 64);
        EXPECT_EQ(size == kSample32 ? double(out32[1][frames - 1]) : out64[1][frames - 1], 0.25);
    }
}

TEST_F(Vst3Binding, ToleratesEmptyAndHalfEmptyProcessCalls) {
    ASSERT_TRUE(plugin->Prepare(2, 64));
    ProcessData empty;
    EXPECT_EQ(plugin->processor->process(empty), kResultOk);

    // No inputs: the plug-in processes silence.
    std::vector<float> left(64, 9.0f), right(64, 9.0f);
    float* outs[2] = {left.data(), right.data()};
    AudioBusBuffers outBus;
    outBus.numChannels = 2;
    outBus.channelBuffers32 = outs;
    ProcessData data;
    data.numSamples = 64;
    data.numOutputs = 1;
    data.outputs = &outBus;
    EXPECT_EQ(plugin->processor->process(data), kResultOk);
    EXPECT_EQ(left[10], 0.0f);

    // Null channel pointers and buffer arrays are left alone.
    outs[1] = nullptr;
    AudioBusBuffers inBus;
    inBus.numChannels = 2;
    inBus.channelBuffers32 = nullptr;
    data.numInputs = 1;
    data.inputs = &inBus;
    EXPECT_EQ(plugin->processor->process(data), kResultOk);
    outBus.channelBuffers32 = nullptr;
    EXPECT_EQ(plugin->processor->process(data), kResultOk);

    // An inactive output bus is not written.
    std::fill(left.begin(), left.end(), 9.0f);
    outs[1] = right.data();
    outBus.channelBuffers32 = outs;
    plugin->component->activateBus(kAudio, kOutput, 0, false);
    EXPECT_EQ(plugin->processor->process(data), kResultOk);
    EXPECT_EQ(left[10], 9.0f);
}

TEST_F(Vst3Binding, StateRoundTripsAndSurvivesShortOrGarbageStreams) {
    constexpr int kSize = kTestParamCount * 8 + 4;
    ParamChanges changes;
    changes.Add(kGain, 0.75);
    changes.Add(kBypassParamId, 1.0);
    ASSERT_TRUE(plugin->Prepare());
    plugin->Apply(changes);
    const std::vector<std::uint8_t> saved = plugin->State();
    ASSERT_EQ(saved.size(), static_cast<std::size_t>(kSize));
    EXPECT_EQ(std::vector<std::uint8_t>(saved.end() - 4, saved.end()),
              (std::vector<std::uint8_t>{1, 0, 0, 0}));

    ByteStream none;
    EXPECT_EQ(plugin->component->getState(&none), kNotImplemented);
    EXPECT_TRUE(none.Bytes().empty());
    EXPECT_EQ(plugin->component->setState(&none), kNotImplemented);
    EXPECT_EQ(plugin->controller->setComponentState(&none), kNotImplemented);
    EXPECT_EQ(plugin->controller->setState(nullptr), kInvalidArgument);

    ParamChanges bypassOff;
    bypassOff.Add(kBypassParamId, 0.0);
    plugin->Apply(bypassOff);
    plugin->controller->setParamNormalized(kGain, 0.1);
    ByteStream full(saved);
    EXPECT_EQ(plugin->controller->setState(&full), kResultOk);
    EXPECT_DOUBLE_EQ(plugin->controller->getParamNormalized(kGain), 0.75);
    EXPECT_EQ(plugin->controller->getParamNormalized(kBypassParamId), 1.0);

    // Only the values, no bypass word: loaded, but the answer says the state was incomplete.
    plugin->Apply(bypassOff);
    plugin->controller->setParamNormalized(kGain, 0.1);
    ByteStream valuesOnly(std::vector<std::uint8_t>(saved.begin(), saved.end() - 4));
    EXPECT_EQ(plugin->controller->setState(&valuesOnly), kResultFalse);
    EXPECT_DOUBLE_EQ(plugin->controller->getParamNormalized(kGain), 0.75);
    EXPECT_EQ(plugin->controller->getParamNormalized(kBypassParamId), 0.0);

    // 12 bytes: parameter 0 from the stream, a half value keeps the current one.
    plugin->controller->setParamNormalized(kGain, 0.1);
    plugin->controller->setParamNormalized(kTone, 1.0);
    ByteStream twelve(std::vector<std::uint8_t>(saved.begin(), saved.begin() + 12));
    EXPECT_EQ(plugin->controller->setState(&twelve), kResultFalse);
    EXPECT_DOUBLE_EQ(plugin->controller->getParamNormalized(kGain), 0.75);
    EXPECT_DOUBLE_EQ(plugin->controller->getParamNormalized(kTone), 1.0);

    // Non-finite values never load; huge ones clamp.
    std::vector<std::uint8_t> garbage = saved;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double huge = 1e300;
    std::memcpy(garbage.data() + 8 * kGain, &nan, 8);
    std::memcpy(garbage.data() + 8 * kTone, &huge, 8);
    ByteStream bad(garbage);
    EXPECT_EQ(plugin->controller->setState(&bad), kResultOk);
    EXPECT_TRUE(std::isfinite(plugin->controller->getParamNormalized(kGain)));
    EXPECT_DOUBLE_EQ(plugin->controller->getParamNormalized(kTone), 1.0);

    ByteStream empty;
    EXPECT_EQ(plugin->controller->setState(&empty), kResultFalse);
    std::vector<std::uint8_t> oversized = saved;
    oversized.resize(4096, 0xAB);
    ByteStream big(oversized);
    EXPECT_EQ(plugin->controller->setState(&big), kResultOk);
}

TEST_F(Vst3Binding, PublishesPresetBypassAndEveryParameterWithTheirTexts) {
    auto* c = plugin->controller;
    ASSERT_EQ(c->getParameterCount(), kTestParamCount + kHostIndexOfFirst);
    ParameterInfo info = {};
    ASSERT_EQ(c->getParameterInfo(0, info), kResultOk);
    EXPECT_EQ(tools::PluginText(info.title), "Preset");
    EXPECT_EQ(info.id, kPresetParamId);
    EXPECT_EQ(info.flags, ParameterInfo::kIsProgramChange);
    EXPECT_EQ(info.stepCount, 2);
    ASSERT_EQ(c->getParameterInfo(1, info), kResultOk);
    EXPECT_EQ(tools::PluginText(info.title), "Bypass");
    EXPECT_EQ(info.flags, 0x10009);
    EXPECT_EQ(info.stepCount, 1);
    EXPECT_EQ(c->getParameterInfo(-1, info), kResultFalse);
    EXPECT_EQ(c->getParameterInfo(kTestParamCount + kHostIndexOfFirst, info), kResultFalse);

    struct Expected {
        const char* title;
        int steps;
        int unit;
        int flags;
        const char* units;
    };
    const Expected expected[kTestParamCount] = {{"Gain", 0, 0, 1, "x"},
                                                {"Tone", 0, 1, 1, "%"},
                                                {"Mode", 1, 0, 1, ""},
                                                {"Steps", 4, 1, 1, ""},
                                                {"", 1, 0, 1, ""},
                                                {"Changes", 1000000, 2, 0, ""},
                                                {"Blocks", 1000000, 2, 0, ""},
                                                {"Largest", 1000000, 2, 0, ""}};
    for (int i = 0; i < kTestParamCount; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(c->getParameterInfo(i + kHostIndexOfFirst, info), kResultOk);
        EXPECT_EQ(info.id, static_cast<ParamID>(i));
        EXPECT_EQ(tools::PluginText(info.title), expected[i].title);
        EXPECT_EQ(info.stepCount, expected[i].steps);
        EXPECT_EQ(info.unitId, expected[i].unit);
        EXPECT_EQ(info.flags, expected[i].flags);
        EXPECT_EQ(tools::PluginText(info.units), expected[i].units);
    }
    EXPECT_EQ(plugin->ValueText(kGain, 0.5), "1.00");
    EXPECT_EQ(plugin->ValueText(kUnset, 0.0), "0");
    EXPECT_EQ(plugin->ValueText(kUnset, 1.0), "1");
    EXPECT_EQ(plugin->ValueText(kBypassParamId, 1.0), "<none>");
    EXPECT_EQ(plugin->ValueText(kPresetParamId, 0.0), "<none>");

    ParamValue normal = -1.0;
    String128 text;
    const char16_t typed[] = u"1.5";
    std::memcpy(text, typed, sizeof typed);
    EXPECT_EQ(c->getParamValueByString(kGain, text, normal), kResultOk);
    EXPECT_DOUBLE_EQ(normal, 0.75);
    EXPECT_EQ(c->getParamValueByString(kGain, nullptr, normal), kInvalidArgument);
    EXPECT_DOUBLE_EQ(c->plainParamToNormalized(kGain, 0.5), 0.25);
    EXPECT_DOUBLE_EQ(c->plainParamToNormalized(kBypassParamId, 0.5), 0.5);
    EXPECT_DOUBLE_EQ(c->getParamNormalized(kPresetParamId), 0.0);
    EXPECT_EQ(c->setParamNormalized(kPresetParamId, 1.0), kResultFalse);
    for (double n = 0.0; n <= 1.0; n += 0.125) {
        EXPECT_NEAR(c->plainParamToNormalized(kTone, c->normalizedParamToPlain(kTone, n)), n,
                    1e-12);
    }
}

TEST_F(Vst3Binding, DescribesUnitsAndTheProgramList) {
    FUnknownPtr<IUnitInfo> units(plugin->component);
    ASSERT_TRUE(units);
    ASSERT_EQ(units->getUnitCount(), 3);
    UnitInfo unit = {};
    ASSERT_EQ(units->getUnitInfo(0, unit), kResultOk);
    EXPECT_EQ(tools::PluginText(unit.name), "Root Unit");
    EXPECT_EQ(unit.parentUnitId, kNoParentUnitId);
    ASSERT_EQ(units->getUnitInfo(2, unit), kResultOk);
    EXPECT_EQ(tools::PluginText(unit.name), "Diagnostics");
    EXPECT_EQ(unit.parentUnitId, kRootUnitId);
    EXPECT_EQ(units->getUnitInfo(3, unit), kResultFalse);

    EXPECT_EQ(units->getProgramListCount(), 0);
    ProgramListInfo list = {};
    ASSERT_EQ(units->getProgramListInfo(0, list), kResultOk);
    EXPECT_EQ(tools::PluginText(list.name), "Factory Presets");
    EXPECT_EQ(list.id, static_cast<ProgramListID>(kPresetParamId));
    EXPECT_EQ(list.programCount, 2);
    EXPECT_EQ(units->getProgramListInfo(1, list), kResultFalse);
    String128 name = {};
    ASSERT_EQ(units->getProgramName(kPresetParamId, 0, name), kResultOk);
    EXPECT_EQ(tools::PluginText(name), "-");
    ASSERT_EQ(units->getProgramName(kPresetParamId, 7, name), kResultOk);
    EXPECT_EQ(tools::PluginText(name), "");
    EXPECT_EQ(units->getProgramName(1, 0, name), kResultFalse);

    // The preset parameter: 0.5 of two slots asks for slot 1, never used, which then takes the
    // current settings under a fresh name.
    ParamChanges preset;
    preset.Add(kPresetParamId, 0.5);
    ASSERT_TRUE(plugin->Prepare());
    plugin->Apply(preset);
    units->getProgramName(kPresetParamId, 1, name);
    EXPECT_EQ(tools::PluginText(name), "user preset 1");
}

TEST_F(Vst3Binding, CreatesEditorViewsThatDeclineWithoutGraphics) {
    IPlugView* first = plugin->controller->createView("editor");
    IPlugView* second = plugin->controller->createView("editor");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(plugin->controller->createView("Editor"), nullptr);
    EXPECT_EQ(plugin->controller->createView(nullptr), nullptr);
    EXPECT_EQ(first->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultFalse);
    EXPECT_EQ(first->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
    ViewRect rect;
    EXPECT_EQ(first->getSize(&rect), kResultFalse);
    EXPECT_EQ(first->attached(nullptr, kPlatformTypeX11EmbedWindowID), kResultFalse);
    EXPECT_EQ(first->removed(), kResultOk);
    EXPECT_EQ(first->onSize(nullptr), kResultOk);
    EXPECT_EQ(first->setFrame(nullptr), kResultOk);
    EXPECT_EQ(first->canResize(), kResultFalse);
    EXPECT_EQ(first->onWheel(1.0f), kResultFalse);
    first->release();
    second->release();
}

TEST(Vst3Module, FactoryDescribesOneClassAndCreatesOnlyIt) {
    std::string error;
    auto module = PluginModule::Open(TESSELOR_TEST_BUNDLE, &error);
    ASSERT_TRUE(module) << error;
    IPluginFactory* factory = module->Factory();
    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Tesselor Tests");
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
    ASSERT_EQ(factory->countClasses(), 1);

    FUnknownPtr<IPluginFactory3> factory3(factory);
    ASSERT_TRUE(factory3);
    PClassInfoW wide;
    ASSERT_EQ(factory3->getClassInfoUnicode(0, &wide), kResultOk);
    EXPECT_EQ(tools::PluginText(wide.name), "Test Plugin");
    EXPECT_EQ(tools::PluginText(wide.sdkVersion), "VST 3.6.12");
    EXPECT_EQ(factory3->getClassInfoUnicode(1, &wide), kInvalidArgument);

    // The same factory again, with one more reference.
    auto getFactory =
        reinterpret_cast<IPluginFactory*(PLUGIN_API*)()>(module->Symbol("GetPluginFactory"));
    ASSERT_NE(getFactory, nullptr);
    const uint32 before = factory->addRef();
    factory->release();
    IPluginFactory* again = getFactory();
    EXPECT_EQ(again, factory);
    EXPECT_EQ(again->addRef(), before + 1);
    again->release();
    again->release();

    void* obj = reinterpret_cast<void*>(1);
    TUID other = {};
    EXPECT_EQ(factory->createInstance(other, IComponent::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(factory->createInstance(kTestClassId, IPlugView::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
}

TEST(Vst3Module, LoadsAndUnloadsManyTimesWithSeveralInstancesAlive) {
    for (int round = 0; round < 12; ++round) {
        std::string error;
        auto module = PluginModule::Open(TESSELOR_TEST_BUNDLE, &error);
        ASSERT_TRUE(module) << error;
        std::vector<std::unique_ptr<Instance>> alive;
        for (int i = 0; i < 3; ++i) {
            alive.push_back(std::make_unique<Instance>(module->Factory(), kTestClassId));
            ASSERT_TRUE(alive.back()->Valid());
            ASSERT_EQ(alive.back()->component->initialize(&alive.back()->host), kResultOk);
            ASSERT_TRUE(alive.back()->Prepare(i == 1 ? 1 : 2, 64));
        }
        for (auto& plugin : alive) {
            std::vector<std::vector<float>> in(2, std::vector<float>(64, 0.5f)),
                out(2, std::vector<float>(64));
            EXPECT_EQ(plugin->Process32(in, out, 64), kResultOk);
        }
    }
}

}  // namespace
}  // namespace tesselor::vst3::test
