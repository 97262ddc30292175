#pragma once

// Body of the per-sample loop. Included only by the files that build it for one instruction set
// each (EqKernel*.cpp); everything here lives in that build's namespace (see SimdBuild.h).

#include "plugin/eq/EqEngine.h"
#include "plugin/eq/simd/EqKernel.h"
#include "plugin/eq/simd/ResamplerSteps.h"
#include "plugin/eq/simd/SectionSteps.h"
#include "plugin/eq/simd/SidePath.h"
#if defined(__AVX512F__)
#include "plugin/eq/simd/SideMatrixPath.h"
#endif
#include "plugin/eq/simd/StereoLanes.h"
#include "plugin/eq/simd/UpperBandLanes.h"
#include "plugin/eq/simd/UpperBandPairs.h"
#include "plugin/eq/simd/UpperBandSeries.h"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

// One smoother step, z <- b t + p z, unfused like PotSmoother::Step.
[[gnu::always_inline]] inline double StepSmoother(PotSmoother& s, double target) noexcept {
    s.z = s.b * target + s.p * s.z;
    return s.z;
}

[[gnu::always_inline]] inline BandSection& SectionOf(EqLoopState& state,
                                                     SectionKind kind) noexcept {
    return state.sections[static_cast<int>(kind)];
}

// `frames` samples (at least 1) of the whole path, side-path factor F = 4 or 16.
template <int F>
void RunLoop(EqLoopState& state, const double* inL, const double* inR, double* outL, double* outR,
             int frames, EqSwitches switches) noexcept {
    using Float2 = float __attribute__((vector_size(8)));
    constexpr int kChunk = EqLoopState::kChunk;

    // Working copies on the stack: the compiler can then keep them apart from the output
    // arrays, which it would otherwise have to assume might overlap them.
    BandSection shelf = SectionOf(state, SectionKind::kLowShelf);
    BandSection bell = SectionOf(state, SectionKind::kLowBell);
#if defined(__AVX512F__)
    using UpperBands = UpperBandLanes;
#elif defined(__AVX__)
    using UpperBands = UpperBandPairs;
#else
    using UpperBands = UpperBandSeries;
#endif
    constexpr int kLag = UpperBands::kLag;
    UpperBands upper;
    upper.Load(SectionOf(state, SectionKind::kHigh), SectionOf(state, SectionKind::kLowMid),
               SectionOf(state, SectionKind::kHighMid));
    BandSection highPass = SectionOf(state, SectionKind::kHighPass);
    BandSection lowPass = SectionOf(state, SectionKind::kLowPass);
    OversamplerStage sideStage = state.side;
    // With eight lanes, the filters at F = 16 run as matrix products (see SideMatrixPath).
    auto runSide = [&](const double* sideL, const double* sideR, int length, auto&& consume)
        __attribute__((always_inline)) {
#if defined(__AVX512F__)
        if constexpr (F == OversamplerMatrices::kFactor) {
            SideMatrixPath(sideStage, state.sideMatrices)
                .Run(sideL, sideR, length, state.sideValues, consume);
            return;
        }
#endif
        SidePath(sideStage).Run<F>(sideL, sideR, length, state.sideValues, state.sideWork, consume);
    };
    // The resampler works in place: its line goes through memory either way, and copying its
    // 4.6 kB buffer in and out would cost a short block more than the output arrays' possible
    // overlap costs here.
    ResamplerSteps resampler(state.resampler);
    Stereo low = state.lowOut;
    Stereo pre = state.pre;
    PotSmoother gainSmoother = state.smoothers[kSmootherOutput];
    const double gainTarget = state.gainTarget;
    Stereo* const sideValues = state.sideValues;

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
        const double gainL = StepSmoother(gainSmoother, gainTarget);
        const double gainR = StepSmoother(gainSmoother, gainTarget);
        const Stereo out = decimated * Stereo{gainL, gainR};
        outL[t - kLag] = out[kLeft];
        outR[t - kLag] = out[kRight];
    };

    // The low band's output of sample n goes on to the resampler and the upper bands one sample
    // later, in the same pass as sample n + 1 enters the sections at the host rate. The two
    // chains do not depend on each other, so the processor works on both at once, where the
    // upper bands would otherwise wait for the high-pass, low-pass and low band of every sample,
    // each of which ends in a division. Every section still sees the same values in the same
    // order.
    Stereo waiting{};  // the low band's output of the sample before the current one
    auto bands = [&](int n, const Stereo& lowOut) __attribute__((always_inline)) {
        Stereo v[UpperBands::kValues];
        resampler.Interpolate(lowOut, v);
        turn(n, v);
    };

    for (int start = 0; start < frames; start += kChunk) {
        const int length = frames - start < kChunk ? frames - start : kChunk;
        // The side path depends on nothing but the input; it runs a little ahead, interleaved
        // with the rest of the path, which takes each sample once its side value is there.
        runSide(
            inL + start, inR + start, length, [&](int i) __attribute__((always_inline)) {
                const int n = start + i;
                const Stereo x{inL[n], inR[n]};
                Stereo y = x + Splat(EqEngine::kSideLevel) * sideValues[i];
                pre = y;
                if (switches.hplp == 1) y = StepExact2(lowPass, StepExact3(highPass, y));
                // The low band sees the value rounded to single precision.
                y = __builtin_convertvector(__builtin_convertvector(y, Float2), Stereo);
                if (switches.bell == 0)
                    low = StepExact2(shelf, y);
                else if (switches.bell == 1)
                    low = StepExact3(bell, y);
                // Any value but 0 gives the processed output, so the outputs are always written.
                if (switches.in == 0) {
                    outL[n] = x[kLeft];
                    outR[n] = x[kRight];
                }
                if (n > 0) bands(n - 1, waiting);
                waiting = low;
            });
    }
    bands(frames - 1, waiting);
    if constexpr (kLag > 0) {
        const Stereo idle[UpperBands::kValues] = {};
        for (int t = frames; t < frames + kLag; ++t) turn(t, idle);
    }

    // Only the histories changed; the coefficients stay as the records hold them.
    auto keepHistory = [&](SectionKind kind, const BandSection& from) {
        BandSection& to = SectionOf(state, kind);
        to.x1 = from.x1;
        to.x2 = from.x2;
        to.x3 = from.x3;
        to.y1 = from.y1;
        to.y2 = from.y2;
        to.y3 = from.y3;
    };
    keepHistory(SectionKind::kLowShelf, shelf);
    keepHistory(SectionKind::kLowBell, bell);
    upper.Store(SectionOf(state, SectionKind::kHigh), SectionOf(state, SectionKind::kLowMid),
                SectionOf(state, SectionKind::kHighMid));
    keepHistory(SectionKind::kHighPass, highPass);
    keepHistory(SectionKind::kLowPass, lowPass);
    for (int j = 0; j < OversamplerStage::kPoles; ++j) {
        state.side.interp[j] = sideStage.interp[j];
        state.side.decim[j] = sideStage.decim[j];
    }
    state.side.side = sideStage.side;
    state.side.form = sideStage.form;
    state.lowOut = low;
    state.pre = pre;
    state.smoothers[kSmootherOutput] = gainSmoother;
}

template <int F>
void RunEqLoop(EqLoopState& state, const double* inL, const double* inR, double* outL, double* outR,
               int frames, EqSwitches switches) {
    RunLoop<F>(state, inL, inR, outL, outR, frames, switches);
}

// This build's loop for factor 4 or 16.
inline EqKernel LoopOf(int factor) noexcept {
    return factor == EqEngine::kHighFactor ? &RunEqLoop<EqEngine::kHighFactor>
                                           : &RunEqLoop<EqEngine::kLowFactor>;
}

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD
