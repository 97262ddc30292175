#pragma once

#if !defined(__AVX512F__)
#error "SideMatrixPath runs eight lanes at a time: AVX-512 builds only"
#endif

#include "plugin/eq/OversamplerMatrices.h"
#include "plugin/eq/OversamplerStage.h"
#include "plugin/eq/TransferCurve.h"
#include "plugin/eq/simd/CurveLanes.h"
#include "plugin/eq/simd/FlushLanes.h"
#include "plugin/eq/simd/StereoLanes.h"

// GCC 12 takes the undefined pass-through lanes of the unmasked AVX-512 intrinsics for
// uninitialised values once they are inlined here, and says so at every use.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

// Runs an OversamplerStage at F = 16 by its matrices (OversamplerMatrices), with the filters'
// states as differences: per input sample, the interpolation's 16 outputs and next state, and the
// decimation's side value and next state, each come from one product of a matrix and the state,
// left and right side by side in eight lanes. Stepped one output at a time, each filter would
// wait for every output before it could start the next, 16 times a sample; here it waits once a
// sample, and the work fills the lanes.
//
// What differs from the step form (SidePath), all far below what the accuracy limit sees: the
// interpolated values, their curve and what the curved values add to the decimation are worked
// out in single precision (the side values stay within 1e-5 of the step form's, 3e-10 of full
// scale in the output); the flush (a value below 2^-54 in magnitude, or not finite, becomes 0)
// acts on what carries on, the two states and the side value, not inside a product; the curve
// takes a NaN or infinite value to 0 as the flush would. Silence brings the side path as far
// down as the step form does, and a NaN or infinite input is gone from both filters at the end
// of its sample.
class SideMatrixPath {
public:
    SideMatrixPath(OversamplerStage& stage, const OversamplerMatrices& matrices)
        : _stage(stage), _m(matrices) {}

    // [audio thread] As SidePath::Run at F = 16: writes the side value of sample n to side[n]
    // and then calls consume(n - 1), so that the caller's work on a sample finds its side value
    // long there, and consume(count - 1) at the end. Keeps the last side value.
    template <typename Consume>
    [[gnu::always_inline]] inline void Run(const double* inL, const double* inR, int count,
                                           Stereo* side, Consume&& consume) noexcept {
        if (count < 1) return;
        // The interpolation's state goes through memory, the decimation's stays in registers
        // (see Interpolate and Decimate). Lanes past the state hold zeros.
        _stage.ConvertState(OversamplerStage::StateForm::kDifferences);
        alignas(64) Stereo interpState[kStateRows] = {};
        alignas(64) float interpStateFloats[2 * kStateRows] = {};
        alignas(64) Stereo rows[kDecimRows] = {};
        for (int i = 0; i < kPoles; ++i) {
            interpState[i] = _stage.interp[i];
            rows[1 + i] = _stage.decim[i];
        }
        for (int q = 0; q < kStateRows / 4; ++q) StoreFloats(interpState, interpStateFloats, q);
        Octo decimated[kDecimRows / 4];
        for (int q = 0; q < kDecimRows / 4; ++q)
            decimated[q] = reinterpret_cast<const Octo*>(rows)[q];

        // The interpolation and the curve run a sample ahead of the decimation, so that the
        // processor finds the two filters' independent work side by side.
        const Stereo drive = Splat(OversamplerStage::kDrive);
        const double curveScale = kFactor * TransferCurve::kScale;
        Floats curved[2], curvedNext[2] = {};
        auto interpolate = [&](int n, Floats(&to)[2]) __attribute__((always_inline)) {
            Interpolate(Stereo{inL[n], inR[n]} * drive, interpState, interpStateFloats, to);
            for (int h = 0; h < 2; ++h) EvaluateCurveLanes<Floats, FloatsBits>(to[h], curveScale);
        };
        interpolate(0, curved);
        for (int n = 0; n < count; ++n) {
            if (n + 1 < count) interpolate(n + 1, curvedNext);
            Decimate(curved, decimated);
            side[n] = __builtin_shufflevector(decimated[0], decimated[0], 0, 1);
            if (n > 0) consume(n - 1);
            for (int h = 0; h < 2; ++h) curved[h] = curvedNext[h];
        }
        consume(count - 1);

        for (int q = 0; q < kDecimRows / 4; ++q) reinterpret_cast<Octo*>(rows)[q] = decimated[q];
        for (int i = 0; i < kPoles; ++i) {
            _stage.interp[i] = interpState[i];
            _stage.decim[i] = rows[1 + i];
        }
        _stage.side = side[count - 1];
    }

private:
    static constexpr int kPoles = OversamplerStage::kPoles;
    static constexpr int kFactor = OversamplerMatrices::kFactor;
    static constexpr int kDecimRows = OversamplerMatrices::kDecimRows;
    static constexpr int kStateRows = OversamplerMatrices::kStateRows;

    // A stereo value in all four pairs of lanes. (Written as a generic shuffle, it would go
    // through the stack.)
    [[gnu::always_inline]] static inline Octo Pairs(const Stereo& v) noexcept {
        return _mm512_broadcast_f64x2(v);
    }
    // Pair p (0 .. 3) of v in all four pairs of lanes: one permutation.
    [[gnu::always_inline]] static inline Octo PairOf(const Octo& v, int p) noexcept {
        const long long low = 2 * p, high = 2 * p + 1;
        return _mm512_permutexvar_pd(_mm512_set_epi64(high, low, high, low, high, low, high, low),
                                     v);
    }
    [[gnu::always_inline]] static inline void Flush(Octo& y) noexcept {
        OctoBits keep;
        Kept(y, keep);
        y = reinterpret_cast<Octo>(reinterpret_cast<OctoBits>(y) & keep);
    }

    // The interpolation of the (driven) input `s`: its 16 outputs in single precision, eight
    // to a register, and its next state in place of `state` (and of its single-precision copy
    // `stateFloats`, which the outputs are made from). The state goes through memory: loads
    // that broadcast it cost the processor less here than permutations of registers.
    [[gnu::always_inline]] inline void Interpolate(const Stereo& s, Stereo* state,
                                                   float* stateFloats,
                                                   Floats (&outputs)[2]) const noexcept {
        constexpr int kOctos = kStateRows / 4;
        const Octo(*cols)[kOctos] = reinterpret_cast<const Octo(*)[kOctos]>(_m.interp);
        const Floats(*outCols)[2] = reinterpret_cast<const Floats(*)[2]>(_m.outputs);
        const Octo input = Pairs(s);
        const Floats inputFloats = FloatPairs(_mm_cvtpd_ps(s));
        Octo next[kOctos];
        for (int q = 0; q < kOctos; ++q) next[q] = cols[kPoles][q] * input;
        for (int h = 0; h < 2; ++h) outputs[h] = outCols[kPoles][h] * inputFloats;
        for (int j = 0; j < kPoles; ++j) {
            const Octo d = Pairs(state[j]);
            for (int q = 0; q < kOctos; ++q) AddProduct(next[q], cols[j][q], d);
            const Floats f = FloatPairs(
                _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(stateFloats + 2 * j))));
            for (int h = 0; h < 2; ++h) AddProduct(outputs[h], outCols[j][h], f);
        }
        for (int q = 0; q < kOctos; ++q) {
            Flush(next[q]);
            reinterpret_cast<Octo*>(state)[q] = next[q];
            StoreFloats(state, stateFloats, q);
        }
    }
    // Values 4 q .. 4 q + 3 of `values`, rounded to single precision, to `floats`.
    [[gnu::always_inline]] static inline void StoreFloats(const Stereo* values, float* floats,
                                                          int q) noexcept {
        _mm256_store_ps(floats + 8 * q, _mm512_cvtpd_ps(reinterpret_cast<const Octo*>(values)[q]));
    }
    // A single-precision stereo pair (the low two lanes of `pair`) in all eight pairs of lanes.
    [[gnu::always_inline]] static inline Floats FloatPairs(__m128 pair) noexcept {
        return _mm512_castpd_ps(_mm512_broadcastsd_pd(_mm_castps_pd(pair)));
    }

    // The decimation's rows (output 0, the next state, a zero; four to a register) from the 16
    // curved values, eight to a register, and its state, rows 1 .. 10, in place. The curved
    // values come first, as they do not wait for the sample before; the state is taken from the
    // registers.
    [[gnu::always_inline]] inline void Decimate(const Floats (&curved)[2],
                                                Octo (&rows)[kDecimRows / 4]) const noexcept {
        // The curved values' part in single precision, like the values themselves.
        const Floats(*inCols)[2] = reinterpret_cast<const Floats(*)[2]>(_m.decimInputs);
        Floats fa[2], fb[2];
        for (int h = 0; h < 2; ++h) {
            fa[h] = inCols[0][h] * FloatPairOf(curved[0], 0);
            fb[h] = inCols[1][h] * FloatPairOf(curved[0], 1);
        }
        for (int k = 2; k < kFactor; ++k) {
            const Floats w = FloatPairOf(curved[k / 8], k % 8);
            for (int h = 0; h < 2; ++h) AddProduct(k % 2 == 0 ? fa[h] : fb[h], inCols[k][h], w);
        }
        const Floats low = fa[0] + fb[0], high = fa[1] + fb[1];
        const Octo(*cols)[3] = reinterpret_cast<const Octo(*)[3]>(_m.decim);
        Octo a[3] = {_mm512_cvtps_pd(_mm512_castps512_ps256(low)),
                     _mm512_cvtps_pd(_mm512_extractf32x8_ps(low, 1)),
                     _mm512_cvtps_pd(_mm512_castps512_ps256(high))};
        Octo b[3];
        Octo state[kPoles];
        for (int j = 0; j < kPoles; ++j) state[j] = PairOf(rows[(1 + j) / 4], (1 + j) % 4);
        for (int q = 0; q < 3; ++q) b[q] = cols[1][q] * state[1];
        for (int j = 0; j < kPoles; ++j) {
            if (j == 1) continue;
            for (int q = 0; q < 3; ++q) AddProduct(j % 2 == 0 ? a[q] : b[q], cols[j][q], state[j]);
        }
        for (int q = 0; q < 3; ++q) {
            rows[q] = a[q] + b[q];
            Flush(rows[q]);
        }
    }
    // Single-precision pair p (0 .. 7) of v in all eight pairs of lanes: one permutation.
    [[gnu::always_inline]] static inline Floats FloatPairOf(const Floats& v, int p) noexcept {
        const int low = 2 * p, high = 2 * p + 1;
        return _mm512_permutexvar_ps(_mm512_set_epi32(high, low, high, low, high, low, high, low,
                                                      high, low, high, low, high, low, high, low),
                                     v);
    }

    OversamplerStage& _stage;
    const OversamplerMatrices& _m;
};

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD

#pragma GCC diagnostic pop
