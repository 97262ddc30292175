#pragma once

#include "plugin/SectionTables.h"
#include "plugin/StereoLanes.h"

namespace tesselor::plugin {

// Bilinear-discretised coefficients of one section for one channel, as designed: not
// normalised, a[0] is the divisor of the difference equation. Order 2 leaves b[3] = a[3] = 0.
struct SectionDesign {
    int order = 3;
    double b[4] = {};
    double a[4] = {};
};

// Designs section `kind` at `rateHz` (fs, or 8 fs for the upper bands) from the gain pot g
// (0..1; ignored by the high-pass and low-pass) and two successive smoother steps f2, f1 of the
// frequency pot position. s = r (1 - z^-1) / (1 + z^-1) with r the rate itself, no prewarping.
SectionDesign DesignSection(SectionKind kind, double rateHz, double g, double f2, double f1);

// One filter section for both channels (lane 0 left, lane 1 right), direct form I. The two
// lanes may hold different coefficients: the smoothers step between the left and right designs.
//
// Two ways to run it. The sections at the host rate (one sample per channel and sample) keep the
// designed coefficients and divide by a0, summing in the written order, so that they round exactly
// like the formula: their output is rounded to single precision next, and a difference in the
// last bit could flip that rounding. The upper-band sections (24 per channel and sample) store
// the coefficients divided by a0, factored, and use multiply-adds only.
struct BandSection {
    Stereo b0{}, b1{}, b2{}, b3{};  // b_k; when factored, c0 c1 c2 / a0 and b3 unused
    Stereo na1{}, na2{}, na3{};     // -a_k, divided by a0 when factored
    Stereo a0{};                    // the divisor; 1 when factored
    Stereo x1{}, x2{}, x3{};  // input history, newest first (when factored: x1, x1 + x2, x2 + x3)
    Stereo y1{}, y2{}, y3{};  // output history, newest first

    // [audio thread] Installs one channel's design as it is (for ProcessExact*)...
    void SetLane(int lane, const SectionDesign& design) noexcept;
    // ...or divided by a0 with the numerator's (1 + z^-1) factored out (for ProcessFactored3);
    // only for third-order designs whose analog numerator has no s^3 term.
    void SetLaneFactored(int lane, const SectionDesign& design) noexcept;
    // Clears one channel's history (coefficients stay).
    void ClearLane(int lane) noexcept;
    // Lanes hold 0 where the history is finite and NaN where it is not.
    Stereo NonFiniteProbe() const noexcept;

    // (b0 x + b1 x1 + b2 x2 + b3 x3 - a1 y1 - a2 y2 - a3 y3) / a0, left to right.
    [[gnu::always_inline]] inline Stereo ProcessExact3(Stereo x) noexcept {
        const Stereo y =
            ((((((b0 * x + b1 * x1) + b2 * x2) + b3 * x3) + na1 * y1) + na2 * y2) + na3 * y3) / a0;
        Shift3(x, y);
        return y;
    }
    [[gnu::always_inline]] inline Stereo ProcessExact2(Stereo x) noexcept {
        const Stereo y = ((((b0 * x + b1 * x1) + b2 * x2) + na1 * y1) + na2 * y2) / a0;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    // Normalised third order whose analog numerator has no s^3 term (the bands): the bilinear
    // map then puts a zero at z = -1, b(z) = (1 + z^-1)(c0 + c1 z^-1 + c2 z^-2), so the input
    // pairs x + x1 need three multiplies instead of four. Uses b0 = c0, b1 = c1, b2 = c2 (see
    // SetLaneFactored). Each pair is formed once: x2 and x3 hold the last two pairs, x1 + x2 and
    // x2 + x3, instead of the inputs themselves. The newest feedback product is added last so
    // the recursion waits on one multiply-add.
    [[gnu::always_inline]] inline Stereo ProcessFactored3(Stereo x) noexcept {
        const Stereo p0 = x + x1;
        const Stereo older = MulAdd(b2, x3, MulAdd(na3, y3, MulAdd(na2, y2, b1 * x2)));
        const Stereo y = MulAdd(na1, y1, MulAdd(b0, p0, older));
        x3 = x2;
        x2 = p0;
        x1 = x;
        y3 = y2;
        y2 = y1;
        y1 = y;
        return y;
    }

private:
    [[gnu::always_inline]] inline void Shift3(Stereo x, Stereo y) noexcept {
        x3 = x2;
        x2 = x1;
        x1 = x;
        y3 = y2;
        y2 = y1;
        y1 = y;
    }
};

}  // namespace tesselor::plugin
