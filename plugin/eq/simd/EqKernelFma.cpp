// The loop built with AVX2 and fused multiply-add (see CMakeLists.txt); only called on processors
// that have both.
#include "plugin/eq/simd/EqKernel.h"

#if defined(__AVX2__) && defined(__FMA__)
#include "plugin/eq/simd/EqLoop.h"
#endif

namespace tesselor::plugin::eq::simd::fma {

#if defined(__AVX2__) && defined(__FMA__)
EqKernel LoopFor(int factor) noexcept { return LoopOf(factor); }
#else
EqKernel LoopFor(int) noexcept { return nullptr; }  // a compiler or target without these
#endif

}  // namespace tesselor::plugin::eq::simd::fma
