#pragma once

#include "plugin/eq/LaneTypes.h"

namespace tesselor::plugin::eq {

// The side path of both channels (lane 0 left, lane 1 right): the input, scaled by 10^1.25, is
// zero-stuffed to F times the rate, interpolated by a ten-pole all-pole low-pass, bent by the
// transfer curve and decimated by the same low-pass. The first decimated value of every input
// sample is the side value, which the engine adds to the dry signal at -90 dB.
//
// A record of coefficients and filter states; simd/SidePath.h runs it.
struct OversamplerStage {
    static constexpr int kPoles = 10;
    static constexpr double kDrive = 17.78279410038923;  // 10^1.25

    // [audio thread, block start] Designs the all-pole filter for normalised cutoff `x` (cycles
    // per oversampled sample; 0.2 / F): five Butterworth-like pole pairs, DC gain exactly 1.
    void Design(double x) noexcept;
    // Zeroes both filters' states of both channels; the side values and coefficients stay.
    void ClearFilters() noexcept;
    // Zeroes one channel's filter states and side value.
    void ClearLane(int lane) noexcept;
    Stereo NonFiniteProbe() const noexcept;

    // How interp and decim hold each filter's state: its last ten outputs, newest first (the
    // step form, simd/SidePath.h), or their backward differences at the newest, d_0 (the newest
    // output), d_1 (the newest minus the one before), .. d_9 (the matrix form,
    // simd/SideMatrixPath.h; see OversamplerMatrices). Each form converts the state when it takes
    // over, so a block's form costs nothing while it stays the same.
    enum class StateForm { kOutputs, kDifferences };
    void ConvertState(StateForm to) noexcept;
    // The one form of a state from the other: d_i is the sum over m <= i of (-1)^m C(i, m)
    // times output m, and output m the same sum of the d_i (the map is its own inverse). For the
    // state itself and, in extended precision, for the matrices' design.
    template <typename T>
    static void ConvertForm(const T (&from)[kPoles], T (&to)[kPoles]) noexcept {
        for (int i = 0; i < kPoles; ++i) {
            T sum{};
            double c = 1.0;  // C(i, m)
            for (int m = 0; m <= i; ++m) {
                sum += (m % 2 == 0 ? c : -c) * from[m];
                c = c * (i - m) / (m + 1);
            }
            to[i] = sum;
        }
    }

    Stereo SideValue() const { return side; }
    double Gain() const { return g0; }
    double Feedback(int k) const { return -feedback[k - 1][0]; }  // a_k, k = 1..10

    // The scratch (in Stereo values, 32-byte aligned) a run of `count` samples at factor F
    // needs: kCurveSlots samples' interpolated values on their way through the curve, and a line
    // of four-lane filter outputs that starts over every kStretch samples.
    static constexpr int kCurveSlots = 8;
    static constexpr int kStretch = 16;
    static constexpr int WorkSize(int factor, int count) {
        const int stretch = count < kStretch ? count : kStretch;
        return kCurveSlots * factor + 2 * (kPoles + factor * stretch);
    }

    double g0 = 1.0;
    // g0 and -a1 .. -a10, each four times over as the lanes multiply them.
    alignas(32) double gain[4] = {1.0, 1.0, 1.0, 1.0};
    alignas(32) double feedback[kPoles][4] = {};
    // Each filter's last ten outputs, newest first.
    Stereo interp[kPoles] = {};
    Stereo decim[kPoles] = {};
    Stereo side{};  // the side value of the last sample
    StateForm form = StateForm::kOutputs;
};

}  // namespace tesselor::plugin::eq
