#include "plugin/Tesselor.h"

#include <cmath>
#include <mutex>

#include "graphics/PlatformGraphics.h"
#include "plugin/TesselorPanel.h"
#include "vst3/ModuleDescription.h"

namespace tesselor::plugin {

namespace {

using framework::FourCc;

constexpr framework::PluginIdentity kIdentity = {
    "Tesselor", "", "CopperWireworks", 0x00020000, FourCc("Tsl1"), FourCc("Mrvk"),
};

struct PotRow {
    int index;
    const char* name;
    double minimum, maximum, defaultValue;
    const char* label;  // unit shown by hosts: pot positions have none, the output gain is in dB
    double shape;       // taper of the normalised mapping
};

// In construction order; the order itself has no audible effect.
constexpr PotRow kPotRows[] = {
    {kParamLowGain, "LGain", 0.0, 1.0, 0.5, "", 1.0},
    {kParamLowFreq, "LFreq", 0.1, 0.983, 0.725, "", 0.5},
    {kParamLowMidGain, "LMGain", 0.0, 1.0, 0.5, "", 1.0},
    {kParamLowMidFreq, "LMFreq", 0.1, 0.983, 0.725, "", 0.5},
    {kParamHighMidGain, "HMGain", 0.0, 1.0, 0.5, "", 1.0},
    {kParamHighMidFreq, "HMFreq", 0.1, 0.983, 0.725, "", 0.5},
    {kParamHighGain, "HGain", 0.0, 1.0, 0.5, "", 1.0},
    {kParamHighFreq, "HFreq", 0.1, 0.983, 0.725, "", 0.5},
    {kParamLowPass, "LP", 0.0, 1.0, 1.0, "", 0.2},
    {kParamHighPass, "HP", 0.0, 1.0, 0.0, "", 0.5},
    {kParamOutputGain, "Gain", -12.0, 12.0, 0.0, "dB", 1.0},
};

struct SwitchRow {
    int index;
    const char* name;
    double defaultValue;
};

constexpr SwitchRow kSwitchRows[] = {
    {kParamBell, "Bell", 0.0},
    {kParamHpLp, "HPLP", 0.0},
    {kParamIn, "BY", 1.0},
};

constexpr double kPotStep = 0.01;

}  // namespace

Tesselor::Tesselor()
    : Vst3Plugin(kTesselorParamCount, "1-1 2-2", 1, kIdentity),
      _engine(std::make_unique<eq::EqEngine>()) {
    InitParams();
    // The editor and its controls live as long as the plug-in; a window opens only when the host
    // shows the editor.
    std::unique_ptr<graphics::Graphics> editor =
        graphics::CreatePlatformGraphics(this, kEditorWidth, kEditorHeight, kEditorFrameRate,
                                         {vst3::ModuleHandle(), TesselorImages()});
    BuildTesselorPanel(*editor);
    AttachEditor(std::move(editor));
    CaptureDefaultPreset("-");
}

Tesselor::~Tesselor() = default;

void Tesselor::InitParams() {
    for (const SwitchRow& row : kSwitchRows) {
        framework::PluginParam* p = Param(row.index);
        p->SetKind(framework::kParamStepped);
        p->InitRange(row.name, row.defaultValue, 0.0, 1.0, 1.0, "", "", 1.0);
    }
    for (const PotRow& row : kPotRows) {
        framework::PluginParam* p = Param(row.index);
        p->InitRange(row.name, row.defaultValue, row.minimum, row.maximum, kPotStep, row.label, "");
        p->SetShape(row.shape);
    }
    // The oversampling switch keeps the fresh parameter's kind, range and default (saved states
    // and projects know it that way); it only gets the panel's legend and texts for its values,
    // so that hosts list it by name.
    framework::PluginParam* oversample = Param(kParamOversample);
    oversample->SetName("Oversample");
    oversample->AddDisplayText(0, "4x");
    oversample->AddDisplayText(1, "16x");
}

void Tesselor::HandleReset() {
    std::lock_guard lock(Mutex());
    _engine->ClearSidePath();
}

void Tesselor::HandleParamChange(int index) {
    std::lock_guard lock(Mutex());
    const framework::PluginParam* p = Param(index);
    if (!p) return;
    const double value = p->Value();
    if (index >= kParamLowGain && index <= kParamLowPass) {
        _engine->SetPot(index, value);
    } else if (index == kParamOutputGain) {
        _engine->SetOutputGainTarget(std::pow(10.0, value / 20.0));
    } else if (index == kParamOversample) {
        // Non-zero once truncated to an integer.
        _engine->SetHighOversampling(std::fabs(value) >= 1.0);
    }
}

int Tesselor::SwitchValue(int index) const {
    // Truncated toward zero (so -0.5 is 0); anything that is then not 0 or 1 selects neither
    // branch.
    const double v = std::trunc(Param(index)->Value());
    return v == 0.0 ? 0 : v == 1.0 ? 1 : -1;
}

void Tesselor::ProcessBlock(double** inputs, double** outputs, int frames) noexcept {
    // The registry cannot change during the block (the binding holds PlugMutex around it), so
    // reading the switches once is the same as reading them for every sample.
    eq::EqSwitches switches;
    switches.bell = SwitchValue(kParamBell);
    switches.hplp = SwitchValue(kParamHpLp);
    switches.in = SwitchValue(kParamIn);
    const bool haveBuffers = inputs && outputs;
    _engine->ProcessBlock(haveBuffers ? inputs[0] : nullptr, haveBuffers ? inputs[1] : nullptr,
                          haveBuffers ? outputs[0] : nullptr, haveBuffers ? outputs[1] : nullptr,
                          frames, switches, SampleRate());
}

vst3::Vst3Plugin* CreateTesselor() { return new Tesselor(); }

}  // namespace tesselor::plugin
