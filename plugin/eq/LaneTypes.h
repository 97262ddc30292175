#pragma once

#include <cstdint>

namespace tesselor::plugin::eq {

// Left and right channel in one 128-bit value: lane 0 is left, lane 1 right. Both channels do
// identical work at every step, so the engine keeps them together. These are types only: the
// arithmetic on them that the per-sample loop runs lives in simd/, built once per instruction
// set; the records here are touched outside the loop only by code built for the baseline.
using Stereo = double __attribute__((vector_size(16)));
using StereoBits = std::int64_t __attribute__((vector_size(16)));
using StereoUnsigned = std::uint64_t __attribute__((vector_size(16)));

// Four lanes, for stretches of values that do not depend on each other: one 256-bit register
// where the build has AVX, two 128-bit ones elsewhere.
using Quad = double __attribute__((vector_size(32)));
using QuadBits = std::int64_t __attribute__((vector_size(32)));
using QuadUnsigned = std::uint64_t __attribute__((vector_size(32)));
using QuadIndex = std::int32_t __attribute__((vector_size(16)));

// Eight lanes: the three upper bands of both channels side by side. One register only in the
// AVX-512 build, the only one that uses them.
using Octo = double __attribute__((vector_size(64)));
using OctoBits = std::int64_t __attribute__((vector_size(64)));
using OctoUnsigned = std::uint64_t __attribute__((vector_size(64)));

// Sixteen single-precision lanes: eight stereo pairs.
using Floats = float __attribute__((vector_size(64)));
using FloatsBits = std::int32_t __attribute__((vector_size(64)));

constexpr int kLeft = 0;
constexpr int kRight = 1;

constexpr std::int64_t kSignBit = INT64_MIN;

}  // namespace tesselor::plugin::eq
