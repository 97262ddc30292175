#pragma once

#include "plugin/StereoLanes.h"
#include "plugin/TransferCurve.h"

namespace tesselor::plugin {

// The side path of both channels (lane 0 left, lane 1 right): the input, scaled by 10^1.25, is
// zero-stuffed to F times the rate, interpolated by a ten-pole all-pole low-pass, bent by the
// transfer curve and decimated by the same low-pass. The first decimated value of every input
// sample is the side value, which the engine adds to the dry signal at -90 dB.
class OversamplerStage {
public:
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

    Stereo SideValue() const { return _side; }
    double Gain() const { return _g0; }
    double Feedback(int k) const { return -_na[k - 1]; }  // a_k, k = 1..10

    // [audio thread] One input sample per channel at oversampling factor F: 2 F filter runs and
    // F curve lookups per channel. Updates the side value. Inlined into the engine's loop, where
    // the two histories stay in registers.
    template <int F>
    [[gnu::always_inline]] inline void RunSample(Stereo x, const TransferCurve& curve) noexcept {
        const Stereo s = x * Splat(kDrive);
        const Stereo g0 = Splat(_g0);
        int pos = _pos;
        // The three newest outputs of each filter travel in registers and enter the sum last,
        // so the recursion waits on one multiply-add and the flush, never on a store.
        Stereo i1 = _interp[pos], i2 = _interp[pos + 1], i3 = _interp[pos + 2];
        Stereo d1 = _decim[pos], d2 = _decim[pos + 1], d3 = _decim[pos + 2];
#pragma GCC unroll 16
        for (int k = 0; k < F; ++k) {
            // u = s on the first sub-step and 0 (zero stuffing) on the others.
            Stereo acc = Oldest(&_interp[pos]);
            if (k == 0) acc = MulAdd(g0, s, acc);
            acc = MulAdd(Splat(_na[1]), i2, MulAdd(Splat(_na[2]), i3, acc));
            const Stereo y = Flush(MulAdd(Splat(_na[0]), i1, acc));
            const Stereo w = curve.EvaluateStereo(y * Splat(static_cast<double>(F)));
            // The curve is slow to arrive, so its term goes last here.
            const Stereo accD =
                MulAdd(Splat(_na[0]), d1,
                       MulAdd(Splat(_na[1]), d2, MulAdd(Splat(_na[2]), d3, Oldest(&_decim[pos]))));
            const Stereo d = Flush(MulAdd(g0, w, accD));
            pos = pos == 0 ? kPoles - 1 : pos - 1;
            _interp[pos] = _interp[pos + kPoles] = y;
            _decim[pos] = _decim[pos + kPoles] = d;
            i3 = i2;
            i2 = i1;
            i1 = y;
            d3 = d2;
            d2 = d1;
            d1 = d;
            if (k == 0) _side = d;
        }
        _pos = pos;
    }

private:
    // Feedback of the seven oldest outputs, -a4 y4 - ... - a10 y10, as a shallow sum tree.
    [[gnu::always_inline]] inline Stereo Oldest(const Stereo* h) const noexcept {
        const Stereo s0 = MulAdd(Splat(_na[4]), h[4], Splat(_na[3]) * h[3]);
        const Stereo s1 = MulAdd(Splat(_na[6]), h[6], Splat(_na[5]) * h[5]);
        const Stereo s2 =
            MulAdd(Splat(_na[9]), h[9], MulAdd(Splat(_na[8]), h[8], Splat(_na[7]) * h[7]));
        return (s0 + s1) + s2;
    }
    // Values below 2^-54 in magnitude, infinities and NaN are stored and returned as 0.
    [[gnu::always_inline]] static inline Stereo Flush(Stereo y) noexcept {
        const Stereo m = Abs(y);
        return Keep(y, (m >= Splat(0x1p-54)) & (m <= Splat(0x1.fffffffffffffp+1023)));
    }

    double _g0 = 1.0;
    double _na[kPoles] = {};  // -a1 .. -a10
    // Each filter's last ten outputs twice over, so that the newest-first run starting at _pos
    // is contiguous: entries _pos .. _pos + 9 hold y1 .. y10.
    Stereo _interp[2 * kPoles] = {};
    Stereo _decim[2 * kPoles] = {};
    int _pos = 0;
    Stereo _side{};
};

}  // namespace tesselor::plugin
