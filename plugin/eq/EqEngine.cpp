#include "plugin/eq/EqEngine.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "plugin/eq/DenormalGuard.h"
#include "plugin/eq/simd/EqKernel.h"

namespace tesselor::plugin::eq {

EqEngine::EqEngine() {
    // Placeholders until the plug-in has delivered every parameter once.
    for (double& pot : _pots) pot = 1.0;
}

void EqEngine::SetPot(int index, double value) {
    if (index >= 0 && index < kPotCount) _pots[index] = value;
}

double EqEngine::SmootherTarget(int index) const {
    switch (index) {
        case kSmootherLowPass:
            return 1.0 - _pots[kPotLowPass];
        case kSmootherHighPass:
            return 1.0 - _pots[kPotHighPass];
        case kSmootherLowGain:
            return _pots[kPotLowGain];
        case kSmootherLowFreq:
            return 1.0 - _pots[kPotLowFreq];
        case kSmootherLowMidGain:
            return _pots[kPotLowMidGain];
        case kSmootherLowMidFreq:
            return 1.0 - _pots[kPotLowMidFreq];
        case kSmootherHighMidGain:
            return _pots[kPotHighMidGain];
        case kSmootherHighMidFreq:
            return 1.0 - _pots[kPotHighMidFreq];
        case kSmootherHighGain:
            return _pots[kPotHighGain];
        case kSmootherHighFreq:
            return 1.0 - _pots[kPotHighFreq];
        default:
            return _loop.gainTarget;
    }
}

namespace {

constexpr int kNoGain = -1;  // the high-pass and low-pass have no gain gang

bool IsUpperBand(SectionKind kind) {
    return kind == SectionKind::kLowMid || kind == SectionKind::kHighMid ||
           kind == SectionKind::kHigh;
}

}  // namespace

bool EqEngine::DesignInputs::Matches(double rate, double gain, double freq2, double freq1) const {
    // Bit patterns, not values: -0 and +0 compare equal but need not design alike.
    auto same = [](double a, double b) {
        return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
    };
    return valid && same(rateHz, rate) && same(g, gain) && same(f2, freq2) && same(f1, freq1);
}

void EqEngine::DesignPair(SectionKind kind, double rateHz, int gainSmoother,
                          int freqSmoother) noexcept {
    PotSmoother* smoothers = _loop.smoothers;
    const double freqTarget = SmootherTarget(freqSmoother);
    for (const int lane : {kLeft, kRight}) {
        const double f1 = smoothers[freqSmoother].Step(freqTarget);
        const double f2 = smoothers[freqSmoother].Step(freqTarget);
        const double g = gainSmoother == kNoGain
                             ? 0.0
                             : smoothers[gainSmoother].Step(SmootherTarget(gainSmoother));
        DesignInputs& from = _designedFrom[static_cast<int>(kind)][lane];
        if (!_alwaysRedesign && from.Matches(rateHz, g, f2, f1)) continue;
        from = {true, rateHz, g, f2, f1};
        BandSection& section = _loop.Section(kind);
        const SectionDesign design = DesignSection(kind, rateHz, g, f2, f1);
        if (IsUpperBand(kind))
            section.SetLaneFactored(lane, design);
        else
            section.SetLane(lane, design);
    }
}

void EqEngine::BeginBlock(double rateHz) noexcept {
    // The smoothers' poles depend on the rate alone, the side path's filter on the factor alone.
    if (rateHz != _poleRateHz) {
        for (int i = 0; i < kSmootherOutput; ++i)
            _loop.smoothers[i].SetCorner(kPotCornerHz, rateHz);
        _loop.smoothers[kSmootherOutput].SetCorner(kGainCornerHz, rateHz);
        _poleRateHz = rateHz;
    }

    // The order is part of the sound: each design takes its steps from the shared smoothers.
    const double upperRateHz = 8.0 * rateHz;
    DesignPair(SectionKind::kLowShelf, rateHz, kSmootherLowGain, kSmootherLowFreq);
    DesignPair(SectionKind::kLowBell, rateHz, kSmootherLowGain, kSmootherLowFreq);
    DesignPair(SectionKind::kLowMid, upperRateHz, kSmootherLowMidGain, kSmootherLowMidFreq);
    DesignPair(SectionKind::kHighMid, upperRateHz, kSmootherHighMidGain, kSmootherHighMidFreq);
    DesignPair(SectionKind::kHigh, upperRateHz, kSmootherHighGain, kSmootherHighFreq);
    DesignPair(SectionKind::kHighPass, rateHz, kNoGain, kSmootherHighPass);
    DesignPair(SectionKind::kLowPass, rateHz, kNoGain, kSmootherLowPass);
    if (_factor != _sideFactor) {
        _loop.side.Design(0.2 / _factor);
        if (_factor == kHighFactor) _loop.sideMatrices.Design(_loop.side);
        _sideFactor = _factor;
    }
}

void EqEngine::ProcessBlock(const double* inL, const double* inR, double* outL, double* outR,
                            int frames, const EqSwitches& switches, double rateHz) noexcept {
    if (!(rateHz > 0.0) || !std::isfinite(rateHz)) rateHz = kFallbackRateHz;
    BeginBlock(rateHz);
    if (frames < 1 || !inL || !inR || !outL || !outR) return;

    const DenormalGuard guard;
    simd::EqKernel kernel = simd::KernelFor(_build, _factor);
    if (!kernel) kernel = simd::KernelFor(KernelBuild::kFastest, _factor);
    kernel(_loop, inL, inR, outL, outR, frames, switches);
    RecoverNonFinite();
}

void EqEngine::RecoverNonFinite() noexcept {
    Stereo probe = (_loop.lowOut - _loop.lowOut) + (_loop.pre - _loop.pre);
    for (const BandSection& section : _loop.sections) probe += section.NonFiniteProbe();
    probe += _loop.side.NonFiniteProbe() + _loop.resampler.NonFiniteProbe();
    for (const int lane : {kLeft, kRight}) {
        if (probe[lane] == 0.0) continue;
        for (BandSection& section : _loop.sections) section.ClearLane(lane);
        _loop.side.ClearLane(lane);
        _loop.resampler.ClearLane(lane);
        _loop.lowOut[lane] = 0.0;
        _loop.pre[lane] = 0.0;
    }
}

}  // namespace tesselor::plugin::eq
