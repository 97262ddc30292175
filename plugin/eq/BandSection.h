#pragma once

#include "plugin/eq/LaneTypes.h"
#include "plugin/eq/SectionTables.h"

namespace tesselor::plugin::eq {

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
// Two ways to run it (simd/SectionSteps.h). The sections at the host rate (one sample per channel
// and sample) keep the designed coefficients and divide by a0, summing in the written order, so
// that they round exactly like the formula: their output is rounded to single precision next, and
// a difference in the last bit could flip that rounding. The upper-band sections (24 per channel
// and sample) store the coefficients divided by a0 with the numerator's zero at z = -1 factored
// out, and use multiply-adds only.
struct BandSection {
    Stereo b0{}, b1{}, b2{}, b3{};  // b_k; when factored, c0 c1 c2 / a0 and b3 unused
    Stereo na1{}, na2{}, na3{};     // -a_k, divided by a0 when factored
    Stereo a0{};                    // the divisor; 1 when factored
    Stereo x1{}, x2{}, x3{};  // input history, newest first (when factored: x1, x1 + x2, x2 + x3)
    Stereo y1{}, y2{}, y3{};  // output history, newest first

    // [audio thread] Installs one channel's design as it is (for the exact steps)...
    void SetLane(int lane, const SectionDesign& design) noexcept;
    // ...or divided by a0 with the numerator's (1 + z^-1) factored out (for the factored step);
    // only for third-order designs whose analog numerator has no s^3 term.
    void SetLaneFactored(int lane, const SectionDesign& design) noexcept;
    // Clears one channel's history (coefficients stay).
    void ClearLane(int lane) noexcept;
    // Lanes hold 0 where the history is finite and NaN where it is not.
    Stereo NonFiniteProbe() const noexcept;
};

}  // namespace tesselor::plugin::eq
