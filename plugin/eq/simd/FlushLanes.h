#pragma once

#include <cstdint>
#include <type_traits>

#include "plugin/eq/simd/StereoLanes.h"

namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD {

// All ones in the lanes of y (two, four or eight) that the side path's flush keeps: a biased
// exponent below 969 (magnitude below 2^-54) or of 2047 (infinity, NaN) makes the value 0. One
// integer compare on the bits does it: adding 1 to the exponent field carries exponent 2047 into
// the sign bit, so the kept values are exactly those that reach at least 970 and stay positive.
// (Wide values travel by reference: see AddProduct.)
template <typename V, typename Bits>
[[gnu::always_inline]] inline void Kept(const V& y, Bits& keep) noexcept {
    // Unsigned, so that the carry into the sign bit is plain wrap-around.
    using Unsigned = std::conditional_t<
        sizeof(V) == sizeof(Octo), OctoUnsigned,
        std::conditional_t<sizeof(V) == sizeof(Quad), QuadUnsigned, StereoUnsigned>>;
    constexpr std::int64_t kExponentOne = std::int64_t{1} << 52;
    const Unsigned magnitude = reinterpret_cast<Unsigned>(y) & (~std::uint64_t{0} >> 1);
    const Bits shifted = reinterpret_cast<Bits>(magnitude + std::uint64_t{kExponentOne});
    keep = shifted > 970 * kExponentOne - 1;
}

}  // namespace tesselor::plugin::eq::simd::TESSELOR_SIMD_BUILD
