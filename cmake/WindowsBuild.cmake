# The Windows x64 build, cross-compiled with cmake/MingwToolchain.cmake and tested under Wine.
# Every library is linked statically, so the programs and the plug-in load nothing at run time but
# Windows' own DLLs: look for static archives only (the default would prefer zlib's import
# library, and with it a dependency on zlib1.dll).
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
include(MingwLibpng)
include(Vst3Sdk)
