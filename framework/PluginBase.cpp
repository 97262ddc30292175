#include "framework/PluginBase.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tesselor::framework {

PluginBase::PluginBase(int paramCount, const char* channelIO, int presetCount,
                       const PluginIdentity& identity) {
    ParseChannelIO(channelIO);
    CopyText(_effectName, identity.effectName, sizeof _effectName);
    CopyText(_productName, identity.productName, sizeof _productName);
    CopyText(_makerName, identity.makerName, sizeof _makerName);
    _uniqueId = identity.uniqueId;
    _makerId = identity.makerId;
    _version = identity.version;

    for (int i = 0; i < paramCount; ++i) _params.push_back(std::make_unique<PluginParam>());
    for (int i = 0; i < presetCount; ++i) _presets.push_back(std::make_unique<PresetSlot>());

    int inputs = 0;
    int outputs = 0;
    for (const ChannelLayout& l : _layouts) {
        inputs = std::max(inputs, l.inputs);
        outputs = std::max(outputs, l.outputs);
    }
    _inputPointers.assign(inputs, nullptr);
    _outputPointers.assign(outputs, nullptr);
    _inputs.resize(inputs);
    _outputs.resize(outputs);
    for (int i = 0; i < inputs; ++i) _inputs[i].entry = &_inputPointers[i];
    for (int i = 0; i < outputs; ++i) _outputs[i].entry = &_outputPointers[i];
}

PluginBase::~PluginBase() {
    _editor.reset();  // controls refer to parameters: the editor goes first
    while (!_params.empty()) _params.pop_back();
    while (!_presets.empty()) _presets.pop_back();
    while (!_inputs.empty()) _inputs.pop_back();
    while (!_outputs.empty()) _outputs.pop_back();
    _layouts.clear();
}

void PluginBase::ParseChannelIO(const char* channelIO) {
    const char* p = channelIO ? channelIO : "";
    while (true) {
        ChannelLayout layout;
        std::sscanf(p, "%d-%d", &layout.inputs, &layout.outputs);
        // A negative count would make no channel records; treat it like a missing number.
        layout.inputs = std::max(layout.inputs, 0);
        layout.outputs = std::max(layout.outputs, 0);
        _layouts.push_back(layout);
        p = std::strchr(p, ' ');
        if (!p) break;
        ++p;
    }
}

void PluginBase::HandleReset() { std::lock_guard lock(_plugMutex); }

void PluginBase::HandleParamChange(int) { std::lock_guard lock(_plugMutex); }

void PluginBase::ProcessBlock(double** inputs, double** outputs, int frames) noexcept {
    if (frames <= 0) return;
    const int shared = std::min(InputCount(), OutputCount());
    for (int i = 0; i < OutputCount(); ++i) {
        if (!outputs[i]) continue;
        if (i < shared && inputs[i]) {
            std::copy_n(inputs[i], frames, outputs[i]);
        } else {
            std::fill_n(outputs[i], frames, 0.0);
        }
    }
}

void PluginBase::HandleActivate(bool) { std::lock_guard lock(_plugMutex); }

void PluginBase::HandleMidiMessage(const MidiMessage& message) { EmitMidiMessage(message); }

bool PluginBase::SaveStateChunk(StateChunk& chunk) { return SerializeParams(chunk); }

int PluginBase::LoadStateChunk(const StateChunk& chunk, int start) {
    return UnserializeParams(chunk, start);
}

bool PluginBase::StateMatches(const double* values, int start) const {
    for (int i = 0; i < ParamCount(); ++i) {
        const float current = static_cast<float>(_params[i]->Value());
        const float stored = static_cast<float>(values[start + i]);
        if (!(std::fabs(current - stored) < 1e-5f)) return false;
    }
    return true;
}

void PluginBase::HandleEditorResized(int, int, int, int) {}

void PluginBase::ShowParamContextMenu(int, int, int) {}

void PluginBase::SetParamFromEditor(int index, double normal) {
    std::lock_guard lock(_plugMutex);
    PluginParam* param = Param(index);
    if (!param) return;
    param->ApplyNormal(normal);
    ReportParamValue(index, normal);  // the control's own value, not the rounded one's position
    HandleParamChange(index);
}

void PluginBase::BeginParamGesture(int) {}
void PluginBase::ReportParamValue(int, double) {}
void PluginBase::EndParamGesture(int) {}

void PluginBase::HostTimeSignature(int* numerator, int* denominator) const {
    if (numerator) *numerator = 0;
    if (denominator) *denominator = 0;
}

void PluginBase::ReadTransport(TransportInfo* info) const {
    if (info) *info = TransportInfo{};
}

void PluginBase::RequestEditorSize(int, int) {}

void PluginBase::AttachEditor(std::unique_ptr<PluginEditor> editor) {
    if (!editor) return;
    std::lock_guard lock(_plugMutex);
    for (int i = 0; i < ParamCount(); ++i)
        editor->SetControlsFromPlugin(i, _params[i]->CurrentNormal());
    editor->PrepareDrawing();
    _editor = std::move(editor);
}

void PluginBase::ChangeLatency(int frames) {
    _latency = std::max(frames, 0);
    if (_bypassDelay) {
        _bypassDelay->length = _latency;
        _bypassDelay->buffer.assign(static_cast<std::size_t>(_latency) * _bypassDelay->inputs, 0.0);
        _bypassDelay->writePos = 0;
    }
}

bool PluginBase::EmitMidiMessage(const MidiMessage&) { return false; }

void PluginBase::RefreshEditorParams() {
    if (!_editor) return;
    for (int i = 0; i < ParamCount(); ++i)
        _editor->SetParameterFromPlugin(i, _params[i]->Value(), false);
}

void PluginBase::ChangeBlockSize(int frames) {
    frames = std::max(frames, 0);
    if (frames == _blockSize) return;
    for (InputChannel& c : _inputs) c.scratch.assign(frames, 0.0);
    for (OutputChannel& c : _outputs) c.scratch.assign(frames, 0.0);
    _blockSize = frames;
}

bool PluginBase::LegalIO(int inputs, int outputs) const {
    for (const ChannelLayout& l : _layouts) {
        if ((inputs < 0 || inputs == l.inputs) && (outputs < 0 || outputs == l.outputs))
            return true;
    }
    return false;
}

bool PluginBase::LoadPreset(int index) {
    PresetSlot* slot = Preset(index);
    if (!slot) return false;
    bool success = false;
    if (slot->initialised) {
        success = LoadStateChunk(slot->state, 0) > 0;
    } else {
        // Loading a never-used slot keeps the current settings in it under a fresh name.
        slot->initialised = true;
        int userPresets = 0;
        for (const auto& p : _presets) {
            if (std::strstr(p->name, "user preset")) ++userPresets;
        }
        std::snprintf(slot->name, sizeof slot->name, "%s %d", "user preset", userPresets + 1);
        success = SaveStateChunk(slot->state);
    }
    if (success) {
        _currentPreset = index;
        HandlePresetRestored();
        RefreshEditorParams();
    }
    return success;
}

void PluginBase::CaptureDefaultPreset(const char* name) {
    for (const auto& slot : _presets) {
        if (slot->initialised) continue;
        slot->initialised = true;
        CopyText(slot->name, name, sizeof slot->name);
        SaveStateChunk(slot->state);
        return;
    }
}

void PluginBase::PassThrough(int frames) noexcept {
    if (frames <= 0) return;
    const int shared = std::min(InputCount(), OutputCount());
    BypassDelay* delay = _bypassDelay.get();
    if (_latency > 0 && delay && delay->length == _latency) {
        const int length = delay->length;
        for (int f = 0; f < frames; ++f) {
            for (int j = 0; j < shared; ++j) {
                double* slot =
                    &delay->buffer[static_cast<std::size_t>(j) * length + delay->writePos];
                const double in = _inputPointers[j] ? _inputPointers[j][f] : 0.0;
                if (_outputPointers[j]) _outputPointers[j][f] = *slot;
                *slot = in;
            }
            if (++delay->writePos >= length) delay->writePos = 0;
        }
        for (int j = shared; j < OutputCount(); ++j) {
            if (_outputPointers[j]) std::fill_n(_outputPointers[j], frames, 0.0);
        }
        return;
    }
    PluginBase::ProcessBlock(_inputPointers.data(), _outputPointers.data(), frames);
}

bool PluginBase::SerializeParams(StateChunk& chunk) {
    std::lock_guard lock(_plugMutex);
    for (const auto& p : _params) {
        if (chunk.AppendDouble(p->Value()) < 0) return false;
    }
    return true;
}

int PluginBase::UnserializeParams(const StateChunk& chunk, int start) {
    std::lock_guard lock(_plugMutex);
    int pos = start;
    for (int i = 0; i < ParamCount() && pos >= 0; ++i) {
        double v = 0.0;
        pos = chunk.ReadDouble(&v, pos);
        _params[i]->SetPlain(v);  // clamps; a non-finite value loads as the default
    }
    for (int i = 0; i < ParamCount(); ++i) HandleParamChange(i);
    return pos;
}

PluginParam* PluginBase::Param(int index) {
    return index >= 0 && index < ParamCount() ? _params[index].get() : nullptr;
}

const PluginParam* PluginBase::Param(int index) const {
    return index >= 0 && index < ParamCount() ? _params[index].get() : nullptr;
}

PresetSlot* PluginBase::Preset(int index) {
    return index >= 0 && index < PresetCount() ? _presets[index].get() : nullptr;
}

void PluginBase::CreateBypassDelay() {
    _bypassDelay = std::make_unique<BypassDelay>();
    _bypassDelay->inputs = InputCount();
    _bypassDelay->outputs = OutputCount();
    ChangeLatency(_latency);
}

}  // namespace tesselor::framework
