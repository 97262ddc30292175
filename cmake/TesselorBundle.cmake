# The Tesselor.vst3 bundle, exporting only the module entry points, and its installation:
# ${CMAKE_BINARY_DIR}/Tesselor.vst3/Contents/x86_64-linux/Tesselor.so on Linux;
# ${CMAKE_BINARY_DIR}/Tesselor.vst3/Contents/x86_64-win/Tesselor.vst3 on Windows, a DLL carrying the
# panel's images as resources, also as the single file ${CMAKE_BINARY_DIR}/single/Tesselor.vst3.
tesselor_vst3_module(tesselor_vst3_bundle
    NAME Tesselor
    DIR "${CMAKE_BINARY_DIR}"
    SOURCES "${PROJECT_SOURCE_DIR}/plugin/TesselorModule.cpp"
    LIBRARIES tesselor_plugin)
set(TESSELOR_BUNDLE_DIR "${TESSELOR_MODULE_BUNDLE_DIR}" CACHE INTERNAL "Built Tesselor.vst3 bundle")

if(WIN32)
    tesselor_image_resources(tesselor_vst3_bundle IMAGES ${TESSELOR_IMAGES})
    # Windows hosts look in "Common Files/VST3": `cmake --install build/windows --prefix DIR`
    # stages the bundle as DIR/VST3/Tesselor.vst3.
    install(DIRECTORY "${TESSELOR_BUNDLE_DIR}" DESTINATION VST3)
    return()
endif()

# `cmake --install` without a prefix puts the bundle where Linux hosts look for a user's plug-ins,
# ~/.vst3; with one (configured or given to --install), into <prefix>/lib/vst3, where they look for
# the system's. The choice is made at install time, so that --prefix is honoured. CMake says
# whether the prefix is its own default only on the first configure, so that default is kept in
# the cache for later configures and installs to compare against.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(TESSELOR_DEFAULT_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}" CACHE INTERNAL
        "CMake's own default install prefix, which means: install for the user")
endif()
install(CODE "
    if(\"\${CMAKE_INSTALL_PREFIX}\" STREQUAL \"${TESSELOR_DEFAULT_INSTALL_PREFIX}\")
        set(_vst3_dir \"\$ENV{HOME}/.vst3\")
    else()
        set(_vst3_dir \"\${CMAKE_INSTALL_PREFIX}/lib/vst3\")
    endif()
    file(INSTALL DESTINATION \"\${_vst3_dir}\" TYPE DIRECTORY FILES \"${TESSELOR_BUNDLE_DIR}\"
         USE_SOURCE_PERMISSIONS)
")
