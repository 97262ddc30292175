#pragma once

#include "plugin/eq/BandSection.h"
#include "plugin/eq/simd/StereoLanes.h"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

[[gnu::always_inline]] inline void ShiftHistory3(BandSection& s, Stereo x, Stereo y) noexcept {
    s.x3 = s.x2;
    s.x2 = s.x1;
    s.x1 = x;
    s.y3 = s.y2;
    s.y2 = s.y1;
    s.y1 = y;
}

// (b0 x + b1 x1 + b2 x2 + b3 x3 - a1 y1 - a2 y2 - a3 y3) / a0, left to right.
[[gnu::always_inline]] inline Stereo StepExact3(BandSection& s, Stereo x) noexcept {
    const Stereo y = ((((((s.b0 * x + s.b1 * s.x1) + s.b2 * s.x2) + s.b3 * s.x3) + s.na1 * s.y1) +
                       s.na2 * s.y2) +
                      s.na3 * s.y3) /
                     s.a0;
    ShiftHistory3(s, x, y);
    return y;
}

[[gnu::always_inline]] inline Stereo StepExact2(BandSection& s, Stereo x) noexcept {
    const Stereo y =
        ((((s.b0 * x + s.b1 * s.x1) + s.b2 * s.x2) + s.na1 * s.y1) + s.na2 * s.y2) / s.a0;
    s.x2 = s.x1;
    s.x1 = x;
    s.y2 = s.y1;
    s.y1 = y;
    return y;
}

// Normalised third order whose analog numerator has no s^3 term (the bands): the bilinear map
// then puts a zero at z = -1, b(z) = (1 + z^-1)(c0 + c1 z^-1 + c2 z^-2), so the input pairs
// x + x1 need three multiplies instead of four. Uses b0 = c0, b1 = c1, b2 = c2 (see
// BandSection::SetLaneFactored). Each pair is formed once: x2 and x3 hold the last two pairs,
// x1 + x2 and x2 + x3, instead of the inputs themselves. The newest feedback product is added
// last so the recursion waits on one multiply-add.
[[gnu::always_inline]] inline Stereo StepFactored3(BandSection& s, Stereo x) noexcept {
    const Stereo p0 = x + s.x1;
    const Stereo older = MulAdd(s.b2, s.x3, MulAdd(s.na3, s.y3, MulAdd(s.na2, s.y2, s.b1 * s.x2)));
    const Stereo y = MulAdd(s.na1, s.y1, MulAdd(s.b0, p0, older));
    s.x3 = s.x2;
    s.x2 = p0;
    s.x1 = x;
    s.y3 = s.y2;
    s.y2 = s.y1;
    s.y1 = y;
    return y;
}

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD
