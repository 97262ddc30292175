#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

namespace tesselor::framework {

// Kind codes are stored with the parameter and decide rounding and text entry.
enum ParamKind : int {
    kParamUnset = 0,       // behaves as kParamStepped; InitRange turns it into kParamContinuous
    kParamBoolean = 1,     // stepped; typed text is matched against the display texts
    kParamStepped = 2,     // rounded to the step; the host is told a step count
    kParamEnumerated = 3,  // like boolean, but the editor always offers a menu
    kParamContinuous = 4,  // no rounding; the host is told it has no steps
};

constexpr int kParamTextSize = 32;  // bytes, NUL included

// A text that replaces the number when the value, truncated toward zero, equals `value`.
struct DisplayText {
    int value = 0;
    char text[kParamTextSize] = {};
};

// One automatable setting. The value is always held in plain units (the units of the range);
// normalised positions 0..1 exist only towards the host and the editor.
//
// Threads: values are written under PlugMutex by the audio thread, editor edits and state loads,
// and without it by the VST 3 controller's direct set on the host's main thread; the value is a
// relaxed atomic so that those unlocked accesses are defined (a reader sees either the old or the
// new value, never a torn one). Everything else is set up by the plug-in's constructor and only
// read afterwards. The parameter holds no lock of its own. Nothing here allocates except
// AddDisplayText.
class PluginParam {
public:
    PluginParam() = default;
    PluginParam(const PluginParam&) = delete;
    PluginParam& operator=(const PluginParam&) = delete;

    // Sets up range, step, default and texts. A kind set beforehand stays; an unset kind becomes
    // continuous. The value becomes the default, unclamped. A shape of 0 keeps the current shape.
    void InitRange(const char* name, double defaultValue, double minimum, double maximum,
                   double step, const char* label = "", const char* group = "", double shape = 1.0);

    // value <- v clamped to the range. A non-finite v (NaN, infinity) is never stored: it loads
    // as the default, since clamping cannot catch NaN and saved data may hold anything.
    void SetPlain(double v);
    // Value from a normalised position with shape, step rounding (all kinds but continuous) and an
    // upper clamp. n is not tested against 0..1; a NaN n leaves the value as it was.
    void ApplyNormal(double n) noexcept;
    // n^shape * (max - min) + min, neither rounded nor clamped.
    double NormalToPlain(double n) const noexcept;
    // ((clamp(v) - min) / (max - min))^(1 / shape), in 0..1.
    double PlainToNormal(double v) const noexcept;
    double CurrentNormal() const noexcept { return PlainToNormal(Value()); }

    // Writes the display text of plain value v: a display text when one matches, else the number
    // with the display precision (truncated toward zero when the precision is 0). `size` >= 1.
    void FormatValue(double v, char* text, std::size_t size) const;
    // The label, or empty while the current value shows a display text.
    const char* UnitText() const;
    // The display text for v, or null when none applies (the first matching entry decides).
    const char* DisplayTextFor(double v) const;

    // Host road: a display text, matched whole, gives its value; otherwise the leading decimal
    // number of `text` (0 when there is none). Clamped, then normalised.
    double ParseHostText(const char* text) const;
    // Editor road: boolean and enumerated kinds match the display texts whole and case-sensitively
    // (0 when none matches); others read a number, negated when the display is negated. Clamped,
    // then normalised.
    double ParseEditorText(const char* text) const;

    // Entries keep insertion order: the first matching entry wins.
    void AddDisplayText(int value, const char* text);

    ParamKind Kind() const { return _kind; }
    void SetKind(ParamKind kind) { _kind = kind; }
    // Unset parameters behave as two-valued stepped ones everywhere.
    bool IsContinuous() const { return _kind == kParamContinuous; }
    double Value() const noexcept { return _value.load(std::memory_order_relaxed); }
    double Minimum() const { return _minimum; }
    double Maximum() const { return _maximum; }
    double Step() const { return _step; }
    double Shape() const { return _shape; }
    void SetShape(double shape) { _shape = shape; }
    double Default() const { return _default; }
    int DisplayPrecision() const { return _displayPrecision; }
    const char* Name() const { return _name; }
    // At most 31 characters are kept. For a parameter that InitRange does not set up.
    void SetName(const char* name);
    const char* Label() const { return _label; }
    const char* Group() const { return _group; }
    bool NegateDisplay() const { return _negateDisplay; }
    void SetNegateDisplay(bool negate) { _negateDisplay = negate; }
    bool CanAutomate() const { return _canAutomate; }
    void SetCanAutomate(bool canAutomate) { _canAutomate = canAutomate; }
    const std::vector<DisplayText>& DisplayTexts() const { return _displayTexts; }

private:
    double Clamp(double v) const;

    ParamKind _kind = kParamUnset;
    std::atomic<double> _value{0.0};
    double _minimum = 0.0;
    double _maximum = 1.0;
    double _step = 1.0;
    double _shape = 1.0;  // exponent of the normalised mapping; 1 is linear
    double _default = 0.0;
    int _displayPrecision = 0;  // decimals shown, derived from the step
    char _name[kParamTextSize] = {};
    char _label[kParamTextSize] = {};
    char _group[kParamTextSize] = {};  // empty: no group
    bool _negateDisplay = false;
    bool _canAutomate = true;
    std::vector<DisplayText> _displayTexts;
};

// Copies at most size - 1 bytes of `from` and a NUL; a null `from` gives an empty text.
void CopyText(char* to, const char* from, std::size_t size);

}  // namespace tesselor::framework
