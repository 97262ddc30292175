#include "plugin/EqEngineKernel.h"
#include "plugin/EqKernel.h"

namespace tesselor::plugin {

namespace {

template <int F>
void Run(EqEngineState& engine, const double* inL, const double* inR, double* outL, double* outR,
         int frames, EqSwitches switches) {
    engine.RunSamples<F, IsaBaseline>(inL, inR, outL, outR, frames, switches);
}

}  // namespace

EqKernel BaselineEqKernel(int factor) noexcept { return factor == 16 ? &Run<16> : &Run<4>; }

}  // namespace tesselor::plugin
