#pragma once

#include "plugin/EqEngineState.h"

namespace tesselor::plugin {

// The per-sample loop is built once for the x86-64 baseline (SSE2) and, where the compiler can,
// once for processors with AVX2 and fused multiply-add and once more for those that also have
// AVX-512; the fastest one the processor supports is picked at run time. All compute the same
// formulas; only rounding differs.
using EqKernel = void (*)(EqEngineState&, const double*, const double*, double*, double*, int,
                          EqSwitches);

struct IsaBaseline {};
struct IsaFma {};
struct IsaAvx512 {};

// The loop of `build` for side-path factor `factor` (4 or 16); null when that build was left out
// of this binary or the processor cannot run it. KernelBuild::kFastest is never null.
EqKernel KernelFor(KernelBuild build, int factor) noexcept;

// The builds as compiled, whatever the processor; null when left out.
EqKernel BaselineEqKernel(int factor) noexcept;
EqKernel BuiltFmaEqKernel(int factor) noexcept;
EqKernel BuiltAvx512EqKernel(int factor) noexcept;

}  // namespace tesselor::plugin
