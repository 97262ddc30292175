#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/PluginEditor.h"
#include "framework/PluginParam.h"
#include "framework/PluginRecords.h"
#include "framework/StateChunk.h"

namespace tesselor::framework {

// The one lock of a plug-in object. Recursive: the change and reset hooks take it again while
// process(), SetParamFromEditor or a state load already hold it.
using PlugMutex = std::recursive_mutex;

// Interface codes returned by GetPluginApi.
constexpr int kPluginApiVst3 = 1;

// What every plug-in object shares, independent of the host interface: identity, the parameter
// registry (index = parameter id = state position = control binding), channel layouts and
// buffers, preset slots, processing settings, the attached editor and PlugMutex.
//
// Two host threads come in: the audio thread (process, under PlugMutex for the whole call) and
// the main thread (set-up, state, the editor). The hooks below are the table through which the
// host binding drives the plug-in and the plug-in and its editor reach the host; each has a safe
// default so that a plug-in overrides only what it needs.
class PluginBase {
public:
    // Creates `paramCount` fresh parameters, `presetCount` slots named "empty" and one channel
    // record per channel of the widest layout in `channelIO` ("1-1 2-2": pairs of input-output
    // counts separated by single spaces; a number that cannot be read counts as 0).
    PluginBase(int paramCount, const char* channelIO, int presetCount,
               const PluginIdentity& identity);
    // Deletes the editor first, then parameters, presets and channels, each list last to first.
    virtual ~PluginBase();
    PluginBase(const PluginBase&) = delete;
    PluginBase& operator=(const PluginBase&) = delete;

    // ---- Hook table, in slot order ----

    // [main thread, after set-up] Clears what must not survive a restart. Base: takes and
    // releases PlugMutex.
    virtual void HandleReset();
    // [audio or main thread, PlugMutex held or taken] Parameter `index` has a new plain value.
    // Base: takes and releases PlugMutex.
    virtual void HandleParamChange(int index);
    // [audio thread, PlugMutex held] `frames` samples per channel in the pointer arrays. Base:
    // copies input i to output i below both channel counts and zero-fills the other outputs.
    virtual void ProcessBlock(double** inputs, double** outputs, int frames) noexcept;
    // [main thread] The view has opened / is about to close the editor window.
    virtual void HandleEditorOpened() {}
    virtual void HandleEditorClosed() {}
    // [main thread] Base: takes and releases PlugMutex.
    virtual void HandleActivate(bool active);
    // Base: hands the message on to EmitMidiMessage.
    virtual void HandleMidiMessage(const MidiMessage& message);
    // [PlugMutex taken] Default: SerializeParams.
    virtual bool SaveStateChunk(StateChunk& chunk);
    // [PlugMutex taken] Default: UnserializeParams. Returns the position after the read, or -1.
    virtual int LoadStateChunk(const StateChunk& chunk, int start);
    // True when every parameter value and values[start + i], both as 32-bit floats, differ by
    // less than 1e-5.
    virtual bool StateMatches(const double* values, int start) const;
    // [main thread] The host resized the view after RequestEditorSize; rectangle in pixels.
    virtual void HandleEditorResized(int left, int top, int right, int bottom);
    // [main thread] Called at the end of initialisation, once the host kind is known.
    virtual void HandleHostKnown() {}
    // [main thread] Right click on a control bound to `index`, at editor pixel (x, y).
    virtual void ShowParamContextMenu(int index, int x, int y);
    // [main thread] An editor control changed parameter `index` to `normal`. Holding PlugMutex:
    // ApplyNormal, ReportParamValue(index, normal) with the control's own value, HandleParamChange.
    virtual void SetParamFromEditor(int index, double normal);
    // [main thread] Edit gestures towards the host. Base: nothing (there is no host).
    virtual void BeginParamGesture(int index);
    virtual void ReportParamValue(int index, double normal);
    virtual void EndParamGesture(int index);
    // [audio thread] Host transport and mode. Base: no host, so offline = false and zeros.
    virtual bool IsOfflineRender() const { return false; }
    virtual std::int32_t SamplePosition() const { return 0; }
    virtual double HostTempo() const { return 0.0; }
    virtual void HostTimeSignature(int* numerator, int* denominator) const;
    virtual void ReadTransport(TransportInfo* info) const;
    virtual int GetHostKind() const { return _hostKind; }
    virtual int GetPluginApi() const { return _pluginApi; }
    // [main thread] The editor asks the host for a new view size. Base: nothing.
    virtual void RequestEditorSize(int width, int height);
    // [main thread] Takes ownership of the editor (a null one changes nothing). Holding
    // PlugMutex, pushes every parameter's normalised value to its controls, lets the editor
    // prepare drawing, and keeps it.
    virtual void AttachEditor(std::unique_ptr<PluginEditor> editor);
    // Stores the latency in frames and resets the bypass delay to that length.
    virtual void ChangeLatency(int frames);
    // Base: no host to send to.
    virtual bool EmitMidiMessage(const MidiMessage& message);
    // After a preset or state load: every parameter's plain value to the editor. Reached on the
    // main thread (state and preset loads) and on the audio thread (a preset change arriving
    // through process, under PlugMutex); takes no lock itself. The editor may only store values and
    // mark controls dirty here: no allocation, no lock the UI thread holds while drawing.
    virtual void RefreshEditorParams();
    // After LoadPreset succeeded. Base: nothing.
    virtual void HandlePresetRestored() {}
    // Resizes and zeroes every channel's scratch buffer when `frames` differs from the block size.
    virtual void ChangeBlockSize(int frames);

    // ---- Framework operations ----

    // Whether (inputs, outputs) matches a layout; -1 for either count matches anything.
    bool LegalIO(int inputs, int outputs) const;
    // Loads slot `index`; a never-used slot is named "user preset N" and stores the current
    // settings instead. False for an index outside the slots or a failed load.
    bool LoadPreset(int index);
    // The first unused slot takes `name` and the current settings (the defaults, at construction).
    void CaptureDefaultPreset(const char* name);
    // [audio thread] Bypass processing of the pointer arrays: delayed by the latency when there
    // is one, otherwise input j to output j and silence on outputs without an input.
    void PassThrough(int frames) noexcept;
    // Appends every parameter's plain value as a little-endian double. False when the chunk could
    // not grow (the values appended before stay).
    bool SerializeParams(StateChunk& chunk);
    // Reads the values back from `start`; a value that is missing becomes 0.0 clamped, the rest
    // keep theirs, and every parameter's change hook runs. Returns start + 8 N, or -1 when short.
    int UnserializeParams(const StateChunk& chunk, int start);

    // ---- Registry and settings ----

    int ParamCount() const { return static_cast<int>(_params.size()); }
    PluginParam* Param(int index);  // null outside the registry
    const PluginParam* Param(int index) const;
    int PresetCount() const { return static_cast<int>(_presets.size()); }
    PresetSlot* Preset(int index);  // null outside the slots
    int CurrentPresetIndex() const { return _currentPreset; }

    double SampleRate() const { return _sampleRateHz; }
    void SetSampleRate(double rateHz) { _sampleRateHz = rateHz; }
    int BlockSize() const { return _blockSize; }
    int Latency() const { return _latency; }
    int Tail() const { return _tail; }
    // The host bypass. Set on the audio thread (process) and the main thread (state loads), read by
    // controller queries on the main thread: a relaxed atomic.
    bool IsBypassed() const { return _bypassed.load(std::memory_order_relaxed); }
    void SetBypassed(bool bypassed) { _bypassed.store(bypassed, std::memory_order_relaxed); }
    void SetHostKind(int kind, int version) {
        _hostKind = kind;
        _hostVersion = version;
    }

    int InputCount() const { return static_cast<int>(_inputs.size()); }
    int OutputCount() const { return static_cast<int>(_outputs.size()); }
    InputChannel& Input(int i) { return _inputs[i]; }
    OutputChannel& Output(int i) { return _outputs[i]; }
    bool IsInputConnected(int i) const {
        return i >= 0 && i < InputCount() && _inputs[i].connected;
    }
    bool IsOutputConnected(int i) const {
        return i >= 0 && i < OutputCount() && _outputs[i].connected;
    }
    double** InputPointers() { return _inputPointers.data(); }
    double** OutputPointers() { return _outputPointers.data(); }
    const std::vector<ChannelLayout>& Layouts() const { return _layouts; }

    // Created by the binding when the plug-in has inputs; sized by ChangeLatency.
    void CreateBypassDelay();
    BypassDelay* GetBypassDelay() { return _bypassDelay.get(); }

    std::vector<std::string>& InputBusNames() { return _inputBusNames; }
    std::vector<std::string>& OutputBusNames() { return _outputBusNames; }
    std::vector<const char*>& GroupNames() { return _groupNames; }

    PluginEditor* Editor() { return _editor.get(); }
    PlugMutex& Mutex() const { return _plugMutex; }

    const char* EffectName() const { return _effectName; }
    const char* ProductName() const { return _productName; }
    const char* MakerName() const { return _makerName; }
    std::uint32_t UniqueId() const { return _uniqueId; }
    std::uint32_t MakerId() const { return _makerId; }
    std::int32_t Version() const { return _version; }

private:
    void ParseChannelIO(const char* channelIO);

    std::vector<ChannelLayout> _layouts;
    mutable PlugMutex _plugMutex;
    char _effectName[kIdentityTextSize] = {};
    char _productName[kIdentityTextSize] = {};
    char _makerName[kIdentityTextSize] = {};
    std::uint32_t _uniqueId = 0;
    std::uint32_t _makerId = 0;
    std::int32_t _version = 0;
    int _pluginApi = kPluginApiVst3;
    int _hostKind = -1;  // -1: no host identified yet
    int _hostVersion = 0;
    std::atomic<bool> _bypassed{false};
    int _currentPreset = 0;
    double _sampleRateHz = 44100.0;
    int _blockSize = 0;  // frames: the largest block the host will send
    int _latency = 0;    // frames
    int _tail = 0;       // frames
    std::unique_ptr<BypassDelay> _bypassDelay;
    std::vector<const char*> _groupNames;  // distinct parameter group names, not owned
    std::unique_ptr<PluginEditor> _editor;
    std::vector<std::unique_ptr<PluginParam>> _params;
    std::vector<std::unique_ptr<PresetSlot>> _presets;
    std::vector<double*> _inputPointers;
    std::vector<double*> _outputPointers;
    std::vector<InputChannel> _inputs;
    std::vector<OutputChannel> _outputs;
    std::vector<std::string> _inputBusNames;
    std::vector<std::string> _outputBusNames;
};

}  // namespace tesselor::framework
