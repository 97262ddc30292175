// The two threads a host runs at once: process() on the audio thread, controller queries, state
// and editor edits on the main thread. Built with ThreadSanitizer by the tsan preset, which runs
// it; elsewhere it checks that nothing breaks and the output stays finite.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "plugin/Tesselor.h"
#include "tools/HostServices.h"

namespace tesselor::plugin {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr int kBlock = 64;

TEST(TesselorThreads, ProcessRunsBesideControllerStateAndEditorEdits) {
    auto* eq = new Tesselor();  // reference counted; released at the end
    IComponent* component = eq;
    IAudioProcessor* processor = eq;
    IEditController* controller = eq;
    tools::HostApplication host;
    ASSERT_EQ(component->initialize(&host), kResultOk);
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    ASSERT_EQ(processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
    ProcessSetup setup{kRealtime, kSample32, kBlock, 48000.0};
    ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
    ASSERT_EQ(component->setActive(true), kResultOk);

    std::atomic<bool> done{false};
    std::atomic<bool> finite{true};
    std::thread audio([&] {
        std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
        float* in[2] = {inL.data(), inR.data()};
        float* out[2] = {outL.data(), outR.data()};
        AudioBusBuffers inBus, outBus;
        inBus.numChannels = outBus.numChannels = 2;
        inBus.channelBuffers32 = in;
        outBus.channelBuffers32 = out;
        tools::ParamChanges changes;
        for (int b = 0; b < 400; ++b) {
            for (int i = 0; i < kBlock; ++i)
                inL[i] = inR[i] = 0.3f * std::sin(0.01f * (b * kBlock + i));
            changes.Clear();
            changes.Add(kParamLowGain, (b % 10) / 10.0);
            changes.Add(kParamOversample, b % 2);
            changes.Add(vst3::kBypassParamId, b % 50 == 0 ? 1.0 : 0.0);
            if (b % 100 == 0) changes.Add(vst3::kPresetParamId, 0.0);
            ProcessData data;
            data.symbolicSampleSize = kSample32;
            data.numSamples = kBlock;
            data.numInputs = data.numOutputs = 1;
            data.inputs = &inBus;
            data.outputs = &outBus;
            data.inputParameterChanges = &changes;
            processor->process(data);
            for (float s : outL) finite = finite && std::isfinite(s);
        }
        done = true;
    });

    String128 text;
    for (int round = 0; !done; ++round) {
        const ParamID id = round % kTesselorParamCount;
        controller->setParamNormalized(id, (round % 7) / 7.0);
        controller->getParamNormalized(id);
        controller->getParamStringByValue(id, 0.5, text);
        controller->setParamNormalized(vst3::kBypassParamId, round % 2);
        controller->getParamNormalized(vst3::kBypassParamId);
        eq->SetParamFromEditor(kParamHighGain, (round % 5) / 5.0);
        if (round % 8 == 0) {
            tools::ByteStream saved;
            ASSERT_EQ(controller->getState(&saved), kResultOk);
            tools::ByteStream again(saved.Bytes());
            EXPECT_EQ(controller->setState(&again), kResultOk);
        }
    }
    audio.join();
    EXPECT_TRUE(finite);
    component->setActive(false);
    component->terminate();
    eq->release();
}

}  // namespace
}  // namespace tesselor::plugin
