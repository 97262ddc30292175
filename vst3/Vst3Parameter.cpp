#include "vst3/Vst3Parameter.h"

#include <algorithm>
#include <cmath>

#include "vst3/Vst3Text.h"

namespace tesselor::vst3 {

using namespace Steinberg;
using namespace Steinberg::Vst;

Vst3Parameter::Vst3Parameter(const framework::PluginParam* param, ParamID id, UnitID unit)
    : _param(param) {
    info.id = id;
    WidenText(info.title, param->Name());
    info.shortTitle[0] = 0;
    WidenText(info.units, param->UnitText());
    info.stepCount =
        param->IsContinuous() ? 0 : static_cast<int32>(param->Maximum() - param->Minimum());
    info.defaultNormalizedValue = param->PlainToNormal(param->Default());
    valueNormalized = info.defaultNormalizedValue;
    info.unitId = unit;
    info.flags = param->CanAutomate() ? ParameterInfo::kCanAutomate : 0;
    // A parameter with texts for its values is a list a host may offer as a menu.
    if (!param->DisplayTexts().empty()) info.flags |= ParameterInfo::kIsList;
    precision = param->DisplayPrecision();
}

void Vst3Parameter::Format(const framework::PluginParam& param, ParamValue normal, String128 text) {
    if (!text) return;
    normal = std::isnan(normal) ? 0.0 : std::clamp(normal, 0.0, 1.0);
    char bytes[128] = {};
    param.FormatValue(param.NormalToPlain(normal), bytes, sizeof bytes);
    WidenText(text, 128, bytes);
}

void Vst3Parameter::toString(ParamValue normal, String128 text) const {
    Format(*_param, normal, text);
}

bool Vst3Parameter::fromString(const TChar* text, ParamValue& normal) const {
    if (!text) return false;
    char bytes[128] = {};
    NarrowText(bytes, sizeof bytes, text);
    normal = _param->ParseHostText(bytes);
    return true;
}

ParamValue Vst3Parameter::toPlain(ParamValue normal) const { return _param->NormalToPlain(normal); }

ParamValue Vst3Parameter::toNormalized(ParamValue plain) const {
    return _param->PlainToNormal(plain);
}

}  // namespace tesselor::vst3
