#include "vst3/Vst3Plugin.h"

#include "vst3/Vst3EditorView.h"

namespace tesselor::vst3 {

using namespace Steinberg;
using namespace Steinberg::Vst;

Vst3Plugin::Vst3Plugin(int paramCount, const char* channelIO, int presetCount,
                       const framework::PluginIdentity& identity)
    : PluginBase(paramCount, channelIO, presetCount, identity) {
    for (int i = 0; i < InputCount(); ++i) Input(i).connected = true;
    for (int i = 0; i < OutputCount(); ++i) Output(i).connected = true;
    // Scratch buffers for the block size the process setup starts with, so that a host that
    // processes before setting up finds valid memory behind every channel pointer.
    ChangeBlockSize(processSetup.maxSamplesPerBlock);
    PointAtScratch();
    if (InputCount() > 0) CreateBypassDelay();
    InputBusNames().assign(1, "Main Input");
    OutputBusNames().assign(1, "Output");
}

Vst3Plugin::~Vst3Plugin() = default;

void Vst3Plugin::PointAtScratch() {
    for (int i = 0; i < InputCount(); ++i) *Input(i).entry = Input(i).scratch.data();
    for (int i = 0; i < OutputCount(); ++i) {
        *Output(i).entry = Output(i).scratch.data();
        Output(i).destination = nullptr;
    }
}

SpeakerArrangement Vst3Plugin::ArrangementFor(int channels) {
    switch (channels) {
        case 1:
            return SpeakerArr::kMono;  // 0x80000
        case 2:
            return SpeakerArr::kStereo;  // 0x3
        case 3:
            return SpeakerArr::k30Music;  // left, right, surround: 0x103
        case 4:
            return SpeakerArr::k40Music;  // 0x33
        case 5:
            return SpeakerArr::k50;  // 0x37
        case 6:
            return SpeakerArr::k51;  // 0x3F
        default:
            return SpeakerArr::kEmpty;
    }
}

bool Vst3Plugin::IsOfflineRender() const { return processSetup.processMode == kOffline; }

std::int32_t Vst3Plugin::SamplePosition() const {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(_transport.projectTimeSamples));
}

double Vst3Plugin::HostTempo() const { return _transport.tempo; }

void Vst3Plugin::HostTimeSignature(int* numerator, int* denominator) const {
    if (numerator) *numerator = _transport.timeSigNumerator;
    if (denominator) *denominator = _transport.timeSigDenominator;
}

void Vst3Plugin::ReadTransport(framework::TransportInfo* info) const {
    if (!info) return;
    // The context's validity flags are not consulted: hosts leave invalid fields at zero.
    info->tempo = _transport.tempo;
    info->samplePosition = static_cast<double>(_transport.projectTimeSamples);
    info->musicalPosition = _transport.projectTimeMusic;
    info->barStart = _transport.barPositionMusic;
    info->cycleStart = _transport.cycleStartMusic;
    info->cycleEnd = _transport.cycleEndMusic;
    info->timeSigNumerator = _transport.timeSigNumerator;
    info->timeSigDenominator = _transport.timeSigDenominator;
    info->playing = (_transport.state & ProcessContext::kPlaying) != 0;
    info->cycleActive = (_transport.state & ProcessContext::kCycleActive) != 0;
}

void Vst3Plugin::ChangeLatency(int frames) {
    PluginBase::ChangeLatency(frames);
    if (componentHandler) componentHandler->restartComponent(kLatencyChanged);
}

bool Vst3Plugin::EmitMidiMessage(const framework::MidiMessage&) { return false; }

}  // namespace tesselor::vst3
