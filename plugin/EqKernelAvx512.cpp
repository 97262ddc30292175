// Built with AVX-512 (F, VL, DQ, BW) on top of AVX2 and fused multiply-add (see CMakeLists.txt);
// only called on processors that have them all. Left out of debug builds for the reason given in
// EqKernelFma.cpp.
#include "plugin/EqKernel.h"

#if defined(TESSELOR_AVX512_KERNEL) && defined(__AVX512F__) && defined(NDEBUG)
#include "plugin/EqEngineKernel.h"
#endif

namespace tesselor::plugin {

#if defined(TESSELOR_AVX512_KERNEL) && defined(__AVX512F__) && defined(NDEBUG)
EqKernel BuiltAvx512EqKernel(int factor) noexcept { return EqKernelOf<IsaAvx512>(factor); }
#else
EqKernel BuiltAvx512EqKernel(int) noexcept { return nullptr; }
#endif

}  // namespace tesselor::plugin
