#include "plugin/eq/simd/EqKernel.h"

#include <cstdlib>
#include <cstring>

namespace tesselor::plugin::eq::simd {

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

// The build TESSELOR_KERNEL asks for, or kFastest when it names none.
KernelBuild RequestedBuild() noexcept {
    const char* name = std::getenv("TESSELOR_KERNEL");
    if (!name) return KernelBuild::kFastest;
    if (std::strcmp(name, "baseline") == 0) return KernelBuild::kBaseline;
    if (std::strcmp(name, "fma") == 0) return KernelBuild::kFma;
    if (std::strcmp(name, "avx512") == 0) return KernelBuild::kAvx512;
    return KernelBuild::kFastest;
}

}  // namespace

EqKernel KernelFor(KernelBuild build, int factor) noexcept {
    static const bool hasFma = ProcessorHasFma();
    static const bool hasAvx512 = ProcessorHasAvx512();
    static const KernelBuild requested = RequestedBuild();
    const EqKernel fmaLoop = hasFma ? fma::LoopFor(factor) : nullptr;
    const EqKernel avx512Loop = hasAvx512 ? avx512::LoopFor(factor) : nullptr;
    switch (build) {
        case KernelBuild::kBaseline:
            return baseline::LoopFor(factor);
        case KernelBuild::kFma:
            return fmaLoop;
        case KernelBuild::kAvx512:
            return avx512Loop;
        case KernelBuild::kFastest:
            break;
    }
    if (requested != KernelBuild::kFastest) {
        if (const EqKernel chosen = KernelFor(requested, factor)) return chosen;
    }
    return avx512Loop ? avx512Loop : fmaLoop ? fmaLoop : baseline::LoopFor(factor);
}

}  // namespace tesselor::plugin::eq::simd
