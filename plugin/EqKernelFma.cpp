// Built with AVX2 and fused multiply-add enabled (see CMakeLists.txt); only called on processors
// that have both. Debug builds leave it out: without optimisation the small inline helpers are not
// inlined, and an out-of-line copy built here could be picked by the linker for the baseline.
#include "plugin/EqKernel.h"

#if defined(TESSELOR_FMA_KERNEL) && defined(__FMA__) && defined(NDEBUG)
#include "plugin/EqEngineKernel.h"
#endif

namespace tesselor::plugin {

#if defined(TESSELOR_FMA_KERNEL) && defined(__FMA__) && defined(NDEBUG)
EqKernel BuiltFmaEqKernel(int factor) noexcept { return EqKernelOf<IsaFma>(factor); }
#else
EqKernel BuiltFmaEqKernel(int) noexcept { return nullptr; }
#endif

}  // namespace tesselor::plugin
