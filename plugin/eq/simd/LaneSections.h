#pragma once

#include "plugin/eq/BandSection.h"
#include "plugin/eq/simd/StereoLanes.h"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

// Several factored third-order sections side by side, a pair of lanes (left, right) each, in one
// vector V of four or eight lanes: the arithmetic the side-by-side forms of the upper bands
// share (UpperBandPairs, UpperBandLanes). Each pair of lanes computes exactly what
// StepFactored3 computes.
template <typename V>
struct LaneSections {
    using Bits = decltype(V{} < V{});

    struct History {
        V x1, x2, x3;  // x1, then the pair sums x1 + x2 and x2 + x3, as in BandSection
        V y1, y2, y3;
    };

    V b0{}, b1{}, b2{}, na1{}, na2{}, na3{};
    History h{};

    // Fills every field from join(&BandSection::field), which gathers the sections' pairs.
    template <typename Join>
    [[gnu::always_inline]] inline void Load(Join&& join) noexcept {
        b0 = join(&BandSection::b0);
        b1 = join(&BandSection::b1);
        b2 = join(&BandSection::b2);
        na1 = join(&BandSection::na1);
        na2 = join(&BandSection::na2);
        na3 = join(&BandSection::na3);
        h = {join(&BandSection::x1), join(&BandSection::x2), join(&BandSection::x3),
             join(&BandSection::y1), join(&BandSection::y2), join(&BandSection::y3)};
    }
    // Hands every history field to split(&BandSection::field, lanes).
    template <typename Split>
    [[gnu::always_inline]] inline void Store(Split&& split) const noexcept {
        split(&BandSection::x1, h.x1);
        split(&BandSection::x2, h.x2);
        split(&BandSection::x3, h.x3);
        split(&BandSection::y1, h.y1);
        split(&BandSection::y2, h.y2);
        split(&BandSection::y3, h.y3);
    }

    // StepFactored3 in every lane, operation for operation.
    [[gnu::always_inline]] inline V Step(const V& x) noexcept {
        const V p0 = x + h.x1;
        V y = b1 * h.x2;
        AddProduct(y, na2, h.y2);
        AddProduct(y, na3, h.y3);
        AddProduct(y, b2, h.x3);
        AddProduct(y, b0, p0);
        AddProduct(y, na1, h.y1);
        h.x3 = h.x2;
        h.x2 = p0;
        h.x1 = x;
        h.y3 = h.y2;
        h.y2 = h.y1;
        h.y1 = y;
        return y;
    }

    // Lanes where `active` is all ones keep their new history; the others return to `before`.
    [[gnu::always_inline]] inline void KeepOnly(const Bits& active,
                                                const History& before) noexcept {
        auto keep = [&active](V& now, const V& old) {
            now = reinterpret_cast<V>((reinterpret_cast<const Bits&>(now) & active) |
                                      (reinterpret_cast<const Bits&>(old) & ~active));
        };
        keep(h.x1, before.x1);
        keep(h.x2, before.x2);
        keep(h.x3, before.x3);
        keep(h.y1, before.y1);
        keep(h.y2, before.y2);
        keep(h.y3, before.y3);
    }
};

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD
