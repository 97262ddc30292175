#pragma once

#include "plugin/eq/BandSection.h"
#include "plugin/eq/simd/SectionSteps.h"
#include "plugin/eq/simd/StereoLanes.h"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

// The three upper bands one after another: the high band over the eight new values of a sample,
// then the low-mid band over its outputs, then the high-mid band, both channels in one pair of
// lanes. The form for the x86-64 baseline build; UpperBandPairs and UpperBandLanes have the same
// interface and run two or three of the bands side by side.
class UpperBandSeries {
public:
    static constexpr int kValues = 8;  // values per section and input sample, at 8 fs
    static constexpr int kLag = 0;     // turns between a sample's values going in and coming out

    [[gnu::always_inline]] inline void Load(const BandSection& high, const BandSection& lowMid,
                                            const BandSection& highMid) noexcept {
        _high = high;
        _lowMid = lowMid;
        _highMid = highMid;
    }
    [[gnu::always_inline]] inline void Store(BandSection& high, BandSection& lowMid,
                                             BandSection& highMid) const noexcept {
        high = _high;
        lowMid = _lowMid;
        highMid = _highMid;
    }

    // Turn t of a block (t = 0 .. frames - 1): the eight values of sample t through all three
    // bands, written to `done` as four pairs in time order, {v0, v1}, {v2, v3}, ...
    [[gnu::always_inline]] inline void Turn(int, int, const Stereo* fresh, Quad* done) noexcept {
        Stereo v[kValues];
#pragma GCC unroll 8
        for (int j = 0; j < kValues; ++j) v[j] = StepFactored3(_high, fresh[j]);
#pragma GCC unroll 8
        for (int j = 0; j < kValues; ++j) v[j] = StepFactored3(_lowMid, v[j]);
#pragma GCC unroll 8
        for (int j = 0; j < kValues; ++j) v[j] = StepFactored3(_highMid, v[j]);
#pragma GCC unroll 4
        for (int p = 0; p < kValues / 2; ++p)
            done[p] = __builtin_shufflevector(v[2 * p], v[2 * p + 1], 0, 1, 2, 3);
    }

private:
    BandSection _high, _lowMid, _highMid;
};

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD
