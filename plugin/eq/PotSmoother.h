#pragma once

namespace tesselor::plugin::eq {

// One-pole smoother of a pot position or gain: z <- b * target + p * z, with p = exp(-2 pi fc / fs)
// and b = 1 - p. A fresh smoother has b = 1, p = 0 and z = 0, so its first step lands on the
// target and, once the poles are set, every smoothed value glides up from 0. The engine steps it
// a fixed number of times per block (not per sample), so the glide time in samples grows with
// the block size. A plain record: the loop builds step the output smoother with their own code.
struct PotSmoother {
    double b = 1.0;  // 1 - p
    double p = 0.0;  // pole
    double z = 0.0;  // state: the last smoothed value

    // Sets the pole for a corner of `cornerHz` at `rateHz`.
    void SetCorner(double cornerHz, double rateHz);
    // One step toward `target`; returns the new value. Here, so that the block set-up's many
    // steps are not each a call.
    double Step(double target) noexcept {
        z = b * target + p * z;
        return z;
    }
    double Value() const { return z; }
};

}  // namespace tesselor::plugin::eq
