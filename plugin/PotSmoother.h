#pragma once

namespace tesselor::plugin {

// One-pole smoother of a pot position or gain: z <- b * target + p * z, with p = exp(-2 pi fc / fs)
// and b = 1 - p. A fresh smoother has b = 1, p = 0 and z = 0, so its first step lands on the
// target and, once the poles are set, every smoothed value glides up from 0. The engine steps it
// a fixed number of times per block (not per sample), so the glide time in samples grows with
// the block size.
class PotSmoother {
public:
    // Sets the pole for a corner of `cornerHz` at `rateHz`.
    void SetCorner(double cornerHz, double rateHz);
    [[gnu::always_inline]] double Step(double target) noexcept {
        _z = _b * target + _p * _z;
        return _z;
    }
    double Value() const { return _z; }

private:
    double _b = 1.0;  // 1 - p
    double _p = 0.0;  // pole
    double _z = 0.0;  // state: the last smoothed value
};

}  // namespace tesselor::plugin
