#include "plugin/EqEngineKernel.h"

namespace tesselor::plugin {

EqKernel BaselineEqKernel(int factor) noexcept { return EqKernelOf<IsaBaseline>(factor); }

}  // namespace tesselor::plugin
