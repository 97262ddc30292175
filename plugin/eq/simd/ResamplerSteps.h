#pragma once

#include "plugin/eq/Poly4Resampler.h"
#include "plugin/eq/simd/StereoLanes.h"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

// The resampler's taps as the four-lane decimation multiplies a pair of line values:
// {h[k], h[k], h[k + 1], h[k + 1]} for k = 1, 3, .., 29.
struct ResamplerPairTaps {
    static constexpr int kPairCount = 15;  // Line(1) .. Line(30)
    Quad pairs[kPairCount];

    static constexpr ResamplerPairTaps Make() {
        ResamplerPairTaps t{};
        for (int p = 0; p < kPairCount; ++p) {
            const double first = Poly4Resampler::kTaps[2 * p + 1];
            const double second = Poly4Resampler::kTaps[2 * p + 2];
            t.pairs[p] = Quad{first, first, second, second};
        }
        return t;
    }
};
inline constexpr ResamplerPairTaps kResamplerPairTaps = ResamplerPairTaps::Make();

// Line(k) of the resampler (the record's own accessor is for code outside the loop builds).
[[gnu::always_inline]] inline Stereo& LineAt(Poly4Resampler& r, int k) noexcept {
    return r.buffer[1 + r.start + k];
}

// The per-sample steps of a Poly4Resampler: both pushes of a sample at once, the band-processed
// values back into the line, and the decimation.
class ResamplerSteps {
public:
    explicit ResamplerSteps(Poly4Resampler& r) : _r(r) {}

    // Sum of h[k] Line(k). Does not change state. Line(1) .. Line(30) are read as 15 pairs in
    // four lanes, the same pairs Append writes, so each load finds one whole earlier store (a
    // load spanning two recent stores would wait for both to leave the store queue). Half the
    // operations of the two-lane form that added mirrored pairs first; zero taps cost a lane.
    [[gnu::always_inline]] inline Stereo Decimate() noexcept {
        constexpr int kPairCount = ResamplerPairTaps::kPairCount;
        const Quad* pairs = reinterpret_cast<const Quad*>(&LineAt(_r, 1));
        const Quad(&taps)[kPairCount] = kResamplerPairTaps.pairs;
        // Three running sums, so that the additions need not wait on each other.
        Quad a = taps[0] * pairs[0], b = taps[1] * pairs[1], c = taps[2] * pairs[2];
        for (int p = 3; p < kPairCount; p += 3) {
            AddProduct(a, taps[p], pairs[p]);
            AddProduct(b, taps[p + 1], pairs[p + 1]);
            AddProduct(c, taps[p + 2], pairs[p + 2]);
        }
        const Quad sum = (a + b) + c;
        return (Stereo{sum[0], sum[1]} + Stereo{sum[2], sum[3]}) +
               Splat(Poly4Resampler::kTaps[0]) * LineAt(_r, 0);
    }

    // [audio thread] Push(v) twice in one go, without touching the line: writes the eight new
    // output-rate values, in time order, to `fresh` for the caller to process, after which
    // Append puts them into the line (Line(23) .. Line(30)).
    //
    // The taps of phases 0 and 2 are each other's mirror image and phase 1 is its own, so the
    // products pair up: phase 0 +- phase 2 = sum of h[4m] (u_m +- u_(7-m)).
    [[gnu::always_inline]] inline void Interpolate(Stereo v, Stereo* fresh) noexcept {
        const Stereo u4 = v * Splat(4.0);
        const Stereo* u = _r.u;
        // First push: history u4, u0 .. u6. Second push: u4, u4, u0 .. u5.
        const Stereo first[8] = {u4, u[0], u[1], u[2], u[3], u[4], u[5], u[6]};
        const Stereo second[8] = {u4, u4, u[0], u[1], u[2], u[3], u[4], u[5]};
        PhasesOf(first, fresh);
        PhasesOf(second, fresh + 4);
        for (int m = Poly4Resampler::kHistory - 1; m >= 2; --m) _r.u[m] = _r.u[m - 2];
        _r.u[1] = u4;
        _r.u[0] = u4;
    }
    // The eight values come as four pairs in time order, {v0, v1}, {v2, v3}, ..., and go into
    // the line as such (see Decimate).
    [[gnu::always_inline]] inline void Append(const Quad* pairs) noexcept {
        constexpr int kCount = 8;
        if (_r.start + kCount + Poly4Resampler::kTapCount > Poly4Resampler::kCapacity)
            _r.Compact(kCount);
        else
            _r.start += kCount;
        Quad* line = reinterpret_cast<Quad*>(&LineAt(_r, Poly4Resampler::kTapCount - kCount));
        for (int p = 0; p < 4; ++p) line[p] = pairs[p];
    }

private:
    // The four output-rate values of one push with input history h (newest first).
    [[gnu::always_inline]] static inline void PhasesOf(const Stereo* h, Stereo* out) noexcept {
        constexpr const double* kTaps = Poly4Resampler::kTaps;
        // Halved sums and differences of mirrored phase-0 and phase-2 taps.
        auto even = [](int m) { return Splat(0.5 * (kTaps[4 * m] + kTaps[28 - 4 * m])); };
        auto odd = [](int m) { return Splat(0.5 * (kTaps[4 * m] - kTaps[28 - 4 * m])); };
        Stereo sum = even(0) * (h[0] + h[7]);
        Stereo diff = odd(0) * (h[0] - h[7]);
        Stereo mid = Splat(kTaps[1]) * (h[0] + h[7]);
        for (int m = 1; m < 4; ++m) {
            sum = MulAdd(even(m), h[m] + h[7 - m], sum);
            diff = MulAdd(odd(m), h[m] - h[7 - m], diff);
            mid = MulAdd(Splat(kTaps[4 * m + 1]), h[m] + h[7 - m], mid);
        }
        out[0] = sum + diff;
        out[1] = mid;
        out[2] = sum - diff;
        out[3] = Splat(kTaps[15]) * h[3];
    }

    Poly4Resampler& _r;
};

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD
