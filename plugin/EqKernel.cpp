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

bool ProcessorHasAvx512() noexcept {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    return ProcessorHasFma() && __builtin_cpu_supports("avx512f") &&
           __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512bw");
#else
    return false;
#endif
}

}  // namespace

EqKernel KernelFor(KernelBuild build, int factor) noexcept {
    static const bool hasFma = ProcessorHasFma();
    static const bool hasAvx512 = ProcessorHasAvx512();
    const EqKernel fma = hasFma ? BuiltFmaEqKernel(factor) : nullptr;
    const EqKernel avx512 = hasAvx512 ? BuiltAvx512EqKernel(factor) : nullptr;
    switch (build) {
        case KernelBuild::kBaseline:
            return BaselineEqKernel(factor);
        case KernelBuild::kFma:
            return fma;
        case KernelBuild::kAvx512:
            return avx512;
        case KernelBuild::kFastest:
            break;
    }
    return avx512 ? avx512 : fma ? fma : BaselineEqKernel(factor);
}

}  // namespace tesselor::plugin
