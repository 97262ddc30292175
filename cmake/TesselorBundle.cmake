# The Tesselor.vst3 bundle: ${CMAKE_BINARY_DIR}/Tesselor.vst3/Contents/x86_64-linux/Tesselor.so,
# exporting only the module entry points, and its installation.
tesselor_vst3_module(tesselor_vst3_bundle
    NAME Tesselor
    DIR "${CMAKE_BINARY_DIR}"
    SOURCES "${PROJECT_SOURCE_DIR}/plugin/TesselorModule.cpp"
    LIBRARIES tesselor_plugin)
set(TESSELOR_BUNDLE_DIR "${TESSELOR_MODULE_BUNDLE_DIR}" CACHE INTERNAL "Built Tesselor.vst3 bundle")

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
