#pragma once

#include "plugin/EqEngineState.h"

namespace tesselor::plugin {

// The per-sample loop is built once for the x86-64 baseline (SSE2) and, where the compiler can,
// once more for processors with AVX2 and fused multiply-add; the faster one the processor supports
// is picked at run time. Both compute the same formulas; only rounding differs.
using EqKernel = void (*)(EqEngineState&, const double*, const double*, double*, double*, int,
                          EqSwitches);

struct IsaBaseline {};
struct IsaFma {};

// The loop for side-path factor `factor` (4 or 16) on this processor.
EqKernel SelectEqKernel(int factor) noexcept;
// Builds available in this binary, for tests and the benchmark: the baseline always, the AVX2 and
// FMA build only when it was compiled in and the processor runs it.
EqKernel BaselineEqKernel(int factor) noexcept;
EqKernel FmaEqKernel(int factor) noexcept;  // null when unavailable
// The FMA build as compiled, whatever the processor; null when it was left out.
EqKernel BuiltFmaEqKernel(int factor) noexcept;

}  // namespace tesselor::plugin
