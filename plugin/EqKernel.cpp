#include "plugin/EqKernel.h"

namespace tesselor::plugin {

namespace {

bool ProcessorHasFma() noexcept {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    return __builtin_cpu_supports("fma") && __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

}  // namespace

EqKernel FmaEqKernel(int factor) noexcept {
    static const bool hasFma = ProcessorHasFma();
    return hasFma ? BuiltFmaEqKernel(factor) : nullptr;
}

EqKernel SelectEqKernel(int factor) noexcept {
    const EqKernel fma = FmaEqKernel(factor);
    return fma ? fma : BaselineEqKernel(factor);
}

}  // namespace tesselor::plugin
