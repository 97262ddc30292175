#include "plugin/EqEngineState.h"

#include <cmath>
#include <initializer_list>

#include "plugin/DenormalGuard.h"
#include "plugin/EqKernel.h"

namespace tesselor::plugin {

EqEngineState::EqEngineState() {
    // Placeholders until the plug-in has delivered every parameter once.
    for (double& pot : _pots) pot = 1.0;
}

void EqEngineState::SetPot(int index, double value) {
    if (index >= 0 && index < kPotCount) _pots[index] = value;
}

double EqEngineState::SmootherTarget(int index) const {
    switch (index) {
        case 0:
            return 1.0 - _pots[9];  // LP
        case 1:
            return 1.0 - _pots[8];  // HP
        case 2:
            return _pots[0];  // LGain
        case 3:
            return 1.0 - _pots[1];  // LFreq
        case 4:
            return _pots[2];  // LMGain
        case 5:
            return 1.0 - _pots[3];  // LMFreq
        case 6:
            return _pots[4];  // HMGain
        case 7:
            return 1.0 - _pots[5];  // HMFreq
        case 8:
            return _pots[6];  // HGain
        case 9:
            return 1.0 - _pots[7];  // HFreq
        default:
            return _gainTarget;
    }
}

namespace {

bool IsUpperBand(SectionKind kind) {
    return kind == SectionKind::kLowMid || kind == SectionKind::kHighMid ||
           kind == SectionKind::kHigh;
}

}  // namespace

void EqEngineState::DesignPair(SectionKind kind, double rateHz, int gainSmoother,
                               int freqSmoother) noexcept {
    const double freqTarget = SmootherTarget(freqSmoother);
    for (const int lane : {kLeft, kRight}) {
        const double f1 = _smoothers[freqSmoother].Step(freqTarget);
        const double f2 = _smoothers[freqSmoother].Step(freqTarget);
        const double g =
            gainSmoother < 0 ? 0.0 : _smoothers[gainSmoother].Step(SmootherTarget(gainSmoother));
        BandSection& section = _sections[static_cast<int>(kind)];
        const SectionDesign design = DesignSection(kind, rateHz, g, f2, f1);
        if (IsUpperBand(kind))
            section.SetLaneFactored(lane, design);
        else
            section.SetLane(lane, design);
    }
}

void EqEngineState::BeginBlock(double rateHz) noexcept {
    // The smoothers' poles depend on the rate alone, the side path's filter on the factor alone.
    if (rateHz != _poleRateHz) {
        for (int i = 0; i < kOutputSmoother; ++i) _smoothers[i].SetCorner(kPotCornerHz, rateHz);
        _smoothers[kOutputSmoother].SetCorner(kGainCornerHz, rateHz);
        _poleRateHz = rateHz;
    }

    // The order is part of the sound: each design takes its steps from the shared smoothers.
    const double upperRateHz = 8.0 * rateHz;
    DesignPair(SectionKind::kLowShelf, rateHz, 2, 3);
    DesignPair(SectionKind::kLowBell, rateHz, 2, 3);
    DesignPair(SectionKind::kLowMid, upperRateHz, 4, 5);
    DesignPair(SectionKind::kHighMid, upperRateHz, 6, 7);
    DesignPair(SectionKind::kHigh, upperRateHz, 8, 9);
    DesignPair(SectionKind::kHighPass, rateHz, -1, 1);
    DesignPair(SectionKind::kLowPass, rateHz, -1, 0);
    if (_factor != _sideFactor) {
        _side.Design(0.2 / _factor);
        _sideFactor = _factor;
    }
}

void EqEngineState::ProcessBlock(const double* inL, const double* inR, double* outL, double* outR,
                                 int frames, const EqSwitches& switches, double rateHz) noexcept {
    if (!(rateHz > 0.0) || !std::isfinite(rateHz)) rateHz = kFallbackRateHz;
    BeginBlock(rateHz);
    if (frames < 1 || !inL || !inR || !outL || !outR) return;

    const DenormalGuard guard;
    EqKernel kernel = KernelFor(_build, _factor);
    if (!kernel) kernel = KernelFor(KernelBuild::kFastest, _factor);
    kernel(*this, inL, inR, outL, outR, frames, switches);
    RecoverNonFinite();
}

void EqEngineState::RecoverNonFinite() noexcept {
    Stereo probe = (_lowOut - _lowOut) + (_pre - _pre);
    for (const BandSection& section : _sections) probe += section.NonFiniteProbe();
    probe += _side.NonFiniteProbe() + _resampler.NonFiniteProbe();
    for (const int lane : {kLeft, kRight}) {
        if (probe[lane] == 0.0) continue;
        for (BandSection& section : _sections) section.ClearLane(lane);
        _side.ClearLane(lane);
        _resampler.ClearLane(lane);
        _lowOut[lane] = 0.0;
        _pre[lane] = 0.0;
    }
}

}  // namespace tesselor::plugin
