#include "BundleHost.h"

namespace tesselor::vst3::test {

using namespace Steinberg;
using namespace Steinberg::Vst;

Instance::Instance(IPluginFactory* factory, const TUID cid) {
    if (factory->createInstance(cid, IComponent::iid, reinterpret_cast<void**>(&component)) !=
        kResultOk)
        return;
    component->queryInterface(IAudioProcessor::iid, reinterpret_cast<void**>(&processor));
    component->queryInterface(IEditController::iid, reinterpret_cast<void**>(&controller));
}

Instance::~Instance() {
    if (controller) controller->release();
    if (processor) processor->release();
    if (component) {
        component->terminate();
        component->release();
    }
}

bool Instance::Prepare(int channels, int maxBlock, int32 sampleSize, double rateHz) {
    SpeakerArrangement arr = channels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
    if (processor->setBusArrangements(&arr, 1, &arr, 1) != kResultOk) return false;
    component->activateBus(kAudio, kInput, 0, true);
    component->activateBus(kAudio, kOutput, 0, true);
    ProcessSetup setup{kRealtime, sampleSize, maxBlock, rateHz};
    if (processor->setupProcessing(setup) != kResultOk) return false;
    return component->setActive(true) == kResultOk;
}

template <class Sample>
static tresult Run(IAudioProcessor* processor, std::vector<std::vector<Sample>>& in,
                   std::vector<std::vector<Sample>>& out, int frames,
                   tools::ParamChanges* changes) {
    std::vector<Sample*> inPtr;
    std::vector<Sample*> outPtr;
    for (auto& c : in) inPtr.push_back(c.data());
    for (auto& c : out) outPtr.push_back(c.data());
    AudioBusBuffers inBus;
    AudioBusBuffers outBus;
    inBus.numChannels = static_cast<int32>(in.size());
    outBus.numChannels = static_cast<int32>(out.size());
    if constexpr (sizeof(Sample) == 8) {
        inBus.channelBuffers64 = inPtr.data();
        outBus.channelBuffers64 = outPtr.data();
    } else {
        inBus.channelBuffers32 = inPtr.data();
        outBus.channelBuffers32 = outPtr.data();
    }
    ProcessData data;
    data.symbolicSampleSize = sizeof(Sample) == 8 ? kSample64 : kSample32;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.inputParameterChanges = changes;
    return processor->process(data);
}

tresult Instance::Process32(std::vector<std::vector<float>>& in,
                            std::vector<std::vector<float>>& out, int frames,
                            tools::ParamChanges* changes) {
    return Run(processor, in, out, frames, changes);
}

tresult Instance::Process64(std::vector<std::vector<double>>& in,
                            std::vector<std::vector<double>>& out, int frames,
                            tools::ParamChanges* changes) {
    return Run(processor, in, out, frames, changes);
}

tresult Instance::Apply(tools::ParamChanges& changes) {
    ProcessData data;
    data.symbolicSampleSize = kSample32;
    data.numSamples = 0;
    data.inputParameterChanges = &changes;
    return processor->process(data);
}

std::vector<std::uint8_t> Instance::State() {
    tools::ByteStream stream;
    controller->getState(&stream);
    return stream.Bytes();
}

std::string Instance::Title(int32 index) {
    ParameterInfo info = {};
    controller->getParameterInfo(index, info);
    return tools::PluginText(info.title);
}

std::string Instance::ValueText(ParamID id, double normal) {
    String128 text = {};
    if (controller->getParamStringByValue(id, normal, text) != kResultOk) return "<none>";
    return tools::PluginText(text);
}

}  // namespace tesselor::vst3::test
