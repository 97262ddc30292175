#pragma once

#include "plugin/StereoLanes.h"

namespace tesselor::plugin {

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

    Poly4Resampler() { Clear(); }

    void Clear() noexcept;
    void ClearLane(int lane) noexcept;
    Stereo NonFiniteProbe() const noexcept;

    // One value in, four output-rate values out, written to Line(27) .. Line(30).
    void Push(Stereo v) noexcept;
    // Line(0) is the oldest of the 31 values, Line(30) the newest; writable in place.
    Stereo& Line(int k) { return _buffer[_start + k]; }
    const Stereo& Line(int k) const { return _buffer[_start + k]; }
    // Input history u_m, newest first; each entry is a pushed value times 4.
    Stereo History(int m) const { return _u[m]; }

    // Sum of h[k] Line(k), the zero taps skipped and the symmetric pairs added first. Does not
    // change state.
    [[gnu::always_inline]] inline Stereo Decimate() const noexcept {
        const Stereo* l = &_buffer[_start];
        auto pair = [l](int k) { return Splat(kTaps[k]) * (l[k] + l[30 - k]); };
        const Stereo s0 = (pair(0) + pair(1)) + (pair(2) + pair(4));
        const Stereo s1 = (pair(5) + pair(6)) + (pair(8) + pair(9));
        const Stereo s2 = (pair(10) + pair(12)) + (pair(13) + pair(14));
        return (s0 + s1) + (s2 + Splat(kTaps[15]) * l[15]);
    }

    // [audio thread] Push(v) twice in one go, without touching the line: writes the eight new
    // output-rate values, in time order, to `fresh` for the caller to process, after which
    // Append(fresh) puts them into the line (Line(23) .. Line(30)).
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
    [[gnu::always_inline]] inline void Append(const Stereo* fresh) noexcept {
        Stereo* line = MakeRoom(8);
        for (int j = 0; j < 8; ++j) line[j] = fresh[j];
    }

private:
    static constexpr int kCapacity = kTapCount + 8 * 32;

    // Moves the line forward by `count` values, compacting the buffer when it runs out, and
    // returns where the `count` new values go.
    [[gnu::always_inline]] inline Stereo* MakeRoom(int count) noexcept {
        if (_start + count + kTapCount > kCapacity)
            Compact(count);
        else
            _start += count;
        return &_buffer[_start + kTapCount - count];
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

    Stereo _u[kHistory];
    int _start = 0;  // the line is _buffer[_start .. _start + 30]
    Stereo _buffer[kCapacity];
};

}  // namespace tesselor::plugin
