#pragma once

#include <cstdint>
#include <type_traits>

#include "plugin/eq/OversamplerStage.h"
#include "plugin/eq/TransferCurve.h"
#include "plugin/eq/simd/CurveLanes.h"
#include "plugin/eq/simd/StereoLanes.h"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

// Runs an OversamplerStage: the side path's filters and curve over a stretch of input samples.
class SidePath {
public:
    explicit SidePath(OversamplerStage& stage) : _stage(stage) {}

    // [audio thread] `count` input samples per channel at oversampling factor F: 2 F filter runs
    // and F curve lookups per channel and sample. Writes the side value of sample n to side[n]
    // and then calls consume(n), for n = 0, 1, ... in order; keeps the last side value. `work`
    // holds OversamplerStage::WorkSize(F, count) values, 32-byte aligned.
    //
    // Run straight, each sub-step would wait for the interpolation, the curve and the decimation
    // in turn, and the processor would have nothing else to do meanwhile. Instead the samples go
    // in stretches: the interpolation of stretch c + 2 and the decimation of stretch c + 1 step
    // together in one four-lane register (left and right of each), interleaved with the caller's
    // work on stretch c, and the curve is applied to a whole stretch of interpolated values at
    // once between the two. Each filter still sees the same values in the same order; both are at
    // rest at the end of the call.
    //
    // Inlined into the engine's loop (and into each instruction-set build of it).
    template <int F, typename Consume>
    [[gnu::always_inline]] inline void Run(const double* inL, const double* inR, int count,
                                           Stereo* side, Stereo* work, const TransferCurve& curve,
                                           Consume&& consume) noexcept {
        if (count < 1) return;
        // The curve takes F y; F is a power of two, so folding it into the curve's scale gives
        // the same products.
        const double curveScale = F * TransferCurve::kScale;
        const double* const curvePairs = curve.Pairs();
        const int first = count < kStretch ? count : kStretch;
        Stereo* ahead = work;                // a stretch interpolated, then curved
        Stereo* current = work + F * first;  // the curve values of the stretch being decimated
        Stereo* const line = work + 2 * F * first;
        auto length = [count](int c) {
            const int rest = count - c * kStretch;
            return rest <= 0 ? 0 : rest < kStretch ? rest : kStretch;
        };
        auto curveAhead = [&](int samples) {
            EvaluateCurveInPlace(curvePairs, ahead, F * samples, curveScale);
            Stereo* const swap = current;
            current = ahead;
            ahead = swap;
        };
        auto nothing = [](int) {};

        // Filling the pipeline: stretch 0 interpolated alone, then stretch 1 interpolated while
        // stretch 0 is decimated.
        Interpolate<F>(inL, inR, 0, length(0), ahead, line);
        curveAhead(length(0));
        Paired<F>(inL, inR, kStretch, length(1), side, 0, ahead, current, line, nothing);
        Decimate<F>(length(1), length(0), side, 0, current, line, nothing);
        if (length(1) > 0) curveAhead(length(1));

        for (int c = 0; c * kStretch < count; ++c) {
            const int base = c * kStretch;
            const int now = length(c), next = length(c + 1), later = length(c + 2);
            auto consumeHere = [&](int m) __attribute__((always_inline)) { consume(base + m); };
            Paired<F>(inL, inR, base + 2 * kStretch, later, side, base + kStretch, ahead, current,
                      line, consumeHere);
            Decimate<F>(later, next, side, base + kStretch, current, line, consumeHere);
            for (int m = next; m < now; ++m) consume(base + m);
            if (later > 0) curveAhead(later);
        }
        _stage.side = side[count - 1];
    }

private:
    static constexpr int kPoles = OversamplerStage::kPoles;
    static constexpr int kStretch = OversamplerStage::kStretch;
    static constexpr double kDrive = OversamplerStage::kDrive;

    // Interpolation of samples start .. start + samples - 1 on its own; the outputs go to `out`.
    template <int F>
    [[gnu::always_inline]] inline void Interpolate(const double* inL, const double* inR, int start,
                                                   int samples, Stereo* out,
                                                   Stereo* line) noexcept {
        const Stereo drive = Splat(kDrive);
        Stereo* at = Begin(line, _stage.interp);
        Stereo y1 = at[-1], y2 = at[-2], y3 = at[-3];
        Quad* const pairs = reinterpret_cast<Quad*>(out);
        for (int m = 0; m < samples; ++m, at += F) {
            const Stereo s = Stereo{inL[start + m], inR[start + m]} * drive;
#pragma GCC unroll 16
            for (int k = 0; k < F; k += 2) {
                Step(at + k, k == 0 ? &s : nullptr, y1, y2, y3);
                const Stereo first = y1;
                Step(at + k + 1, static_cast<const Stereo*>(nullptr), y1, y2, y3);
                // Stored two at a time, as the curve reads them: a load that spans two
                // separate recent stores would stall until they have left the store queue.
                pairs[(F * m + k) / 2] = __builtin_shufflevector(first, y1, 0, 1, 2, 3);
            }
        }
        End(at, _stage.interp);
    }

    // `samples` samples of both filters in step: interpolation of the samples from
    // `interpStart` into `out`, decimation of the curve values `in` (a stretch whose first side
    // value is side[sideStart]); after(m) follows the m-th sample.
    template <int F, typename After>
    [[gnu::always_inline]] inline void Paired(const double* inL, const double* inR, int interpStart,
                                              int samples, Stereo* side, int sideStart, Stereo* out,
                                              const Stereo* in, Stereo* line,
                                              After&& after) noexcept {
        if (samples < 1) return;
        const Stereo drive = Splat(kDrive);
        // Lanes: interpolation left, right, decimation left, right.
        Quad* at = reinterpret_cast<Quad*>(line) + kPoles;
        for (int j = 0; j < kPoles; ++j)
            at[-1 - j] = __builtin_shufflevector(_stage.interp[j], _stage.decim[j], 0, 1, 2, 3);
        Quad y1 = at[-1], y2 = at[-2], y3 = at[-3];
        Quad* const pairs = reinterpret_cast<Quad*>(out);
        for (int m = 0; m < samples; ++m, at += F) {
            const Stereo s = Stereo{inL[interpStart + m], inR[interpStart + m]} * drive;
#pragma GCC unroll 16
            for (int k = 0; k < F; k += 2) {
                const Quad u0 =
                    __builtin_shufflevector(k == 0 ? s : Stereo{}, in[F * m + k], 0, 1, 2, 3);
                Step(at + k, &u0, y1, y2, y3);
                // The first decimated value of a sample is its side value.
                if (k == 0) side[sideStart + m] = __builtin_shufflevector(y1, y1, 2, 3);
                const Quad first = y1;
                const Quad u1 = __builtin_shufflevector(Stereo{}, in[F * m + k + 1], 0, 1, 2, 3);
                Step(at + k + 1, &u1, y1, y2, y3);
                // The interpolated values two at a time, as the curve reads them (see
                // Interpolate).
                pairs[(F * m + k) / 2] = __builtin_shufflevector(first, y1, 0, 1, 4, 5);
            }
            after(m);
        }
        for (int j = 0; j < kPoles; ++j) {
            _stage.interp[j] = __builtin_shufflevector(at[-1 - j], at[-1 - j], 0, 1);
            _stage.decim[j] = __builtin_shufflevector(at[-1 - j], at[-1 - j], 2, 3);
        }
    }

    // Decimation alone of samples from .. to - 1 of a stretch, as in Paired.
    template <int F, typename After>
    [[gnu::always_inline]] inline void Decimate(int from, int to, Stereo* side, int sideStart,
                                                const Stereo* in, Stereo* line,
                                                After&& after) noexcept {
        if (from >= to) return;
        Stereo* at = Begin(line, _stage.decim);
        Stereo y1 = at[-1], y2 = at[-2], y3 = at[-3];
        for (int m = from; m < to; ++m, at += F) {
#pragma GCC unroll 16
            for (int k = 0; k < F; ++k) {
                Step(at + k, &in[F * m + k], y1, y2, y3);
                if (k == 0) side[sideStart + m] = y1;
            }
            after(m);
        }
        End(at, _stage.decim);
    }

    // One step of the all-pole filter in every lane of V (two or four) on a line of outputs in
    // time order: y = g0 u - a1 y1 - ... - a10 y10, flushed and written to *at. The products go
    // into one running sum, oldest first: y1 .. y3, carried in registers, come last, so the
    // recursion waits on one multiply-add and the flush while the older part of the next steps'
    // sums is already under way. A null `u` means zero stuffing and skips its product.
    template <typename V>
    [[gnu::always_inline]] inline void Step(V* at, const V* u, V& y1, V& y2, V& y3) const noexcept {
        const double(*c)[4] = _stage.feedback;
        V acc = Lanes<V>(c[kPoles - 1]) * at[-kPoles];
        for (int j = kPoles - 2; j >= 3; --j) AddProduct(acc, Lanes<V>(c[j]), at[-1 - j]);
        if (u) AddProduct(acc, Lanes<V>(_stage.gain), *u);
        AddProduct(acc, Lanes<V>(c[2]), y3);
        AddProduct(acc, Lanes<V>(c[1]), y2);
        AddProduct(acc, Lanes<V>(c[0]), y1);
        Flush(acc);
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
    // A biased exponent below 969 (magnitude below 2^-54) or of 2047 (infinity, NaN) makes the
    // value 0. One integer compare on the bits does it: adding 1 to the exponent field carries
    // exponent 2047 into the sign bit, so the kept values are exactly those that reach at least
    // 970 and stay positive. This sits on the recursion's critical path.
    template <typename V>
    [[gnu::always_inline]] static inline void Flush(V& y) noexcept {
        using Bits = decltype(y < y);
        // Unsigned, so that the carry into the sign bit is plain wrap-around.
        using Unsigned =
            std::conditional_t<sizeof(V) == sizeof(Quad), QuadUnsigned, StereoUnsigned>;
        constexpr std::int64_t kExponentOne = std::int64_t{1} << 52;
        const Unsigned magnitude = reinterpret_cast<Unsigned>(y) & (~std::uint64_t{0} >> 1);
        const Bits shifted = reinterpret_cast<Bits>(magnitude + std::uint64_t{kExponentOne});
        const Bits keep = shifted > 970 * kExponentOne - 1;
        y = reinterpret_cast<V>(reinterpret_cast<Bits>(y) & keep);
    }

    OversamplerStage& _stage;
};

// One sample through the side path, for tests and tools that go sample by sample.
template <int F>
void RunSideSample(OversamplerStage& stage, Stereo x, const TransferCurve& curve) noexcept {
    const double left = x[kLeft], right = x[kRight];
    Stereo side;
    alignas(32) Stereo work[OversamplerStage::WorkSize(F, 1)];
    SidePath(stage).Run<F>(&left, &right, 1, &side, work, curve, [](int) {});
}

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD
