#include "framework/PluginParam.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace tesselor::framework {

void CopyText(char* to, const char* from, std::size_t size) {
    if (size == 0) return;
    std::size_t n = 0;
    if (from) {
        while (n + 1 < size && from[n] != '\0') ++n;
        std::memcpy(to, from, n);
    }
    to[n] = '\0';
}

namespace {

// The longest leading part of `text` that forms a decimal number (optional sign, digits with an
// optional point, optional exponent), or 0 when there is none. Hexadecimal, "inf" and "nan" are
// not numbers here, and the decimal point is '.' whatever locale the host has set.
double ReadLeadingDecimal(const char* text) {
    if (!text) return 0.0;
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    const char* digits = p;
    while (*p >= '0' && *p <= '9') ++p;
    bool any = p != digits;
    if (*p == '.') {
        ++p;
        const char* fraction = p;
        while (*p >= '0' && *p <= '9') ++p;
        any = any || p != fraction;
    }
    if (!any) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (*q >= '0' && *q <= '9') {
            while (*q >= '0' && *q <= '9') ++q;
            p = q;
        }
    }
    if (*start == '+') ++start;  // from_chars takes no plus sign
    double v = 0.0;
    const std::from_chars_result r = std::from_chars(start, p, v);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large a magnitude goes to the far end of the range; too small a one is zero.
        const std::string_view t(start, static_cast<std::size_t>(p - start));
        const bool tiny = t.find("e-") != t.npos || t.find("E-") != t.npos;
        if (tiny) return 0.0;
        return start[0] == '-' ? -1e308 : 1e308;
    }
    return r.ec == std::errc() && std::isfinite(v) ? v : 0.0;
}

}  // namespace

void PluginParam::InitRange(const char* name, double defaultValue, double minimum, double maximum,
                            double step, const char* label, const char* group, double shape) {
    if (_kind == kParamUnset) _kind = kParamContinuous;
    CopyText(_name, name, sizeof _name);
    CopyText(_label, label, sizeof _label);
    CopyText(_group, group, sizeof _group);
    _minimum = minimum;
    _value.store(defaultValue, std::memory_order_relaxed);
    _step = step;
    _default = defaultValue;

    // Decimals needed to show one step: 1 -> 0, 0.01 -> 2, never more than 6.
    _displayPrecision = 0;
    for (double s = step; std::floor(s) != s && _displayPrecision < 6; s *= 10.0) {
        ++_displayPrecision;
    }

    _maximum = std::max(maximum, minimum + step);  // never narrower than one step
    if (shape != 0.0) _shape = shape;
}

double PluginParam::Clamp(double v) const {
    return std::clamp(v, _minimum, std::max(_minimum, _maximum));
}

void PluginParam::SetPlain(double v) {
    _value.store(std::isfinite(v) ? Clamp(v) : Clamp(_default), std::memory_order_relaxed);
}

void PluginParam::SetName(const char* name) { CopyText(_name, name, sizeof _name); }

void PluginParam::ApplyNormal(double n) noexcept {
    if (std::isnan(n)) return;
    double p = NormalToPlain(n);
    if (_kind != kParamContinuous) {
        // Nearest multiple of the step counted from zero, halves rounding up.
        p = std::floor(p / _step + 0.5) * _step;
    }
    _value.store(std::min(p, _maximum), std::memory_order_relaxed);
}

double PluginParam::NormalToPlain(double n) const noexcept {
    return std::pow(n, _shape) * (_maximum - _minimum) + _minimum;
}

double PluginParam::PlainToNormal(double v) const noexcept {
    const double range = _maximum - _minimum;
    if (!(range > 0.0)) return 0.0;
    const double c = std::clamp(v, _minimum, _maximum);
    if (std::isnan(c)) return 0.0;
    return std::pow((c - _minimum) / range, 1.0 / _shape);
}

const char* PluginParam::DisplayTextFor(double v) const {
    if (_displayTexts.empty() || !std::isfinite(v)) return nullptr;
    const double whole = std::trunc(v);
    for (const DisplayText& d : _displayTexts) {
        if (static_cast<double>(d.value) == whole) return d.text[0] != '\0' ? d.text : nullptr;
    }
    return nullptr;
}

void PluginParam::FormatValue(double v, char* text, std::size_t size) const {
    if (size == 0) return;
    if (const char* shown = DisplayTextFor(v)) {
        CopyText(text, shown, size);
        return;
    }
    const double x = _negateDisplay ? -v : v;
    if (_displayPrecision > 0) {
        // Like "%.*f", but always with a '.' whatever locale the host has set.
        char number[400];
        const std::to_chars_result r = std::to_chars(number, number + sizeof number - 1, x,
                                                     std::chars_format::fixed, _displayPrecision);
        *(r.ec == std::errc() ? r.ptr : number) = '\0';
        CopyText(text, number, size);
    } else {
        // Whole numbers are truncated toward zero, as an int would be; out-of-range doubles are
        // held at the int's limits rather than converted with undefined behaviour.
        const double t =
            std::isnan(x) ? 0.0 : std::clamp(std::trunc(x), -2147483648.0, 2147483647.0);
        std::snprintf(text, size, "%d", static_cast<int>(t));
    }
}

const char* PluginParam::UnitText() const { return DisplayTextFor(Value()) ? "" : _label; }

double PluginParam::ParseHostText(const char* text) const {
    // A host that shows "16x" for a value must get that value back for "16x", not 16 clamped.
    for (const DisplayText& d : _displayTexts) {
        if (text && d.text[0] != '\0' && std::strcmp(d.text, text) == 0)
            return PlainToNormal(Clamp(d.value));
    }
    return PlainToNormal(Clamp(ReadLeadingDecimal(text)));
}

double PluginParam::ParseEditorText(const char* text) const {
    double v = 0.0;
    if (_kind == kParamBoolean || _kind == kParamEnumerated) {
        for (const DisplayText& d : _displayTexts) {
            if (text && std::strcmp(d.text, text) == 0) {
                v = d.value;
                break;
            }
        }
    } else {
        v = ReadLeadingDecimal(text);
        if (_negateDisplay) v = -v;
    }
    return PlainToNormal(Clamp(v));
}

void PluginParam::AddDisplayText(int value, const char* text) {
    DisplayText d;
    d.value = value;
    CopyText(d.text, text, sizeof d.text);
    _displayTexts.push_back(d);
}

}  // namespace tesselor::framework
