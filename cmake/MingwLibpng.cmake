# libpng for the Windows build. Debian ships no mingw build of it, so it is built here, once per
# build tree, from Debian's own source package at the version bookworm's libpng16-16 is made from:
# the upstream tarball is checked against a pinned SHA-256, built as a static library with the
# project's toolchain and the mingw zlib (libz-mingw-w64-dev), and installed under _deps/libpng,
# where find_package(PNG) finds it. Debian's one applied patch changes only the libpng-config
# script, which is not built here, so the sources are used as they come.
set(_version 1.6.39)
set(_sha256 a00e9d2f2f664186e4202db9299397f851aea71b36a35e74910b8820e380d441)
set(_url "http://deb.debian.org/debian/pool/main/libp/libpng1.6/libpng1.6_${_version}.orig.tar.gz")
set(_root "${CMAKE_BINARY_DIR}/_deps/libpng")
set(_tarball "${_root}/libpng1.6_${_version}.orig.tar.gz")
set(_prefix "${_root}/install")
set(_stamp "${_prefix}/built-from-${_sha256}")

if(NOT EXISTS "${_stamp}")
    if(EXISTS "${_tarball}")
        file(SHA256 "${_tarball}" _actual)
        if(NOT _actual STREQUAL _sha256)
            file(REMOVE "${_tarball}")
        endif()
    endif()
    if(NOT EXISTS "${_tarball}")
        message(STATUS "libpng: fetching ${_url}")
        file(DOWNLOAD "${_url}" "${_tarball}.part" EXPECTED_HASH SHA256=${_sha256} STATUS _status)
        list(GET _status 0 _code)
        if(NOT _code EQUAL 0)
            file(REMOVE "${_tarball}.part")
            list(GET _status 1 _reason)
            message(FATAL_ERROR "libpng: could not fetch ${_url}: ${_reason}")
        endif()
        file(RENAME "${_tarball}.part" "${_tarball}")
    endif()

    message(STATUS "libpng: building ${_version} for Windows (log: ${_root}/build.log)")
    file(REMOVE_RECURSE "${_root}/src" "${_root}/build" "${_prefix}")
    file(ARCHIVE_EXTRACT INPUT "${_tarball}" DESTINATION "${_root}/src")
    execute_process(
        COMMAND "${CMAKE_COMMAND}" -S "${_root}/src/libpng-${_version}" -B "${_root}/build"
            -G "${CMAKE_GENERATOR}"
            "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}"
            -DCMAKE_BUILD_TYPE=Release
            "-DCMAKE_INSTALL_PREFIX=${_prefix}"
            -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF
            -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_EXECUTABLES=ON -DSKIP_INSTALL_FILES=ON
            -DZLIB_USE_STATIC_LIBS=ON
        COMMAND_ECHO NONE
        OUTPUT_FILE "${_root}/build.log" ERROR_FILE "${_root}/build.log"
        RESULT_VARIABLE _result)
    if(_result EQUAL 0)
        execute_process(
            COMMAND "${CMAKE_COMMAND}" --build "${_root}/build" --target install --parallel 2
            OUTPUT_FILE "${_root}/install.log" ERROR_FILE "${_root}/install.log"
            RESULT_VARIABLE _result)
    endif()
    if(NOT _result EQUAL 0)
        message(FATAL_ERROR "libpng: the build failed; see ${_root}/build.log and install.log")
    endif()
    file(TOUCH "${_stamp}")
endif()

list(APPEND CMAKE_FIND_ROOT_PATH "${_prefix}")
unset(_version)
unset(_sha256)
unset(_url)
unset(_root)
unset(_tarball)
unset(_prefix)
unset(_stamp)
