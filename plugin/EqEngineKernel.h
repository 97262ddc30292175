#pragma once

// Body of the per-sample loop. Included only by the files that build it for one instruction
// set each; everything it calls is inlined so that no code built for one set is shared with
// another.

#include "plugin/EqEngineState.h"
#include "plugin/EqKernel.h"
#include "plugin/UpperBandLanes.h"
#include "plugin/UpperBandPairs.h"
#include "plugin/UpperBandSeries.h"

namespace tesselor::plugin {

template <int F, typename Isa>
void EqEngineState::RunSamples(const double* inL, const double* inR, double* outL, double* outR,
                               int frames, EqSwitches switches) noexcept {
    using Float2 = float __attribute__((vector_size(8)));

    // Working copies on the stack: the compiler can then keep them apart from the output
    // arrays, which it would otherwise have to assume might overlap them.
    BandSection shelf = _sections[static_cast<int>(SectionKind::kLowShelf)];
    BandSection bell = _sections[static_cast<int>(SectionKind::kLowBell)];
#if defined(__AVX512F__)
    using UpperBands = UpperBandLanes;
#elif defined(__AVX__)
    using UpperBands = UpperBandPairs;
#else
    using UpperBands = UpperBandSeries;
#endif
    constexpr int kLag = UpperBands::kLag;
    UpperBands upper;
    upper.Load(_sections[static_cast<int>(SectionKind::kHigh)],
               _sections[static_cast<int>(SectionKind::kLowMid)],
               _sections[static_cast<int>(SectionKind::kHighMid)]);
    BandSection highPass = _sections[static_cast<int>(SectionKind::kHighPass)];
    BandSection lowPass = _sections[static_cast<int>(SectionKind::kLowPass)];
    OversamplerStage side = _side;
    Poly4Resampler resampler = _resampler;
    Stereo low = _lowOut;
    Stereo pre = _pre;
    PotSmoother gainSmoother = _smoothers[kOutputSmoother];
    const double gainTarget = _gainTarget;

    // Turn t of the upper bands takes the new values of sample t and completes sample
    // t - kLag: the side-by-side forms run one or two samples behind (see UpperBandPairs and
    // UpperBandLanes).
    auto turn = [&](int t, const Stereo* fresh) __attribute__((always_inline)) {
        Quad done[UpperBands::kValues / 2];
        upper.Turn(t, frames, fresh, done);
        if (t < kLag) return;
        resampler.Append(done);
        if (switches.in == 0) return;
        const Stereo decimated = resampler.Decimate();
        // The output smoother steps once per channel, so twice per sample.
        const double gainL = gainSmoother.Step(gainTarget);
        const double gainR = gainSmoother.Step(gainTarget);
        const Stereo out = decimated * Stereo{gainL, gainR};
        outL[t - kLag] = out[kLeft];
        outR[t - kLag] = out[kRight];
    };

    for (int start = 0; start < frames; start += kChunk) {
        const int length = frames - start < kChunk ? frames - start : kChunk;
        // The side path depends on nothing but the input; it runs a little ahead, interleaved
        // with the rest of the path, which takes each sample once its side value is there.
        side.Run<F>(
            inL + start, inR + start, length, _sideValues, _sideWork,
            _curve, [&](int i) __attribute__((always_inline)) {
                const int n = start + i;
                const Stereo x{inL[n], inR[n]};
                Stereo y = x + Splat(kSideLevel) * _sideValues[i];
                pre = y;
                if (switches.hplp == 1) y = lowPass.ProcessExact2(highPass.ProcessExact3(y));
                // The low band sees the value rounded to single precision.
                y = __builtin_convertvector(__builtin_convertvector(y, Float2), Stereo);
                if (switches.bell == 0)
                    low = shelf.ProcessExact2(y);
                else if (switches.bell == 1)
                    low = bell.ProcessExact3(y);

                Stereo v[UpperBands::kValues];
                resampler.Interpolate(low, v);
                turn(n, v);
                // Any value but 0 gives the processed output, so the outputs are always written.
                if (switches.in == 0) {
                    outL[n] = x[kLeft];
                    outR[n] = x[kRight];
                }
            });
    }
    if constexpr (kLag > 0) {
        const Stereo idle[UpperBands::kValues] = {};
        for (int t = frames; t < frames + kLag; ++t) turn(t, idle);
    }

    _sections[static_cast<int>(SectionKind::kLowShelf)] = shelf;
    _sections[static_cast<int>(SectionKind::kLowBell)] = bell;
    upper.Store(_sections[static_cast<int>(SectionKind::kHigh)],
                _sections[static_cast<int>(SectionKind::kLowMid)],
                _sections[static_cast<int>(SectionKind::kHighMid)]);
    _sections[static_cast<int>(SectionKind::kHighPass)] = highPass;
    _sections[static_cast<int>(SectionKind::kLowPass)] = lowPass;
    _side = side;
    _resampler = resampler;
    _lowOut = low;
    _pre = pre;
    _smoothers[kOutputSmoother] = gainSmoother;
}

// The loop as built in the including file, for factor 4 or 16; `Isa` names that file's build, so
// that each build has entries of its own.
template <int F, typename Isa>
void RunEqKernel(EqEngineState& engine, const double* inL, const double* inR, double* outL,
                 double* outR, int frames, EqSwitches switches) {
    engine.RunSamples<F, Isa>(inL, inR, outL, outR, frames, switches);
}

template <typename Isa>
EqKernel EqKernelOf(int factor) noexcept {
    return factor == 16 ? &RunEqKernel<16, Isa> : &RunEqKernel<4, Isa>;
}

}  // namespace tesselor::plugin
