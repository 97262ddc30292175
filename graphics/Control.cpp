#include "graphics/Control.h"

#include <algorithm>
#include <cmath>

#include "framework/PluginBase.h"
#include "graphics/Graphics.h"

namespace tesselor::graphics {

namespace {

// Two values differ unless they are equal as doubles; a NaN on either side differs.
bool Differs(double a, double b) { return !(a == b); }

constexpr float kGreyedWeight = 0.25f;
constexpr int kPromptWidth = 40;   // pixels
constexpr int kPromptHeight = 16;  // pixels

}  // namespace

int FrameForValue(double value01, int frames) {
    if (frames < 2) return 1;
    double t = (frames - 1) * value01 + 0.5;
    if (!(t > -1e9)) t = -1e9;  // NaN and huge negatives
    if (t > 1e9) t = 1e9;
    return std::clamp(static_cast<int>(t) + 1, 1, frames);
}

Control::Control(framework::PluginBase* plugin, const PixelRect& rect, int paramIndex,
                 BlendSpec blend)
    : _plugin(plugin), _rect(rect), _targetRect(rect), _paramIndex(paramIndex), _blend(blend) {}

Control::~Control() = default;

void Control::MouseDown(int, int, const MouseModifiers& mods) {
    if (!mods.right || _paramIndex < 0 || _promptDisabled || !_plugin || !_graphics) return;
    const framework::PluginParam* param = _plugin->Param(_paramIndex);
    if (!param) return;
    PixelRect r = _rect;
    if (param->DisplayTexts().empty()) {
        // A small entry box centred on the control (the centre taken in single precision).
        const int cx = static_cast<int>(static_cast<float>(_rect.left + _rect.right) * 0.5f);
        const int cy = static_cast<int>(static_cast<float>(_rect.top + _rect.bottom) * 0.5f);
        r = {cx - kPromptWidth / 2, cy - kPromptHeight / 2, cx + kPromptWidth / 2,
             cy + kPromptHeight / 2};
    }
    _graphics->PromptUserInput(this, _paramIndex, r);
    _redrawRequested = true;
}

void Control::MouseUp(int, int, const MouseModifiers&) {}

void Control::MouseDrag(int, int, int, int, const MouseModifiers&) {}

void Control::MouseDoubleClick(int, int, const MouseModifiers&) {
    if (_defaultValue < 0.0) return;
    _value = _defaultValue;
    MarkDirty(true);
}

void Control::MouseWheel(int, int, const MouseModifiers&, int) {}

bool Control::KeyDown(int, int, int) { return false; }

void Control::MouseOver(int, int, const MouseModifiers&) {}

void Control::MouseOut() {}

void Control::SetValueFromPlugin(double value) {
    if (_defaultValue < 0.0) {
        _value = value;
        _defaultValue = value;
        return;
    }
    if (!Differs(value, _value)) return;
    _value = value;
    MarkDirty(false);
    _redrawRequested = true;
}

void Control::SetValueFromUser(double value) {
    if (!Differs(value, _value)) return;
    _value = value;
    MarkDirty(true);
    _redrawRequested = true;
}

void Control::TextFromEntry(const char*) {}

void Control::SetHidden(bool hidden) {
    _hidden = hidden;
    _redrawRequested = true;
    MarkDirty(false);
}

void Control::SetGreyed(bool greyed) {
    _greyed = greyed;
    _blend.weight = greyed ? kGreyedWeight : 1.0f;
    MarkDirty(false);
}

bool Control::HitTest(int x, int y) const { return _targetRect.Contains(x, y); }

void Control::MarkDirty(bool push) {
    _value = _value < _clampLow ? _clampLow : std::min(_value, _clampHigh);
    _dirty = true;
    if (push && _plugin && _paramIndex >= 0) _plugin->SetParamFromEditor(_paramIndex, _value);
}

void Control::MarkClean() {
    _dirty = _redrawRequested;
    _redrawRequested = false;
}

void Control::SetAuxValueFromPlugin(int link, double value) {
    if (link < 0 || link >= AuxLinkCount()) return;
    AuxParamLink& l = *_auxLinks[link];
    if (!Differs(value, l.value)) return;
    l.value = value;
    MarkDirty(false);
    _redrawRequested = true;
}

void Control::PostPluginValue(double value) noexcept {
    _posted.store(value, std::memory_order_relaxed);
    _hasPosted.store(true, std::memory_order_release);
}

void Control::PostAuxValue(int link, double value) noexcept {
    if (link < 0 || link >= AuxLinkCount()) return;
    AuxParamLink& l = *_auxLinks[link];
    l.posted.store(value, std::memory_order_relaxed);
    l.hasPosted.store(true, std::memory_order_release);
}

void Control::TakePluginValue() {
    // A plain load first: the common case, nothing posted, costs no locked instruction.
    if (_hasPosted.load(std::memory_order_relaxed) &&
        _hasPosted.exchange(false, std::memory_order_acquire))
        SetValueFromPlugin(_posted.load(std::memory_order_relaxed));
    for (int j = 0; j < AuxLinkCount(); ++j) {
        AuxParamLink& l = *_auxLinks[j];
        if (l.hasPosted.load(std::memory_order_relaxed) &&
            l.hasPosted.exchange(false, std::memory_order_acquire))
            SetAuxValueFromPlugin(j, l.posted.load(std::memory_order_relaxed));
    }
}

void Control::AddAuxLink(int paramIndex) {
    _auxLinks.push_back(std::make_unique<AuxParamLink>());
    _auxLinks.back()->paramIndex = paramIndex;
}

void Control::SetClamp(double low, double high) {
    _clampLow = low;
    _clampHigh = high;
}

}  // namespace tesselor::graphics
