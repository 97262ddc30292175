#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GraphicsTypes.h"

namespace tesselor::framework {
class PluginBase;
}

namespace tesselor::graphics {

class Graphics;

// One interactive or decorative rectangle of the editor: a normalised value 0..1, optionally bound
// to a plug-in parameter, drawn into the editor's surface and told about the mouse and keys the
// editor routes to it. Owned by the Graphics it is attached to.
//
// Threads: everything here runs on the UI thread, except PostPluginValue and PostAuxValue, which
// the plug-in calls from any thread (the audio thread when the host automates) and which only
// leave the value in a mailbox; the UI thread takes it at its next redraw tick (TakePluginValue)
// and only then does the control change. So drawing never waits for the audio thread, and the
// audio thread never waits for drawing.
class Control {
public:
    Control(framework::PluginBase* plugin, const PixelRect& rect, int paramIndex = -1,
            BlendSpec blend = {});
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // ---- Events and drawing, in the order of the control's operations ----

    // With the right button held, prompts for a value (when the prompt is enabled); else nothing.
    virtual void MouseDown(int x, int y, const MouseModifiers& mods);
    virtual void MouseUp(int x, int y, const MouseModifiers& mods);
    virtual void MouseDrag(int x, int y, int dx, int dy, const MouseModifiers& mods);
    // Back to the default value (the first one the plug-in pushed), pushed to the plug-in.
    virtual void MouseDoubleClick(int x, int y, const MouseModifiers& mods);
    virtual void MouseWheel(int x, int y, const MouseModifiers& mods, int notches);
    // True when handled; the base handles nothing.
    virtual bool KeyDown(int x, int y, int key);
    virtual void MouseOver(int x, int y, const MouseModifiers& mods);
    virtual void MouseOut();
    virtual bool DrawInto(Graphics& graphics) = 0;
    // A value from the plug-in: the first becomes the default (and the value) silently; later ones
    // that differ mark the control dirty for two ticks, without pushing back.
    virtual void SetValueFromPlugin(double value);
    // A value the user gave (a prompt): marks dirty for two ticks and pushes it to the plug-in.
    virtual void SetValueFromUser(double value);
    // Text committed in a text entry for a control without a parameter.
    virtual void TextFromEntry(const char* text);
    virtual void SetHidden(bool hidden);
    // Greyed controls are drawn at a quarter weight and are not hit.
    virtual void SetGreyed(bool greyed);
    virtual bool HitTest(int x, int y) const;
    // Clamps the value to [clamp low, clamp high] and marks dirty; with `push`, hands the value to
    // the plug-in (which reports it to the host and the equaliser).
    virtual void MarkDirty(bool push);
    virtual void MarkClean();
    virtual bool NeedsRedraw() const { return _dirty; }
    virtual void SetAuxValueFromPlugin(int link, double value);

    // ---- Thread hand-over ----

    // [any thread] Leaves a value from the plug-in for the UI thread.
    void PostPluginValue(double value) noexcept;
    void PostAuxValue(int link, double value) noexcept;
    // [UI thread] Applies what was posted since the last call, through SetValueFromPlugin and
    // SetAuxValueFromPlugin.
    void TakePluginValue();

    // ---- Fields ----

    struct AuxParamLink {
        double value = 0.0;  // normalised
        int paramIndex = -1;
        std::atomic<double> posted{0.0};
        std::atomic<bool> hasPosted{false};
    };
    // Builds the control's links; only before the editor is handed to the plug-in.
    void AddAuxLink(int paramIndex);
    int AuxLinkCount() const { return static_cast<int>(_auxLinks.size()); }
    const AuxParamLink& AuxLink(int i) const { return *_auxLinks[i]; }

    const PixelRect& Rect() const { return _rect; }
    const PixelRect& TargetRect() const { return _targetRect; }
    void SetTargetRect(const PixelRect& rect) { _targetRect = rect; }
    int ParamIndex() const { return _paramIndex; }
    double Value() const { return _value; }
    void SetValue(double value) { _value = value; }  // no marking, no push
    double DefaultValue() const { return _defaultValue; }
    void SetClamp(double low, double high);
    bool IsHidden() const { return _hidden; }
    bool IsGreyed() const { return _greyed; }
    bool IsPromptDisabled() const { return _promptDisabled; }
    void SetPromptDisabled(bool disabled) { _promptDisabled = disabled; }
    bool DoubleClickAsPress() const { return _doubleClickAsPress; }
    void SetDoubleClickAsPress(bool asPress) { _doubleClickAsPress = asPress; }
    bool MouseOverWhenGreyed() const { return _mouseOverWhenGreyed; }
    void SetMouseOverWhenGreyed(bool over) { _mouseOverWhenGreyed = over; }
    const BlendSpec& Blend() const { return _blend; }
    TextStyle& Style() { return _textStyle; }
    int TextEntryLimit() const { return _textEntryLimit; }
    void SetTextEntryLimit(int characters) { _textEntryLimit = characters; }
    const std::string& Tooltip() const { return _tooltip; }
    void SetTooltip(std::string tooltip) { _tooltip = std::move(tooltip); }
    // Set by Graphics when the control is attached; used for prompts.
    void SetGraphics(Graphics* graphics) { _graphics = graphics; }

protected:
    framework::PluginBase* Plugin() const { return _plugin; }
    Graphics* GraphicsOf() const { return _graphics; }
    void SetRedrawRequested() { _redrawRequested = true; }

private:
    int _textEntryLimit = 7;  // characters
    TextStyle _textStyle;
    framework::PluginBase* _plugin;
    Graphics* _graphics = nullptr;
    PixelRect _rect;
    PixelRect _targetRect;  // what HitTest tests; the rectangle unless set otherwise
    int _paramIndex;
    std::vector<std::unique_ptr<AuxParamLink>> _auxLinks;
    double _value = 0.0;          // normalised
    double _defaultValue = -1.0;  // restored by a double-click; negative: none yet
    double _clampLow = 0.0;
    double _clampHigh = 1.0;
    bool _dirty = true;
    bool _hidden = false;
    bool _greyed = false;
    bool _redrawRequested = false;  // carried into _dirty by MarkClean
    bool _promptDisabled = true;
    bool _doubleClickAsPress = false;
    bool _mouseOverWhenGreyed = false;
    BlendSpec _blend;
    std::string _tooltip;
    // The mailbox of values from the plug-in (see the class comment).
    std::atomic<double> _posted{0.0};
    std::atomic<bool> _hasPosted{false};
};

// Frame (1..frames) of an N-frame strip for a value 0..1: int((N - 1) v + 0.5) + 1, limited to
// [1, N]; 1 when N < 2.
int FrameForValue(double value01, int frames);

}  // namespace tesselor::graphics
