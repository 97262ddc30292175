#pragma once

#include <memory>

#include "plugin/eq/EqEngine.h"
#include "vst3/Vst3Plugin.h"

namespace tesselor::plugin {

// Parameter indices: registry position, host id, state-chunk position and control binding.
enum TesselorParam : int {
    kParamLowGain = 0,
    kParamLowFreq = 1,
    kParamLowMidGain = 2,
    kParamLowMidFreq = 3,
    kParamHighMidGain = 4,
    kParamHighMidFreq = 5,
    kParamHighGain = 6,
    kParamHighFreq = 7,
    kParamHighPass = 8,
    kParamLowPass = 9,
    kParamOutputGain = 10,  // dB, -12..12
    kParamBell = 11,        // 0: low shelf, 1: low bell
    kParamHpLp = 12,        // 1: high-pass and low-pass in the path
    kParamIn = 13,          // 1: equaliser in, 0: input passed through
    kParamOversample = 14,  // 0: side path at 4 fs, 1: 16 fs; kind left unset (two-valued)
    kTesselorParamCount = 15,
};

// The console equaliser: fifteen parameters, the default preset "-", the engine and the editor
// panel (TesselorPanel). Every tone control is a simulated pot position 0..1 fed into
// circuit-derived formulas; only the output gain is in dB.
class Tesselor : public vst3::Vst3Plugin {
public:
    Tesselor();
    ~Tesselor() override;

    // [main thread, after set-up] Takes PlugMutex and clears the side path's all-pole states;
    // band sections, resamplers and smoothers keep their contents.
    void HandleReset() override;
    // [audio or main thread; takes PlugMutex] Copies pot positions (0..9) into the engine as
    // they are, turns the output gain (10) into a linear target and parameter 14 into the
    // oversampling factor. The switches (11..13) are read by ProcessBlock itself.
    void HandleParamChange(int index) override;
    // [audio thread, PlugMutex held by the binding] Always reads input channels 0 and 1 and writes
    // output channels 0 and 1. Allocates nothing.
    void ProcessBlock(double** inputs, double** outputs, int frames) noexcept override;

    const eq::EqEngine& Engine() const { return *_engine; }

private:
    void InitParams();
    int SwitchValue(int index) const;

    std::unique_ptr<eq::EqEngine> _engine;
};

}  // namespace tesselor::plugin
