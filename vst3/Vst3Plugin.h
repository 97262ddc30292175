#pragma once

#include <atomic>
#include <vector>

#include "framework/PluginBase.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "vst3/SingleComponentEffect.h"

namespace tesselor::vst3 {

class Vst3EditorView;

// Parameter IDs the binding publishes besides the plug-in's own indices.
constexpr Steinberg::Vst::ParamID kBypassParamId = 0x62706173;  // 'bpas'
constexpr Steinberg::Vst::ParamID kPresetParamId =
    0x70727374;  // 'prst', also the program list's ID

// Binds a framework plug-in to VST 3: one object is component, processor and controller. A plug-in
// class derives from it instead of from PluginBase and keeps PluginBase's constructor arguments.
//
// Threads: process() on the host's audio thread, holding PlugMutex for the whole call; everything
// else on the host's main thread. The object lives by reference counting: hosts release it, they
// never delete it.
class Vst3Plugin : public framework::PluginBase, public SingleComponentEffect {
public:
    Vst3Plugin(int paramCount, const char* channelIO, int presetCount,
               const framework::PluginIdentity& identity);
    ~Vst3Plugin() override;

    // ---- Processor (Vst3Processor.cpp) ----
    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                     Steinberg::int32 numIns,
                                                     Steinberg::Vst::SpeakerArrangement* outputs,
                                                     Steinberg::int32 numOuts) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize)
        SMTG_OVERRIDE;
    Steinberg::uint32 PLUGIN_API getLatencySamples() SMTG_OVERRIDE;
    Steinberg::uint32 PLUGIN_API getTailSamples() SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup)
        SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) SMTG_OVERRIDE;
    // [audio thread] Allocates nothing, throws nothing.
    Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) SMTG_OVERRIDE;

    // ---- Controller (Vst3Controller.cpp) ----
    Steinberg::tresult PLUGIN_API
    getParamStringByValue(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normal,
                          Steinberg::Vst::String128 text) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API
    getParamValueByString(Steinberg::Vst::ParamID id, Steinberg::Vst::TChar* text,
                          Steinberg::Vst::ParamValue& normal) SMTG_OVERRIDE;
    Steinberg::Vst::ParamValue PLUGIN_API plainParamToNormalized(
        Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue plain) SMTG_OVERRIDE;
    Steinberg::Vst::ParamValue PLUGIN_API getParamNormalized(Steinberg::Vst::ParamID id)
        SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API
    setParamNormalized(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normal) SMTG_OVERRIDE;
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) SMTG_OVERRIDE;

    Steinberg::int32 PLUGIN_API getUnitCount() SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API getUnitInfo(Steinberg::int32 unitIndex,
                                              Steinberg::Vst::UnitInfo& info) SMTG_OVERRIDE;
    Steinberg::int32 PLUGIN_API getProgramListCount() SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API getProgramListInfo(
        Steinberg::int32 listIndex, Steinberg::Vst::ProgramListInfo& info) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API getProgramName(Steinberg::Vst::ProgramListID listId,
                                                 Steinberg::int32 programIndex,
                                                 Steinberg::Vst::String128 name) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API
    getProgramInfo(Steinberg::Vst::ProgramListID listId, Steinberg::int32 programIndex,
                   Steinberg::Vst::CString attributeId,
                   Steinberg::Vst::String128 attributeValue) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API hasProgramPitchNames(Steinberg::Vst::ProgramListID listId,
                                                       Steinberg::int32 programIndex) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API getProgramPitchName(Steinberg::Vst::ProgramListID listId,
                                                      Steinberg::int32 programIndex,
                                                      Steinberg::int16 midiPitch,
                                                      Steinberg::Vst::String128 name) SMTG_OVERRIDE;
    Steinberg::Vst::UnitID PLUGIN_API getSelectedUnit() SMTG_OVERRIDE { return 0; }
    Steinberg::tresult PLUGIN_API selectUnit(Steinberg::Vst::UnitID unitId) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API getUnitByBus(Steinberg::Vst::MediaType type,
                                               Steinberg::Vst::BusDirection dir,
                                               Steinberg::int32 busIndex, Steinberg::int32 channel,
                                               Steinberg::Vst::UnitID& unitId) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setUnitProgramData(Steinberg::int32 listOrUnitId,
                                                     Steinberg::int32 programIndex,
                                                     Steinberg::IBStream* data) SMTG_OVERRIDE;

    // ---- State (Vst3State.cpp) ----
    // The whole state travels in the controller's (the component keeps none): N little-endian
    // doubles in registry order, then the bypass flag as a little-endian 32-bit word. Both hold
    // PlugMutex throughout.
    Steinberg::tresult LoadControllerState(Steinberg::IBStream* state) override;
    Steinberg::tresult SaveControllerState(Steinberg::IBStream* state) override;

    // ---- PluginBase overrides ----
    bool IsOfflineRender() const override;
    std::int32_t SamplePosition() const override;
    double HostTempo() const override;
    void HostTimeSignature(int* numerator, int* denominator) const override;
    void ReadTransport(framework::TransportInfo* info) const override;
    void ChangeLatency(int frames) override;
    bool EmitMidiMessage(const framework::MidiMessage& message) override;
    void BeginParamGesture(int index) override;
    void ReportParamValue(int index, double normal) override;
    void EndParamGesture(int index) override;
    void ShowParamContextMenu(int index, int x, int y) override;
    void RequestEditorSize(int width, int height) override;

    // [main thread] Called by a view as it is destroyed: the view list empties (several views at
    // once are not supported) and the view's reference on this object goes.
    void ViewDestroyed(Vst3EditorView* view);

    // Speaker arrangement for a channel count: mono, stereo, up to 5.1; empty for anything else.
    static Steinberg::Vst::SpeakerArrangement ArrangementFor(int channels);

    OBJ_METHODS(Vst3Plugin, SingleComponentEffect)

private:
    void PublishParameters();
    void ApplyHostChange(Steinberg::Vst::ParamID id, double normal);
    // Binds the host buffers of frames [offset, offset + frames) and runs the plug-in on them.
    void ProcessPiece(Steinberg::Vst::ProcessData& data, int offset, int frames) noexcept;
    void PointAtScratch();

    // Sets the host bypass and the value the controller shows for it. [audio or main thread]
    void ApplyBypass(bool bypassed);

    Steinberg::Vst::ProcessContext _transport{};  // the last context the host passed to process()
    // What getParamNormalized answers for the bypass parameter: the last value the host gave
    // setParamNormalized, until the processor's bypass changes (a process queue or a state load).
    // Written on both threads.
    std::atomic<double> _bypassShown{0.0};
    std::vector<Vst3EditorView*> _views;  // not owned; the first gets resize requests
};

}  // namespace tesselor::vst3
