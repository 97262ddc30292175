#pragma once

#if defined(__AVX512F__)

#include <cstdint>

#include "plugin/eq/BandSection.h"
#include "plugin/eq/simd/LaneSections.h"
#include "plugin/eq/simd/SectionSteps.h"
#include "plugin/eq/simd/StereoLanes.h"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

// The three upper bands of both channels side by side in one AVX-512 register, run as a
// pipeline one input sample apart: lanes 0-1 are the high band (left, right), 2-3 the low-mid
// band, 4-5 the high-mid band, 6-7 idle. While the high band filters the eight values of sample
// n, the low-mid band filters the high band's eight of sample n - 1 and the high-mid band the
// low-mid band's of n - 2, so one multiply-add does the work of three sections and none waits on
// another. Each section still sees the same values in the same order and computes them exactly
// as in UpperBandSeries (StepFactored3), only two turns later.
//
// A block fills the pipeline, runs it and drains it again (Turn), so between blocks the three
// sections are at rest in step and live in their BandSection records as usual.
class UpperBandLanes {
public:
    static constexpr int kValues = 8;  // values per section and input sample, at 8 fs
    static constexpr int kLag = 2;     // turns between a sample's values going in and coming out

    [[gnu::always_inline]] inline void Load(const BandSection& high, const BandSection& lowMid,
                                            const BandSection& highMid) noexcept {
        _sections.Load([&](Stereo BandSection::*field) {
            const Quad front = __builtin_shufflevector(high.*field, lowMid.*field, 0, 1, 2, 3);
            const Quad back = __builtin_shufflevector(highMid.*field, Stereo{}, 0, 1, 2, 3);
            return __builtin_shufflevector(front, back, 0, 1, 2, 3, 4, 5, 6, 7);
        });
    }

    // Puts the histories back; the coefficients in the records are left as they are.
    [[gnu::always_inline]] inline void Store(BandSection& high, BandSection& lowMid,
                                             BandSection& highMid) const noexcept {
        _sections.Store([&](Stereo BandSection::*field, const Octo& lanes) {
            high.*field = __builtin_shufflevector(lanes, lanes, 0, 1);
            lowMid.*field = __builtin_shufflevector(lanes, lanes, 2, 3);
            highMid.*field = __builtin_shufflevector(lanes, lanes, 4, 5);
        });
    }

    // Turn t = 0, 1, .., frames + 1 of a block of `frames` samples: `fresh` holds the eight new
    // values of sample t for the high band (ignored from t = frames on). From t = 2 on, writes
    // the high-mid band's eight outputs of sample t - 2 to `done` as four pairs in time order,
    // {v0, v1}, {v2, v3}, ... In the first two and the last two turns only the stages that have
    // a sample to work on keep their results.
    [[gnu::always_inline]] inline void Turn(int t, int frames, const Stereo* fresh,
                                            Quad* done) noexcept {
        if (t >= 2 && t < frames) {
            Advance(fresh, done);
            return;
        }
        const LaneSections<Octo>::History kept = _sections.h;
        Advance(fresh, done);
        const std::int64_t high = t < frames ? -1 : 0;
        const std::int64_t lowMid = t >= 1 && t <= frames ? -1 : 0;
        const std::int64_t highMid = t >= 2 ? -1 : 0;
        _sections.KeepOnly(OctoBits{high, high, lowMid, lowMid, highMid, highMid, 0, 0}, kept);
    }

private:
    // Every stage one step on. The new value enters the high band's lanes; every other stage
    // takes the output the stage before it made of the same step one turn ago.
    [[gnu::always_inline]] inline void Advance(const Stereo* fresh, Quad* done) noexcept {
#pragma GCC unroll 8
        for (int j = 0; j < kValues; ++j) {
            const Octo in = __builtin_shufflevector(_mm512_castpd128_pd512(fresh[j]), _carry[j], 0,
                                                    1, 8, 9, 10, 11, 12, 13);
            _carry[j] = _sections.Step(in);
        }
#pragma GCC unroll 4
        for (int p = 0; p < kValues / 2; ++p)
            done[p] = __builtin_shufflevector(_carry[2 * p], _carry[2 * p + 1], 4, 5, 12, 13);
    }

    LaneSections<Octo> _sections;
    Octo _carry[kValues] = {};  // each step's output of the last turn
};

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD

#endif  // __AVX512F__
