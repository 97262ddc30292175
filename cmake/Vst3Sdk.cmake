# The parts of the VST 3 SDK the binding and the command-line host rest on, as one static library.
# Third-party code: built without our warnings, and its headers are included as system headers so
# that they raise none in our own files either.
if(TARGET vst3sdk)
    return()
endif()

set(_sdk "${TESSELOR_VST3_SDK_DIR}")
if(NOT EXISTS "${_sdk}/pluginterfaces/base/funknown.h")
    message(FATAL_ERROR "VST 3 SDK not found in TESSELOR_VST3_SDK_DIR='${_sdk}' (scripts/setup installs it)")
endif()

add_library(vst3sdk STATIC
    "${_sdk}/pluginterfaces/base/coreiids.cpp"
    "${_sdk}/pluginterfaces/base/funknown.cpp"
    "${_sdk}/pluginterfaces/base/ustring.cpp"
    "${_sdk}/pluginterfaces/base/conststringtable.cpp"
    "${_sdk}/base/source/baseiids.cpp"
    "${_sdk}/base/source/fobject.cpp"
    "${_sdk}/base/source/fstring.cpp"
    "${_sdk}/base/source/fdebug.cpp"
    "${_sdk}/base/source/fbuffer.cpp"
    "${_sdk}/base/source/fstreamer.cpp"
    "${_sdk}/base/source/updatehandler.cpp"
    "${_sdk}/base/thread/source/flock.cpp"
    "${_sdk}/public.sdk/source/common/pluginview.cpp"
    "${_sdk}/public.sdk/source/common/memorystream.cpp"
    "${_sdk}/public.sdk/source/vst/vstinitiids.cpp"
    "${_sdk}/public.sdk/source/vst/vstbus.cpp"
    "${_sdk}/public.sdk/source/vst/vstcomponentbase.cpp"
    "${_sdk}/public.sdk/source/vst/vstcomponent.cpp"
    "${_sdk}/public.sdk/source/vst/vsteditcontroller.cpp"
    "${_sdk}/public.sdk/source/vst/vstparameters.cpp"
)
target_include_directories(vst3sdk SYSTEM PUBLIC "${_sdk}")
# RELEASE=1 keeps the SDK's debug checks and their output out of every build type.
target_compile_definitions(vst3sdk PUBLIC RELEASE=1)
target_compile_options(vst3sdk PRIVATE -w)
target_link_libraries(vst3sdk PUBLIC Threads::Threads)
unset(_sdk)
