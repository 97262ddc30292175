// The processor side of Vst3Plugin: initialisation, bus negotiation, set-up and process().
#include <algorithm>
#include <cmath>
#include <new>

#include "framework/HostKind.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "vst3/Vst3Plugin.h"
#include "vst3/Vst3Text.h"

namespace tesselor::vst3 {

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API Vst3Plugin::initialize(FUnknown* context) {
    const bool repeated = hostContext != nullptr;
    if (!repeated) {
        const tresult result = SingleComponentEffect::initialize(context);
        if (result != kResultOk) return result;
    }

    if (context) {
        FUnknownPtr<IHostApplication> app(context);
        if (app) {
            String128 name = {};
            app->getName(name);
            name[127] = 0;  // a host that fills all 128 units gets cut, not overrun
            SetHostKind(
                framework::HostKindFromUtf16Name(reinterpret_cast<const char16_t*>(name), 128), 0);
        }
    }

    if (!repeated) {
        try {
            String128 busName;
            const SpeakerArrangement in = ArrangementFor(InputCount());
            if (in != SpeakerArr::kEmpty) {
                WidenText(busName, InputBusNames().at(0).c_str());
                addAudioInput(busName, in, kMain, BusInfo::kDefaultActive);
            }
            WidenText(busName, OutputBusNames().at(0).c_str());
            addAudioOutput(busName, ArrangementFor(OutputCount()));
            PublishParameters();
        } catch (...) {
            return kOutOfMemory;
        }
    }

    HandleHostKnown();
    LoadPreset(0);
    return repeated ? kResultFalse : kResultOk;
}

tresult PLUGIN_API Vst3Plugin::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                  SpeakerArrangement* outputs, int32 numOuts) {
    for (int i = 0; i < InputCount(); ++i) Input(i).connected = false;
    for (int i = 0; i < OutputCount(); ++i) Output(i).connected = false;
    PointAtScratch();

    const int inChannels = numIns > 0 && inputs ? SpeakerArr::getChannelCount(inputs[0]) : 0;
    const int outChannels = numOuts > 0 && outputs ? SpeakerArr::getChannelCount(outputs[0]) : 0;
    if (!LegalIO(inChannels, outChannels)) return kResultFalse;

    try {
        String128 busName;
        // A replaced bus keeps the activation the host gave the old one: hosts may activate
        // buses before they negotiate, and an inactive output bus would never be written.
        AudioBus* in = getAudioInput(0);
        if (in && SpeakerArr::getChannelCount(in->getArrangement()) != inChannels) {
            const bool active = in->isActive();
            audioInputs.clear();
            WidenText(busName, "Input");
            if (AudioBus* bus = addAudioInput(busName, ArrangementFor(inChannels), kMain,
                                              BusInfo::kDefaultActive))
                bus->setActive(active);
        }
        AudioBus* out = getAudioOutput(0);
        if (out && SpeakerArr::getChannelCount(out->getArrangement()) != outChannels) {
            const bool active = out->isActive();
            audioOutputs.clear();
            WidenText(busName, "Output");
            if (AudioBus* bus = addAudioOutput(busName, ArrangementFor(outChannels)))
                bus->setActive(active);
        }
    } catch (...) {
        return kOutOfMemory;
    }
    // One input and one output bus: anything else is refused, whatever the buses became above.
    return numIns == 1 && numOuts == 1 ? kResultOk : kResultFalse;
}

void Vst3Plugin::ApplyBypass(bool bypassed) {
    SetBypassed(bypassed);
    _bypassShown.store(bypassed ? 1.0 : 0.0, std::memory_order_relaxed);
}

tresult PLUGIN_API Vst3Plugin::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultOk
                                                                              : kResultFalse;
}

uint32 PLUGIN_API Vst3Plugin::getLatencySamples() { return static_cast<uint32>(Latency()); }

uint32 PLUGIN_API Vst3Plugin::getTailSamples() { return static_cast<uint32>(Tail()); }

tresult PLUGIN_API Vst3Plugin::setupProcessing(ProcessSetup& setup) {
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultOk) return kResultFalse;
    // Without a positive block and rate there is nothing to size the buffers or filters by.
    if (setup.maxSamplesPerBlock <= 0 || !(setup.sampleRate > 0.0) ||
        !std::isfinite(setup.sampleRate))
        return kInvalidArgument;
    try {
        // The bypass stays: hosts set up again whenever the user changes the rate or the block
        // size, and still show the plug-in bypassed.
        SetSampleRate(setup.sampleRate);
        ChangeBlockSize(setup.maxSamplesPerBlock);
    } catch (...) {
        PointAtScratch();
        return kOutOfMemory;
    }
    PointAtScratch();  // resizing moved the scratch buffers
    HandleReset();
    processSetup = setup;
    return kResultOk;
}

tresult PLUGIN_API Vst3Plugin::setActive(TBool state) {
    HandleActivate(state != 0);
    return kResultOk;
}

void Vst3Plugin::ApplyHostChange(ParamID id, double normal) {
    if (std::isnan(normal)) return;
    // Outside 0..1 a switch would land between its branches; hosts do send such values.
    normal = std::clamp(normal, 0.0, 1.0);
    if (id == kBypassParamId) {
        ApplyBypass(normal > 0.5);
    } else if (id == kPresetParamId) {
        LoadPreset(static_cast<int>(normal * PresetCount()));  // 1.0 asks for a slot past the end
    } else if (id < static_cast<ParamID>(ParamCount())) {
        const int index = static_cast<int>(id);
        Param(index)->ApplyNormal(normal);
        if (framework::PluginEditor* editor = Editor())
            editor->SetControlsFromPlugin(index, normal);
        HandleParamChange(index);
    }
}

tresult PLUGIN_API Vst3Plugin::process(ProcessData& data) {
    try {
        std::lock_guard lock(Mutex());
        if (data.processContext) _transport = *data.processContext;

        if (IParameterChanges* changes = data.inputParameterChanges) {
            const int32 queues = changes->getParameterCount();
            for (int32 q = 0; q < queues; ++q) {
                IParamValueQueue* queue = changes->getParameterData(q);
                if (!queue) continue;
                const int32 points = queue->getPointCount();
                int32 offset = 0;
                ParamValue value = 0.0;
                // Only the last point counts: every change of a block lands before its audio.
                if (points <= 0 || queue->getPoint(points - 1, offset, value) != kResultOk)
                    continue;
                ApplyHostChange(queue->getParameterId(), value);
            }
        }

        if (canProcessSampleSize(data.symbolicSampleSize) != kResultOk) return kInvalidArgument;
        const int frames = std::max<int32>(data.numSamples, 0);
        // A host may send more than the block it announced; the scratch buffers hold only that.
        const int block = std::max(BlockSize(), 1);
        int offset = 0;
        do {
            const int piece = std::min(frames - offset, block);
            ProcessPiece(data, offset, piece);
            offset += piece;
        } while (offset < frames);
        return kResultOk;
    } catch (...) {
        return kInternalError;
    }
}

void Vst3Plugin::ProcessPiece(ProcessData& data, int offset, int frames) noexcept {
    const bool is64 = data.symbolicSampleSize == kSample64;

    // Inputs: the first bus feeds the plug-in's channels in order; a channel the host does not
    // feed reads its own scratch buffer, cleared so that it reads silence.
    const AudioBusBuffers* inBus = data.numInputs > 0 && data.inputs ? &data.inputs[0] : nullptr;
    const int fed = inBus ? std::clamp<int>(inBus->numChannels, 0, InputCount()) : 0;
    for (int j = 0; j < InputCount(); ++j) {
        framework::InputChannel& channel = Input(j);
        const void* host = nullptr;
        if (j < fed) {
            if (is64 && inBus->channelBuffers64) host = inBus->channelBuffers64[j];
            if (!is64 && inBus->channelBuffers32) host = inBus->channelBuffers32[j];
        }
        channel.connected = host != nullptr;
        if (!host) {
            std::fill_n(channel.scratch.begin(), frames, 0.0);
            *channel.entry = channel.scratch.data();
        } else if (is64) {
            *channel.entry = const_cast<double*>(static_cast<const double*>(host)) + offset;
        } else {
            const float* from = static_cast<const float*>(host) + offset;
            std::copy_n(from, frames, channel.scratch.begin());
            *channel.entry = channel.scratch.data();
        }
    }

    // Outputs: buses in order, each taking the next channels; inactive buses and missing host
    // buffers leave their channels on scratch, where nothing reaches the host.
    for (int j = 0; j < OutputCount(); ++j) {
        Output(j).connected = false;
        Output(j).destination = nullptr;
        *Output(j).entry = Output(j).scratch.data();
    }
    const int buses =
        data.outputs ? std::min<int>(data.numOutputs, static_cast<int>(audioOutputs.size())) : 0;
    int first = 0;
    for (int b = 0; b < buses && first < OutputCount(); ++b) {
        const AudioBusBuffers& bus = data.outputs[b];
        const int width = std::max<int32>(bus.numChannels, 0);
        const bool active = audioOutputs[b]->isActive();
        for (int j = first; j < first + width && j < OutputCount(); ++j) {
            void* host = nullptr;
            if (is64 && bus.channelBuffers64) host = bus.channelBuffers64[j - first];
            if (!is64 && bus.channelBuffers32) host = bus.channelBuffers32[j - first];
            if (!active || !host) continue;
            framework::OutputChannel& channel = Output(j);
            channel.connected = true;
            if (is64) {
                *channel.entry = static_cast<double*>(host) + offset;
            } else {
                channel.destination = static_cast<float*>(host) + offset;
            }
        }
        first += width;
    }

    if (IsBypassed()) {
        PassThrough(frames);
    } else {
        ProcessBlock(InputCount() > 0 ? InputPointers() : nullptr,
                     OutputCount() > 0 ? OutputPointers() : nullptr, frames);
    }

    if (!is64) {
        for (int j = 0; j < OutputCount(); ++j) {
            framework::OutputChannel& channel = Output(j);
            if (!channel.connected || !channel.destination) continue;
            for (int f = 0; f < frames; ++f)
                channel.destination[f] = static_cast<float>(channel.scratch[f]);
        }
    }
}

}  // namespace tesselor::vst3
