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

[[gnu::always_inline]] inline double EqEngine::SmootherTarget(int index) const {
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

constexpr bool IsUpperBand(SectionKind kind) {
    return kind == SectionKind::kLowMid || kind == SectionKind::kHighMid ||
           kind == SectionKind::kHigh;
}

}  // namespace

[[gnu::always_inline]] inline bool EqEngine::DesignInputs::Matches(const double rate,
                                                                   const DesignSteps& steps) const {
    // Bit patterns, not values: -0 and +0 compare equal but need not design alike.
    auto same = [](double a, double b) {
        return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
    };
    return valid && same(rateHz, rate) && same(g, steps.g) && same(f2, steps.f2) &&
           same(f1, steps.f1);
}

void EqEngine::Redesign(SectionKind kind, int lane, double rateHz,
                        const DesignSteps& steps) noexcept {
    _designedFrom[static_cast<int>(kind)][lane] = {true, rateHz, steps.g, steps.f2, steps.f1};
    BandSection& section = _loop.Section(kind);
    const SectionDesign design = DesignSection(kind, rateHz, steps.g, steps.f2, steps.f1);
    if (IsUpperBand(kind))
        section.SetLaneFactored(lane, design);
    else
        section.SetLane(lane, design);
}

void EqEngine::BeginBlock(double rateHz) noexcept {
    // The smoothers' poles depend on the rate alone, the side path's filter on the factor alone.
    if (rateHz != _poleRateHz) {
        for (int i = 0; i < kSmootherOutput; ++i)
            _loop.smoothers[i].SetCorner(kPotCornerHz, rateHz);
        _loop.smoothers[kSmootherOutput].SetCorner(kGainCornerHz, rateHz);
        _poleRateHz = rateHz;
    }

    // The order is part of the sound: each section's design takes its steps from the shared
    // smoothers, section after section as listed here, left before right, two frequency steps
    // and then a gain step. All steps are taken first, on copies of the smoothers that stay in
    // registers, each smoother's in that same order (they do not depend on each other); the
    // designs follow. Taken design by design, each step waited for the one before it through
    // memory, and the set-up cost a short block as much as a few samples.
    struct Pair {
        SectionKind kind;
        int gain, freq;
    };
    static constexpr Pair kPairs[] = {
        {SectionKind::kLowShelf, kSmootherLowGain, kSmootherLowFreq},
        {SectionKind::kLowBell, kSmootherLowGain, kSmootherLowFreq},
        {SectionKind::kLowMid, kSmootherLowMidGain, kSmootherLowMidFreq},
        {SectionKind::kHighMid, kSmootherHighMidGain, kSmootherHighMidFreq},
        {SectionKind::kHigh, kSmootherHighGain, kSmootherHighFreq},
        {SectionKind::kHighPass, kNoGain, kSmootherHighPass},
        {SectionKind::kLowPass, kNoGain, kSmootherLowPass},
    };
    constexpr int kPairCount = sizeof kPairs / sizeof kPairs[0];
    PotSmoother smoothers[kSmootherCount];
    double targets[kSmootherCount];
#pragma GCC unroll 16
    for (int i = 0; i < kSmootherCount; ++i) {
        smoothers[i] = _loop.smoothers[i];
        targets[i] = SmootherTarget(i);
    }
    DesignSteps steps[kPairCount][2];
#pragma GCC unroll 16
    for (int p = 0; p < kPairCount; ++p) {
        const Pair& pair = kPairs[p];
        for (const int lane : {kLeft, kRight}) {
            DesignSteps& s = steps[p][lane];
            s.f1 = smoothers[pair.freq].Step(targets[pair.freq]);
            s.f2 = smoothers[pair.freq].Step(targets[pair.freq]);
            s.g = pair.gain == kNoGain ? 0.0 : smoothers[pair.gain].Step(targets[pair.gain]);
        }
    }
#pragma GCC unroll 16
    for (int i = 0; i < kSmootherCount; ++i) _loop.smoothers[i].z = smoothers[i].z;
    for (int p = 0; p < kPairCount; ++p) {
        // The upper bands run at 8 fs.
        const double designRateHz = IsUpperBand(kPairs[p].kind) ? 8.0 * rateHz : rateHz;
        for (const int lane : {kLeft, kRight}) {
            const DesignInputs& from = _designedFrom[static_cast<int>(kPairs[p].kind)][lane];
            if (_alwaysRedesign || !from.Matches(designRateHz, steps[p][lane])) [[unlikely]]
                Redesign(kPairs[p].kind, lane, designRateHz, steps[p][lane]);
        }
    }

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
