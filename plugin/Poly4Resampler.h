#pragma once

#include "plugin/StereoLanes.h"

namespace tesselor::plugin {

// The resampler's taps as its four-lane decimation multiplies a pair of line values:
// {h[k], h[k], h[k + 1], h[k + 1]} for k = 1, 3, .., 29.
struct ResamplerPairTaps {
    static constexpr int kPairCount = 15;
    Quad pairs[kPairCount];
};

// Four-phase interpolator and matching decimator around a line of 31 output-rate values, for
// both channels (lane 0 left, lane 1 right). One tap table serves both: a symmetric 31-tap
// quarter-band low-pass whose every fourth tap but the centre is zero. The engine pushes each
// low-band sample twice (8 values per input sample at 8 fs), lets the upper bands rewrite the
// new values in place and reads one decimated value per input sample.
class Poly4Resampler {
public:
    static constexpr int kTapCount = 31;
    // h[k]; h[k] = h[30 - k], sum 1.
    static constexpr double kTaps[kTapCount] = {
        -0.00248078931015061,  -0.004570244176216314, -0.004355356208146785, 0.0,
        0.00795714816545856,   0.014777623526947411,  0.013578369569319975,  0.0,
        -0.022456715627743595, -0.040914779384992654, -0.03769151644963085,  0.0,
        0.0706496448477984,    0.15538007457109065,   0.2245335588462797,    0.2511859632599724,
        0.2245335588462797,    0.15538007457109065,   0.0706496448477984,    0.0,
        -0.03769151644963085,  -0.040914779384992654, -0.022456715627743595, 0.0,
        0.013578369569319975,  0.014777623526947411,  0.00795714816545856,   0.0,
        -0.004355356208146785, -0.004570244176216314, -0.00248078931015061,
    };
    static constexpr int kHistory = 8;

    static constexpr int kPairCount = ResamplerPairTaps::kPairCount;  // Line(1) .. Line(30)

    Poly4Resampler() { Clear(); }

    void Clear() noexcept;
    void ClearLane(int lane) noexcept;
    Stereo NonFiniteProbe() const noexcept;

    // One value in, four output-rate values out, written to Line(27) .. Line(30).
    void Push(Stereo v) noexcept;
    // Line(0) is the oldest of the 31 values, Line(30) the newest; writable in place.
    Stereo& Line(int k) { return _buffer[1 + _start + k]; }
    const Stereo& Line(int k) const { return _buffer[1 + _start + k]; }

    // Sum of h[k] Line(k). Does not change state. Line(1) .. Line(30) are read as 15 pairs in
    // four lanes, the same pairs Append writes, so each load finds one whole earlier store (a
    // load spanning two recent stores would wait for both to leave the store queue). Half the
    // operations of the two-lane form that added mirrored pairs first; zero taps cost a lane.
    [[gnu::always_inline]] inline Stereo Decimate() const noexcept {
        const Quad* pairs = reinterpret_cast<const Quad*>(&Line(1));
        const Quad(&taps)[kPairCount] = kPairTaps.pairs;
        // Three running sums, so that the additions need not wait on each other.
        Quad a = taps[0] * pairs[0], b = taps[1] * pairs[1], c = taps[2] * pairs[2];
        for (int p = 3; p < kPairCount; p += 3) {
            AddProduct(a, taps[p], pairs[p]);
            AddProduct(b, taps[p + 1], pairs[p + 1]);
            AddProduct(c, taps[p + 2], pairs[p + 2]);
        }
        const Quad sum = (a + b) + c;
        return (Stereo{sum[0], sum[1]} + Stereo{sum[2], sum[3]}) + Splat(kTaps[0]) * Line(0);
    }

    // [audio thread] Push(v) twice in one go, without touching the line: writes the eight new
    // output-rate values, in time order, to `fresh` for the caller to process, after which
    // Append puts them into the line (Line(23) .. Line(30)).
    //
    // The taps of phases 0 and 2 are each other's mirror image and phase 1 is its own, so the
    // products pair up: phase 0 +- phase 2 = sum of h[4m] (u_m +- u_(7-m)).
    [[gnu::always_inline]] inline void Interpolate(Stereo v, Stereo* fresh) noexcept {
        const Stereo u4 = v * Splat(4.0);
        const Stereo* u = _u;
        // First push: history u4, u0 .. u6. Second push: u4, u4, u0 .. u5.
        const Stereo first[8] = {u4, u[0], u[1], u[2], u[3], u[4], u[5], u[6]};
        const Stereo second[8] = {u4, u4, u[0], u[1], u[2], u[3], u[4], u[5]};
        PhasesOf(first, fresh);
        PhasesOf(second, fresh + 4);
        for (int m = kHistory - 1; m >= 2; --m) _u[m] = _u[m - 2];
        _u[1] = u4;
        _u[0] = u4;
    }
    // The eight values come as four pairs in time order, {v0, v1}, {v2, v3}, ..., and go into
    // the line as such (see Decimate).
    [[gnu::always_inline]] inline void Append(const Quad* pairs) noexcept {
        Quad* line = reinterpret_cast<Quad*>(MakeRoom(8));
        for (int p = 0; p < 4; ++p) line[p] = pairs[p];
    }

private:
    static constexpr ResamplerPairTaps MakePairTaps();
    static const ResamplerPairTaps kPairTaps;

    static constexpr int kCapacity = kTapCount + 8 * 32;

    // Moves the line forward by `count` values, compacting the buffer when it runs out, and
    // returns where the `count` new values go.
    [[gnu::always_inline]] inline Stereo* MakeRoom(int count) noexcept {
        if (_start + count + kTapCount > kCapacity)
            Compact(count);
        else
            _start += count;
        return &Line(kTapCount - count);
    }
    void Compact(int count) noexcept;

    // The four output-rate values of one push with input history h (newest first).
    [[gnu::always_inline]] static inline void PhasesOf(const Stereo* h, Stereo* out) noexcept {
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

    Stereo _u[kHistory];  // input history u_m, newest first; each a pushed value times 4
    // _start only moves by 4 or 8 and returns to 0, so it stays even; with the line starting one
    // value into the buffer, Line(k) for odd k is 32-byte aligned, as the pair loads want.
    int _start = 0;  // the line is Line(0) .. Line(30) = _buffer[1 + _start ..]
    alignas(32) Stereo _buffer[1 + kCapacity];
};

constexpr ResamplerPairTaps Poly4Resampler::MakePairTaps() {
    ResamplerPairTaps t{};
    for (int p = 0; p < kPairCount; ++p) {
        const double first = kTaps[2 * p + 1], second = kTaps[2 * p + 2];
        t.pairs[p] = Quad{first, first, second, second};
    }
    return t;
}
inline constexpr ResamplerPairTaps Poly4Resampler::kPairTaps = MakePairTaps();

}  // namespace tesselor::plugin
