#pragma once

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "public.sdk/source/vst/vstbus.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

namespace tesselor::vst3 {

// IComponent and IEditController both declare setState/getState with one signature, so a single
// override would answer both. These two layers give each its own name; nothing below them may
// declare setState or getState again.
class ControllerStateRouting : public Steinberg::Vst::EditControllerEx1 {
public:
    Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) final {
        return LoadControllerState(state);
    }
    Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) final {
        return SaveControllerState(state);
    }
    // [main thread] Default: kNotImplemented.
    virtual Steinberg::tresult LoadControllerState(Steinberg::IBStream* state);
    virtual Steinberg::tresult SaveControllerState(Steinberg::IBStream* state);
};

class ComponentStateRouting : public Steinberg::Vst::IComponent {
public:
    Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) final {
        return LoadComponentState(state);
    }
    Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) final {
        return SaveComponentState(state);
    }
    // [main thread] Default: kNotImplemented.
    virtual Steinberg::tresult LoadComponentState(Steinberg::IBStream* state);
    virtual Steinberg::tresult SaveComponentState(Steinberg::IBStream* state);
};

// Component, audio processor and edit controller in one object, so that a host sees a single
// class and the processor and controller share their state without messages. Supplies the bus
// lists, the process setup record and the answers every effect gives the same way; the plug-in
// binding overrides what it decides itself.
//
// Threads: process() on the audio thread, everything else on the host's main thread.
class SingleComponentEffect : public ControllerStateRouting,
                              public ComponentStateRouting,
                              public Steinberg::Vst::IAudioProcessor {
public:
    SingleComponentEffect();
    ~SingleComponentEffect() override;

    // Adds a bus to the end of its list; returns it (owned by the list), or null on failure.
    Steinberg::Vst::AudioBus* addAudioInput(
        const Steinberg::Vst::TChar* name, Steinberg::Vst::SpeakerArrangement arrangement,
        Steinberg::Vst::BusType type = Steinberg::Vst::kMain,
        Steinberg::int32 flags = Steinberg::Vst::BusInfo::kDefaultActive);
    Steinberg::Vst::AudioBus* addAudioOutput(
        const Steinberg::Vst::TChar* name, Steinberg::Vst::SpeakerArrangement arrangement,
        Steinberg::Vst::BusType type = Steinberg::Vst::kMain,
        Steinberg::int32 flags = Steinberg::Vst::BusInfo::kDefaultActive);
    Steinberg::Vst::AudioBus* getAudioInput(Steinberg::int32 index);
    Steinberg::Vst::AudioBus* getAudioOutput(Steinberg::int32 index);
    void removeAudioBusses();

    // IPluginBase, reached through IComponent and through the controller alike.
    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API terminate() SMTG_OVERRIDE;

    // IEditController: the controller's own state travels with the component's.
    Steinberg::tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) SMTG_OVERRIDE;
    // Bounds-checked: an index outside the published parameters answers kResultFalse.
    Steinberg::tresult PLUGIN_API getParameterInfo(
        Steinberg::int32 paramIndex, Steinberg::Vst::ParameterInfo& info) SMTG_OVERRIDE;

    // IComponent
    Steinberg::tresult PLUGIN_API getControllerClassId(Steinberg::TUID classId) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setIoMode(Steinberg::Vst::IoMode mode) SMTG_OVERRIDE;
    Steinberg::int32 PLUGIN_API getBusCount(Steinberg::Vst::MediaType type,
                                            Steinberg::Vst::BusDirection dir) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API getBusInfo(Steinberg::Vst::MediaType type,
                                             Steinberg::Vst::BusDirection dir,
                                             Steinberg::int32 index,
                                             Steinberg::Vst::BusInfo& info) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API getRoutingInfo(
        Steinberg::Vst::RoutingInfo& inInfo, Steinberg::Vst::RoutingInfo& outInfo) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API activateBus(Steinberg::Vst::MediaType type,
                                              Steinberg::Vst::BusDirection dir,
                                              Steinberg::int32 index,
                                              Steinberg::TBool state) SMTG_OVERRIDE;

    // IAudioProcessor
    Steinberg::tresult PLUGIN_API
    getBusArrangement(Steinberg::Vst::BusDirection dir, Steinberg::int32 index,
                      Steinberg::Vst::SpeakerArrangement& arr) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setProcessing(Steinberg::TBool state) SMTG_OVERRIDE;

    OBJ_METHODS(SingleComponentEffect, Steinberg::Vst::EditControllerEx1)
    DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::Vst::IComponent)
    DEF_INTERFACE(Steinberg::Vst::IAudioProcessor)
    END_DEFINE_INTERFACES(Steinberg::Vst::EditControllerEx1)
    REFCOUNT_METHODS(Steinberg::Vst::EditControllerEx1)

protected:
    Steinberg::Vst::BusList* getBusList(Steinberg::Vst::MediaType type,
                                        Steinberg::Vst::BusDirection dir);

    Steinberg::Vst::BusList audioInputs;
    Steinberg::Vst::BusList audioOutputs;
    Steinberg::Vst::BusList eventInputs;
    Steinberg::Vst::BusList eventOutputs;
    // Realtime, 32-bit samples, 1024 frames at most, 44.1 kHz until the host says otherwise.
    Steinberg::Vst::ProcessSetup processSetup;
};

}  // namespace tesselor::vst3
