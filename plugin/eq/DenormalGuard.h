#pragma once

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace tesselor::plugin::eq {

// Flush-to-zero and denormals-are-zero for the lifetime of the guard (one block), restoring the
// caller's settings afterwards. Decaying recursive filters otherwise crawl through denormal values
// after a loud signal stops, at many times the cost of normal arithmetic; treating them as 0
// changes nothing audible. Where there is no SSE control register the guard does nothing.
class DenormalGuard {
public:
#if defined(__SSE2__)
    DenormalGuard() noexcept : _saved(_mm_getcsr()) { _mm_setcsr(_saved | kFlushBits); }
    ~DenormalGuard() { _mm_setcsr(_saved); }
#else
    DenormalGuard() noexcept = default;
#endif
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
#if defined(__SSE2__)
    static constexpr unsigned kFlushBits = 0x8040u;  // FTZ (bit 15) | DAZ (bit 6)
    unsigned _saved;
#endif
};

}  // namespace tesselor::plugin::eq
