#pragma once

#include "plugin/eq/EqEngine.h"

namespace tesselor::plugin::eq::simd {

// The per-sample loop is built once for the x86-64 baseline (SSE2) and, where the compiler can,
// once for processors with AVX2 and fused multiply-add and once more for those that also have
// AVX-512; the fastest one the processor supports is picked at run time. All compute the same
// formulas; only rounding differs. Each build lives in a namespace of its own (see SimdBuild.h).
using EqKernel = void (*)(EqLoopState&, const double* inL, const double* inR, double* outL,
                          double* outR, int frames, EqSwitches switches);

// The loop of `build` for side-path factor `factor` (4 or 16); null when that build was left out
// of this binary or the processor cannot run it. KernelBuild::kFastest is never null; it picks
// the fastest build, unless the environment variable TESSELOR_KERNEL names another one
// ("baseline", "fma", "avx512") that the processor runs: a way to compare builds in a host.
EqKernel KernelFor(KernelBuild build, int factor) noexcept;

// Each build's loops as compiled, whatever the processor; null when left out of this binary.
namespace baseline {
EqKernel LoopFor(int factor) noexcept;
}
namespace fma {
EqKernel LoopFor(int factor) noexcept;
}
namespace avx512 {
EqKernel LoopFor(int factor) noexcept;
}

}  // namespace tesselor::plugin::eq::simd
