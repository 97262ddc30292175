#pragma once

// The per-sample loop is compiled once for every instruction set it ships for (see EqKernel.h),
// each time in a source file of its own with its own compiler flags. Everything that file
// compiles out of the headers in this folder lives in a namespace named after its build, given by
// TESSELOR_SIMD_BUILD (baseline, fma or avx512): an inline function built with AVX flags then
// has another name than its baseline twin, and the linker can never keep one in place of the
// other. A test (CheckKernelSymbols) checks that the AVX builds define nothing outside theirs.
#ifndef TESSELOR_SIMD_BUILD
#error "plugin/eq/simd headers are compiled only inside a build of the loop (TESSELOR_SIMD_BUILD)"
#endif
