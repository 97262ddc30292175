#pragma once

#include "framework/PluginParam.h"
#include "public.sdk/source/vst/vstparameters.h"

namespace tesselor::vst3 {

// A framework parameter as the host sees it: texts, steps and the plain <-> normalised mapping
// all come from the PluginParam, which outlives this wrapper (both belong to the plug-in).
class Vst3Parameter : public Steinberg::Vst::Parameter {
public:
    Vst3Parameter(const framework::PluginParam* param, Steinberg::Vst::ParamID id,
                  Steinberg::Vst::UnitID unit);

    // The plain value of `normal` (no step rounding) in the parameter's display format.
    void toString(Steinberg::Vst::ParamValue normal,
                  Steinberg::Vst::String128 text) const SMTG_OVERRIDE;
    // The leading decimal number of the text (0 when there is none), clamped and normalised.
    // Fails only for a null text.
    bool fromString(const Steinberg::Vst::TChar* text,
                    Steinberg::Vst::ParamValue& normal) const SMTG_OVERRIDE;
    Steinberg::Vst::ParamValue toPlain(Steinberg::Vst::ParamValue normal) const SMTG_OVERRIDE;
    Steinberg::Vst::ParamValue toNormalized(Steinberg::Vst::ParamValue plain) const SMTG_OVERRIDE;

    // toString for a parameter that may not be published yet. Normalised values outside 0..1 are
    // clamped (NaN counts as 0) so that the text is always a number in range.
    static void Format(const framework::PluginParam& param, Steinberg::Vst::ParamValue normal,
                       Steinberg::Vst::String128 text);

    OBJ_METHODS(Vst3Parameter, Steinberg::Vst::Parameter)

private:
    const framework::PluginParam* _param;
};

}  // namespace tesselor::vst3
