#pragma once

#include "plugin/eq/LaneTypes.h"

namespace tesselor::plugin::eq {

// Four-phase interpolator and matching decimator around a line of 31 output-rate values, for
// both channels (lane 0 left, lane 1 right). One tap table serves both: a symmetric 31-tap
// quarter-band low-pass whose every fourth tap but the centre is zero. The engine pushes each
// low-band sample twice (8 values per input sample at 8 fs), lets the upper bands rewrite the
// new values in place and reads one decimated value per input sample. A record of the line and
// the input history; the loop's steps are in simd/ResamplerSteps.h.
struct Poly4Resampler {
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
    // Room for 32 samples' values behind the line before it is moved back to the front.
    static constexpr int kCapacity = kTapCount + 8 * 32;

    Poly4Resampler() { Clear(); }

    void Clear() noexcept;
    void ClearLane(int lane) noexcept;
    Stereo NonFiniteProbe() const noexcept;

    // One value in, four output-rate values out, written to Line(27) .. Line(30). The plain
    // form, for tests; the loop pushes twice at a time (simd/ResamplerSteps.h).
    void Push(Stereo v) noexcept;
    // Line(0) is the oldest of the 31 values, Line(30) the newest; writable in place.
    Stereo& Line(int k) { return buffer[1 + start + k]; }
    const Stereo& Line(int k) const { return buffer[1 + start + k]; }
    // Moves the line `count` values back to the front of the buffer when there is no room for
    // `count` more behind it (the newest kTapCount - count values stay). `count` is even.
    void Compact(int count) noexcept;

    Stereo u[kHistory];  // input history u_m, newest first; each a pushed value times 4
    // `start` only moves by 4 or 8 and returns to 0, so it stays even; with the line starting one
    // value into the buffer, Line(k) for odd k is 32-byte aligned, as the loop's pair loads want.
    int start = 0;  // the line is Line(0) .. Line(30) = buffer[1 + start ..]
    alignas(32) Stereo buffer[1 + kCapacity];
};

}  // namespace tesselor::plugin::eq
