# The Windows x64 build, cross-compiled with cmake/MingwToolchain.cmake and tested under Wine.
# Every library is linked statically, so the programs and the plug-in load nothing at run time but
# Windows' own DLLs: look for static archives only (the default would prefer zlib's import
# library, and with it a dependency on zlib1.dll).
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
include(MingwLibpng)
include(Vst3Sdk)

# 64-bit Windows keeps the stack 16-byte aligned, and mingw-w64's GCC cannot align it further
# (GCC bug 54412): an aligned 32- or 64-byte AVX move to a spilled local may then fault. The
# equaliser's AVX builds of its loop run on most machines, so every aligned vector move is
# assembled as its unaligned twin, which costs nothing on aligned data.
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-Wa,-muse-unaligned-vector-move>)
