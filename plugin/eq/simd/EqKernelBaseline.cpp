// The loop for the x86-64 baseline (SSE2), which every processor runs.
#include "plugin/eq/simd/EqLoop.h"

namespace tesselor::plugin::eq::simd::baseline {

EqKernel LoopFor(int factor) noexcept { return LoopOf(factor); }

}  // namespace tesselor::plugin::eq::simd::baseline
