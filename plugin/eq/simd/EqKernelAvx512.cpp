// The loop built with AVX-512 (F, VL, DQ, BW) on top of AVX2 and fused multiply-add (see
// CMakeLists.txt); only called on processors that have them all.
#include "plugin/eq/simd/EqKernel.h"

#if defined(__AVX512F__)
#include "plugin/eq/simd/EqLoop.h"
#endif

namespace tesselor::plugin::eq::simd::avx512 {

#if defined(__AVX512F__)
EqKernel LoopFor(int factor) noexcept { return LoopOf(factor); }
#else
EqKernel LoopFor(int) noexcept { return nullptr; }  // a compiler or target without AVX-512
#endif

}  // namespace tesselor::plugin::eq::simd::avx512
