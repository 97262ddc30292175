// The plug-in as a host runs it: IAudioProcessor::process on 32-bit float buffers, stereo, at
// 48 kHz, in blocks of `block`, timed alternately with the engine called directly on doubles in
// the same blocks. vs_engine = cost per frame through the binding over the engine's own: the
// lock, the parameter queues and the conversion between float and double.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "bench/EqBenchSupport.h"
#include "plugin/Tesselor.h"

namespace tesselor::bench {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

// One Tesselor instance, set up for 32-bit processing with the benchmark's pots.
class HostedTesselor {
public:
    explicit HostedTesselor(int block) : _block(block) {
        _plugin->initialize(nullptr);
        SpeakerArrangement stereo = SpeakerArr::kStereo;
        _plugin->setBusArrangements(&stereo, 1, &stereo, 1);
        _plugin->activateBus(kAudio, kInput, 0, true);
        _plugin->activateBus(kAudio, kOutput, 0, true);
        ProcessSetup setup{kRealtime, kSample32, block, kRateHz};
        _plugin->setupProcessing(setup);
        _plugin->setActive(true);
        _plugin->setProcessing(true);
        for (int i = 0; i < 10; ++i) {
            _plugin->Param(i)->SetPlain(kBenchPots[i]);
            _plugin->HandleParamChange(i);
        }
    }
    ~HostedTesselor() {
        _plugin->setProcessing(false);
        _plugin->setActive(false);
        _plugin->terminate();
        _plugin->release();
    }
    HostedTesselor(const HostedTesselor&) = delete;
    HostedTesselor& operator=(const HostedTesselor&) = delete;

    // kFrames of `in` into `out` (two channels each) in blocks of `block`.
    void Process(std::vector<float> (&in)[2], std::vector<float> (&out)[2]) {
        for (int pos = 0; pos < kFrames; pos += _block) {
            float* inPtr[2] = {&in[0][pos], &in[1][pos]};
            float* outPtr[2] = {&out[0][pos], &out[1][pos]};
            AudioBusBuffers inBus, outBus;
            inBus.numChannels = outBus.numChannels = 2;
            inBus.channelBuffers32 = inPtr;
            outBus.channelBuffers32 = outPtr;
            ProcessData data;
            data.symbolicSampleSize = kSample32;
            data.numSamples = std::min(_block, kFrames - pos);
            data.numInputs = data.numOutputs = 1;
            data.inputs = &inBus;
            data.outputs = &outBus;
            _plugin->process(data);
        }
        benchmark::DoNotOptimize(out[0].data());
        benchmark::DoNotOptimize(out[1].data());
    }

private:
    plugin::Tesselor* _plugin = new plugin::Tesselor();  // reference counted: released, not deleted
    int _block;
};

void BM_EqBinding32(benchmark::State& state) {
    const int block = static_cast<int>(state.range(0));
    const StereoSignal noise = MakeNoise(kFrames, 0.5, kSeed);
    std::vector<float> in[2] = {{noise.left.begin(), noise.left.end()},
                                {noise.right.begin(), noise.right.end()}};
    std::vector<float> out[2] = {std::vector<float>(kFrames), std::vector<float>(kFrames)};
    // The engine sees what the binding hands it: the float input widened to double.
    const StereoSignal widened{{in[0].begin(), in[0].end()}, {in[1].begin(), in[1].end()}};
    StereoSignal engineOut = MakeSilence(kFrames);

    HostedTesselor hosted(block);
    EqRun engine(kRateHz, plugin::eq::EqEngine::kLowFactor, kFiltersOut, block);
    for (int done = 0; done < kRateHz; done += kFrames) hosted.Process(in, out);
    engine.Settle(widened, engineOut);
    const Alternated t = TimeAlternately(
        state, [&] { hosted.Process(in, out); }, [&] { engine.Process(widened, engineOut); });
    ReportRtf(state, t.subjectSeconds, kRateHz);
    state.counters["vs_engine"] = t.subjectSeconds / t.referenceSeconds;
}
BENCHMARK(BM_EqBinding32)->ArgNames({"block"})->Arg(64)->Arg(512);

}  // namespace
}  // namespace tesselor::bench
