#pragma once

#if defined(__AVX__)

#include <cstdint>

#include "plugin/eq/BandSection.h"
#include "plugin/eq/simd/LaneSections.h"
#include "plugin/eq/simd/SectionSteps.h"
#include "plugin/eq/simd/StereoLanes.h"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

// The upper bands for builds with AVX but without AVX-512: the high and low-mid bands of both
// channels side by side in one 256-bit register, one input sample apart (lanes 0-1 the high band
// on sample n, 2-3 the low-mid band on the high band's outputs of sample n - 1), and the high-mid
// band in series behind the low-mid band in a 128-bit register: two instructions for each
// operation of a step where the series form takes three. Each section computes exactly what
// StepFactored3 computes, on the same values in the same order, one turn later; see
// UpperBandLanes for the filling and draining at the ends of a block.
class UpperBandPairs {
public:
    static constexpr int kValues = 8;  // values per section and input sample, at 8 fs
    static constexpr int kLag = 1;     // turns between a sample's values going in and coming out

    [[gnu::always_inline]] inline void Load(const BandSection& high, const BandSection& lowMid,
                                            const BandSection& highMid) noexcept {
        _sections.Load([&](Stereo BandSection::*field) {
            return __builtin_shufflevector(high.*field, lowMid.*field, 0, 1, 2, 3);
        });
        _highMid = highMid;
    }

    // Puts the histories back; the coefficients in the records are left as they are.
    [[gnu::always_inline]] inline void Store(BandSection& high, BandSection& lowMid,
                                             BandSection& highMid) const noexcept {
        _sections.Store([&](Stereo BandSection::*field, const Quad& lanes) {
            high.*field = _mm256_castpd256_pd128(lanes);
            lowMid.*field = _mm256_extractf128_pd(lanes, 1);
        });
        highMid = _highMid;
    }

    // Turn t = 0, 1, .., frames of a block of `frames` samples: `fresh` holds the eight new
    // values of sample t for the high band (ignored at t = frames). From t = 1 on, writes the
    // high-mid band's eight outputs of sample t - 1 to `done` as four pairs in time order. In the
    // first and the last turn only the stage that has a sample to work on keeps its results.
    [[gnu::always_inline]] inline void Turn(int t, int frames, const Stereo* fresh,
                                            Quad* done) noexcept {
        if (t >= 1 && t < frames) {
            Advance(fresh);
            Finish(done);
            return;
        }
        const LaneSections<Quad>::History kept = _sections.h;
        Advance(fresh);
        const std::int64_t high = t < frames ? -1 : 0;
        const std::int64_t lowMid = t >= 1 ? -1 : 0;
        _sections.KeepOnly(QuadBits{high, high, lowMid, lowMid}, kept);
        if (t >= 1) Finish(done);
    }

private:
    // The high and low-mid bands one step on: the new value enters the high band's lanes, the
    // low-mid band takes the high band's output of the same step one turn ago.
    [[gnu::always_inline]] inline void Advance(const Stereo* fresh) noexcept {
#pragma GCC unroll 8
        for (int j = 0; j < kValues; ++j) {
            const Quad in =
                _mm256_permute2f128_pd(_mm256_castpd128_pd256(fresh[j]), _carry[j], 0x20);
            _carry[j] = _sections.Step(in);
        }
    }
    // The high-mid band over the low-mid band's outputs of this turn.
    [[gnu::always_inline]] inline void Finish(Quad* done) noexcept {
        Stereo v[kValues];
#pragma GCC unroll 8
        for (int j = 0; j < kValues; ++j)
            v[j] = StepFactored3(_highMid, _mm256_extractf128_pd(_carry[j], 1));
#pragma GCC unroll 4
        for (int p = 0; p < kValues / 2; ++p)
            done[p] = __builtin_shufflevector(v[2 * p], v[2 * p + 1], 0, 1, 2, 3);
    }

    LaneSections<Quad> _sections;
    Quad _carry[kValues] = {};  // each step's output of the last turn
    BandSection _highMid;
};

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD

#endif  // __AVX__
