#include "vst3/SingleComponentEffect.h"

#include <cstring>
#include <new>

namespace tesselor::vst3 {

using namespace Steinberg;
using namespace Steinberg::Vst;

SingleComponentEffect::SingleComponentEffect()
    : audioInputs(kAudio, kInput),
      audioOutputs(kAudio, kOutput),
      eventInputs(kEvent, kInput),
      eventOutputs(kEvent, kOutput) {
    processSetup.processMode = kRealtime;
    processSetup.symbolicSampleSize = kSample32;
    processSetup.maxSamplesPerBlock = 1024;
    processSetup.sampleRate = 44100.0;
}

SingleComponentEffect::~SingleComponentEffect() = default;

namespace {

AudioBus* AddAudioBus(BusList& list, const TChar* name, SpeakerArrangement arrangement,
                      BusType type, int32 flags) {
    try {
        auto* bus = new AudioBus(name, type, flags, arrangement);
        list.push_back(IPtr<Bus>(bus, false));
        return bus;
    } catch (...) {
        return nullptr;
    }
}

AudioBus* AudioBusAt(BusList& list, int32 index) {
    if (index < 0 || index >= static_cast<int32>(list.size())) return nullptr;
    return FCast<AudioBus>(list[index].get());
}

}  // namespace

AudioBus* SingleComponentEffect::addAudioInput(const TChar* name, SpeakerArrangement arrangement,
                                               BusType type, int32 flags) {
    return AddAudioBus(audioInputs, name, arrangement, type, flags);
}

AudioBus* SingleComponentEffect::addAudioOutput(const TChar* name, SpeakerArrangement arrangement,
                                                BusType type, int32 flags) {
    return AddAudioBus(audioOutputs, name, arrangement, type, flags);
}

AudioBus* SingleComponentEffect::getAudioInput(int32 index) {
    return AudioBusAt(audioInputs, index);
}

AudioBus* SingleComponentEffect::getAudioOutput(int32 index) {
    return AudioBusAt(audioOutputs, index);
}

void SingleComponentEffect::removeAudioBusses() {
    audioInputs.clear();
    audioOutputs.clear();
}

tresult PLUGIN_API SingleComponentEffect::initialize(FUnknown* context) {
    return EditControllerEx1::initialize(context);
}

tresult PLUGIN_API SingleComponentEffect::terminate() {
    parameters.removeAll();
    removeAudioBusses();
    eventInputs.clear();
    eventOutputs.clear();
    return EditControllerEx1::terminate();
}

tresult PLUGIN_API SingleComponentEffect::setComponentState(IBStream*) { return kNotImplemented; }

tresult PLUGIN_API SingleComponentEffect::getParameterInfo(int32 paramIndex, ParameterInfo& info) {
    if (paramIndex < 0 || paramIndex >= parameters.getParameterCount()) return kResultFalse;
    return EditControllerEx1::getParameterInfo(paramIndex, info);
}

tresult PLUGIN_API SingleComponentEffect::getControllerClassId(TUID classId) {
    // The one class is its own controller; hosts then ask this object for IEditController.
    if (classId) std::memset(classId, 0, sizeof(TUID));
    return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::setIoMode(IoMode) { return kNotImplemented; }

BusList* SingleComponentEffect::getBusList(MediaType type, BusDirection dir) {
    if (type == kAudio)
        return dir == kInput ? &audioInputs : dir == kOutput ? &audioOutputs : nullptr;
    if (type == kEvent)
        return dir == kInput ? &eventInputs : dir == kOutput ? &eventOutputs : nullptr;
    return nullptr;
}

int32 PLUGIN_API SingleComponentEffect::getBusCount(MediaType type, BusDirection dir) {
    BusList* list = getBusList(type, dir);
    return list ? static_cast<int32>(list->size()) : 0;
}

tresult PLUGIN_API SingleComponentEffect::getBusInfo(MediaType type, BusDirection dir, int32 index,
                                                     BusInfo& info) {
    BusList* list = getBusList(type, dir);
    if (!list || index < 0 || index >= static_cast<int32>(list->size())) return kInvalidArgument;
    info.mediaType = type;
    info.direction = dir;
    return (*list)[index]->getInfo(info) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::getRoutingInfo(RoutingInfo&, RoutingInfo&) {
    return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::activateBus(MediaType type, BusDirection dir, int32 index,
                                                      TBool state) {
    BusList* list = getBusList(type, dir);
    if (!list || index < 0 || index >= static_cast<int32>(list->size())) return kInvalidArgument;
    (*list)[index]->setActive(state);
    return kResultTrue;
}

tresult ControllerStateRouting::LoadControllerState(IBStream*) { return kNotImplemented; }
tresult ControllerStateRouting::SaveControllerState(IBStream*) { return kNotImplemented; }
tresult ComponentStateRouting::LoadComponentState(IBStream*) { return kNotImplemented; }
tresult ComponentStateRouting::SaveComponentState(IBStream*) { return kNotImplemented; }

tresult PLUGIN_API SingleComponentEffect::getBusArrangement(BusDirection dir, int32 index,
                                                            SpeakerArrangement& arr) {
    AudioBus* bus = dir == kInput    ? getAudioInput(index)
                    : dir == kOutput ? getAudioOutput(index)
                                     : nullptr;
    if (!bus) return kInvalidArgument;
    arr = bus->getArrangement();
    return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::setProcessing(TBool) { return kNotImplemented; }

}  // namespace tesselor::vst3
