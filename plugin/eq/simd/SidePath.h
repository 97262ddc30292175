#pragma once

#include <cstdint>

#include "plugin/eq/OversamplerStage.h"
#include "plugin/eq/TransferCurve.h"
#include "plugin/eq/simd/CurveLanes.h"
#include "plugin/eq/simd/FlushLanes.h"
#include "plugin/eq/simd/StereoLanes.h"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

// Runs an OversamplerStage: the side path's filters and curve over a run of input samples.
class SidePath {
public:
    explicit SidePath(OversamplerStage& stage) : _stage(stage) {}

    // [audio thread] `count` input samples per channel at oversampling factor F: 2 F filter runs
    // and F curve evaluations per channel and sample. Writes the side value of sample n to side[n]
    // and then calls consume(n), for n = 0, 1, ... in order; keeps the last side value. `work`
    // holds OversamplerStage::WorkSize(F, count) values, 32-byte aligned.
    //
    // Run straight, each sub-step would wait for the interpolation, the curve and the decimation
    // in turn, and the processor would have nothing else to do meanwhile. Instead the
    // interpolation runs kLead samples ahead of the decimation, the two stepping together in one
    // four-lane register (left and right of each); the curve is applied to the interpolated
    // values of kBatch samples at a time as they come, and the caller's work on a sample follows
    // the decimation of the next, so that its side value has long been there when the caller's
    // chain of sections starts from it. Only the first kLead samples of a call are interpolated
    // alone and the last kLead decimated alone, so that short blocks pay little for filling and
    // draining. Each filter still sees the same values in the same order; both are at rest at
    // the end of the call.
    //
    // Inlined into the engine's loop (and into each instruction-set build of it).
    template <int F, typename Consume>
    [[gnu::always_inline]] inline void Run(const double* inL, const double* inR, int count,
                                           Stereo* side, Stereo* work, Consume&& consume) noexcept {
        if (count < 1) return;
        _stage.ConvertState(OversamplerStage::StateForm::kOutputs);
        // The curve takes F y; F is a power of two, so folding it into the curve's scale gives
        // the same products.
        const double curveScale = F * TransferCurve::kScale;
        Stereo* const curved = work;
        Stereo* const line = work + kSlots * F;
        const int lineQuads = kPoles + F * (count < kStretch ? count : kStretch);
        const int lead = count < kLead ? count : kLead;

        Interpolate<F>(inL, inR, lead, curved, line);
        EvaluateCurveInPlace(curved, F * lead, curveScale);
        auto behind = [&consume](int m) __attribute__((always_inline)) {
            if (m > 0) consume(m - 1);
        };
        Paired<F>(inL, inR, count - lead, side, curved, line, lineQuads, curveScale, behind);
        Decimate<F>(count - lead, count, side, curved, line, behind);
        consume(count - 1);
        _stage.side = side[count - 1];
    }

private:
    static constexpr int kPoles = OversamplerStage::kPoles;
    static constexpr int kStretch = OversamplerStage::kStretch;
    static constexpr int kSlots = OversamplerStage::kCurveSlots;
    static constexpr int kBatch = 4;      // samples whose interpolated values are curved together
    static constexpr int kLead = kBatch;  // samples the interpolation runs ahead of the decimation
    static_assert(kSlots >= kLead + kBatch && (kSlots & (kSlots - 1)) == 0);
    static constexpr double kDrive = OversamplerStage::kDrive;
    // Samples that keep the flush in the recursion after one that needed it: in the near-silence
    // after loud input the flushes keep coming, and noting them only to run the steps again
    // would make silence dearer than signal.
    static constexpr int kFlushedRun = 64;

    // The F interpolated (then curved) values of sample m: the slots take turns, and the samples
    // of a batch have neighbouring slots.
    template <int F>
    [[gnu::always_inline]] static inline Stereo* Slot(Stereo* curved, int m) noexcept {
        return curved + (m & (kSlots - 1)) * F;
    }

    // Interpolation of samples 0 .. samples - 1 (at most kLead) on its own; the outputs go to
    // their slots, which follow one another.
    template <int F>
    [[gnu::always_inline]] inline void Interpolate(const double* inL, const double* inR,
                                                   int samples, Stereo* curved,
                                                   Stereo* line) noexcept {
        const Stereo drive = Splat(kDrive);
        Stereo* at = Begin(line, _stage.interp);
        Stereo y1 = at[-1], y2 = at[-2], y3 = at[-3];
        StereoBits unused{};
        for (int m = 0; m < samples; ++m, at += F) {
            const Stereo s = Stereo{inL[m], inR[m]} * drive;
            Quad* const pairs = reinterpret_cast<Quad*>(Slot<F>(curved, m));
#pragma GCC unroll 16
            for (int k = 0; k < F; k += 2) {
                Step<true>(at + k, k == 0 ? &s : nullptr, y1, y2, y3, unused);
                const Stereo first = y1;
                Step<true>(at + k + 1, static_cast<const Stereo*>(nullptr), y1, y2, y3, unused);
                // Stored two at a time, as the curve reads them: a load that spans two
                // separate recent stores would stall until they have left the store queue.
                pairs[k / 2] = __builtin_shufflevector(first, y1, 0, 1, 2, 3);
            }
        }
        End(at, _stage.interp);
    }

    // Samples 0 .. samples - 1 of the decimation, each with the interpolation of the sample kLead
    // later in step and followed by after(m); the curve follows each whole batch of
    // interpolated samples. The line of four-lane outputs holds lineQuads values and starts over
    // from its front when full.
    //
    // At F = 16 the steps of a sample first leave the flush out of the recursion, where it would
    // double the time each step waits for the one before, and only note whether it would have
    // changed any value. It changes none while the signal is well above 2^-54 and finite, and
    // never a zero but for its sign; those outputs are then the flushed ones up to the sign of
    // zero, which no later product or sum can tell apart (a side value or state that is left
    // has its zeros made +0). Otherwise the sample's steps are run again with the flush, and so
    // are the next kFlushedRun samples'. At F = 4 the rest of the loop hides that wait, and the
    // extra work of noting would not pay.
    template <int F, typename After>
    [[gnu::always_inline]] inline void Paired(const double* inL, const double* inR, int samples,
                                              Stereo* side, Stereo* curved, Stereo* line,
                                              int lineQuads, double curveScale,
                                              After& after) noexcept {
        if (samples < 1) return;
        const Stereo drive = Splat(kDrive);
        // Lanes: interpolation left, right, decimation left, right.
        Quad* const front = reinterpret_cast<Quad*>(line);
        Quad* const end = front + lineQuads;
        for (int j = 0; j < kPoles; ++j)
            front[kPoles - 1 - j] =
                __builtin_shufflevector(_stage.interp[j], _stage.decim[j], 0, 1, 2, 3);
        Quad* at = front + kPoles;
        Quad y1 = at[-1], y2 = at[-2], y3 = at[-3];
        constexpr bool kDeferFlush = F >= 16;
        int flushedRun = 0;  // samples still to run with the flush, after one that needed it
        for (int m = 0; m < samples; ++m, at += F) {
            if (at + F > end) {
                for (int j = 0; j < kPoles; ++j) front[j] = at[j - kPoles];
                at = front + kPoles;
            }
            const int ahead = m + kLead;
            const Stereo s = Stereo{inL[ahead], inR[ahead]} * drive;
            Stereo* const fresh = Slot<F>(curved, ahead);
            const Stereo* const curvedNow = Slot<F>(curved, m);
            bool flush = !kDeferFlush || flushedRun > 0;
            if (!flush) {
                QuadBits dropped{};
                PairedSteps<F, false>(at, s, curvedNow, fresh, side + m, y1, y2, y3, dropped);
                if ((dropped[0] | dropped[1] | dropped[2] | dropped[3]) != 0) [[unlikely]] {
                    y1 = at[-1];
                    y2 = at[-2];
                    y3 = at[-3];
                    flush = true;
                    flushedRun = kFlushedRun;
                }
            } else if (kDeferFlush) {
                --flushedRun;
            }
            if (flush) {
                QuadBits unused{};
                PairedSteps<F, true>(at, s, curvedNow, fresh, side + m, y1, y2, y3, unused);
            }
            if (ahead % kBatch == kBatch - 1 || m == samples - 1) {
                const int first = ahead - ahead % kBatch;
                EvaluateCurveInPlace(Slot<F>(curved, first), F * (ahead - first + 1), curveScale);
            }
            after(m);
        }
        const Stereo zero{};
        for (int j = 0; j < kPoles; ++j) {
            _stage.interp[j] = __builtin_shufflevector(at[-1 - j], at[-1 - j], 0, 1) + zero;
            _stage.decim[j] = __builtin_shufflevector(at[-1 - j], at[-1 - j], 2, 3) + zero;
        }
    }

    // The F steps of one sample in Paired: the interpolation of the input `s` (zero-stuffed)
    // into `fresh`, the decimation of the curve values `curvedNow`, its first output to *side.
    template <int F, bool kFlush>
    [[gnu::always_inline]] inline void PairedSteps(Quad* at, const Stereo& s,
                                                   const Stereo* curvedNow, Stereo* fresh,
                                                   Stereo* side, Quad& y1, Quad& y2, Quad& y3,
                                                   QuadBits& dropped) const noexcept {
        Quad* const pairs = reinterpret_cast<Quad*>(fresh);
#pragma GCC unroll 16
        for (int k = 0; k < F; k += 2) {
            const Quad u0 =
                __builtin_shufflevector(k == 0 ? s : Stereo{}, curvedNow[k], 0, 1, 2, 3);
            Step<kFlush>(at + k, &u0, y1, y2, y3, dropped);
            // The first decimated value of a sample is its side value; + 0 makes a zero +0.
            if (k == 0) *side = __builtin_shufflevector(y1, y1, 2, 3) + Stereo{};
            const Quad first = y1;
            const Quad u1 = __builtin_shufflevector(Stereo{}, curvedNow[k + 1], 0, 1, 2, 3);
            Step<kFlush>(at + k + 1, &u1, y1, y2, y3, dropped);
            // The interpolated values two at a time, as the curve reads them (see Interpolate).
            pairs[k / 2] = __builtin_shufflevector(first, y1, 0, 1, 4, 5);
        }
    }

    // Decimation alone of samples from .. to - 1, as in Paired.
    template <int F, typename After>
    [[gnu::always_inline]] inline void Decimate(int from, int to, Stereo* side, Stereo* curved,
                                                Stereo* line, After& after) noexcept {
        if (from >= to) return;
        Stereo* at = Begin(line, _stage.decim);
        Stereo y1 = at[-1], y2 = at[-2], y3 = at[-3];
        StereoBits unused{};
        for (int m = from; m < to; ++m, at += F) {
            const Stereo* const in = Slot<F>(curved, m);
#pragma GCC unroll 16
            for (int k = 0; k < F; ++k) {
                Step<true>(at + k, &in[k], y1, y2, y3, unused);
                if (k == 0) side[m] = y1;
            }
            after(m);
        }
        End(at, _stage.decim);
    }

    // One step of the all-pole filter in every lane of V (two or four) on a line of outputs in
    // time order: y = g0 u - a1 y1 - ... - a10 y10, flushed (or, without kFlush, the bits the
    // flush would clear added to `dropped`) and written to *at. The products go into one running
    // sum, oldest first: y1 .. y3, carried in registers, come last, so the recursion waits on one
    // multiply-add (and the flush) while the older part of the next steps' sums is already under
    // way. A null `u` means zero stuffing and skips its product.
    template <bool kFlush, typename V, typename Bits>
    [[gnu::always_inline]] inline void Step(V* at, const V* u, V& y1, V& y2, V& y3,
                                            Bits& dropped) const noexcept {
        const double(*c)[4] = _stage.feedback;
        V acc = Lanes<V>(c[kPoles - 1]) * at[-kPoles];
        for (int j = kPoles - 2; j >= 3; --j) AddProduct(acc, Lanes<V>(c[j]), at[-1 - j]);
        if (u) AddProduct(acc, Lanes<V>(_stage.gain), *u);
        AddProduct(acc, Lanes<V>(c[2]), y3);
        AddProduct(acc, Lanes<V>(c[1]), y2);
        AddProduct(acc, Lanes<V>(c[0]), y1);
        Bits keep;
        Kept(acc, keep);
        if constexpr (kFlush) {
            acc = reinterpret_cast<V>(reinterpret_cast<Bits>(acc) & keep);
        } else {
            // The magnitude's bits where it is not kept: none for kept values and for zeros.
            dropped |= reinterpret_cast<Bits>(acc) & INT64_MAX & ~keep;
        }
        *at = acc;
        y3 = y2;
        y2 = y1;
        y1 = acc;
    }
    // Puts one filter's history (newest first) in front of the line and returns where its next
    // output goes; End takes the ten newest outputs back.
    [[gnu::always_inline]] static inline Stereo* Begin(Stereo* line,
                                                       const Stereo (&history)[kPoles]) noexcept {
        for (int j = 0; j < kPoles; ++j) line[kPoles - 1 - j] = history[j];
        return line + kPoles;
    }
    [[gnu::always_inline]] static inline void End(const Stereo* at,
                                                  Stereo (&history)[kPoles]) noexcept {
        for (int j = 0; j < kPoles; ++j) history[j] = at[-1 - j];
    }
    // The first two or four lanes of a coefficient stored four times over.
    template <typename V>
    [[gnu::always_inline]] static inline const V& Lanes(const double (&splat)[4]) noexcept {
        return *reinterpret_cast<const V*>(splat);
    }

    OversamplerStage& _stage;
};

// One sample through the side path, for tests and tools that go sample by sample.
template <int F>
void RunSideSample(OversamplerStage& stage, Stereo x) noexcept {
    const double left = x[kLeft], right = x[kRight];
    Stereo side;
    alignas(32) Stereo work[OversamplerStage::WorkSize(F, 1)];
    SidePath(stage).Run<F>(&left, &right, 1, &side, work, [](int) {});
}

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD
