# The editor's PNG images, by resource id, as a module carries them.
#
# Linux modules carry no resources of their own, so there the images are compiled in as a table
# of id, name and bytes (graphics/ModuleImages.h):
#   tesselor_embed_images(<target> NAMESPACE <ns> FUNCTION <name> IMAGES <id> <file> ...)
# adds to <target> a generated source defining `graphics::ModuleImages <ns>::<name>()`. Files are
# relative to the source tree's root; the table keeps those paths as the images' names. On Windows
# the function is defined too, but returns an empty table: the images are resources there.
#
# Windows modules carry them as resources of type "PNG" numbered by id, from a generated .rc file:
#   tesselor_image_resources(<target> IMAGES <id> <file> ...)
# adds them to <target>, a DLL or a program (resources in a static library never reach the module
# that links it). A program finds them with a null module handle, as the plug-in's DLL finds its
# own with its instance handle.
function(tesselor_embed_images target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "NAMESPACE;FUNCTION" "IMAGES")
    set(output "${CMAKE_CURRENT_BINARY_DIR}/${arg_FUNCTION}.cpp")
    set(images "${arg_IMAGES}")
    if(WIN32)
        set(images "")
    endif()
    set(files)
    set(pairs "${images}")
    while(pairs)
        list(POP_FRONT pairs id file)
        list(APPEND files "${PROJECT_SOURCE_DIR}/${file}")
    endwhile()
    string(REPLACE ";" "|" images "${images}")
    add_custom_command(OUTPUT "${output}"
        COMMAND "${CMAKE_COMMAND}" "-DOUTPUT=${output}" "-DROOT=${PROJECT_SOURCE_DIR}"
                "-DNAMESPACE=${arg_NAMESPACE}" "-DFUNCTION=${arg_FUNCTION}" "-DIMAGES=${images}"
                -P "${PROJECT_SOURCE_DIR}/cmake/WriteImageTable.cmake"
        DEPENDS ${files} "${PROJECT_SOURCE_DIR}/cmake/WriteImageTable.cmake"
        COMMENT "Compiling the images of ${arg_FUNCTION} into a table"
        VERBATIM)
    target_sources(${target} PRIVATE "${output}")
endfunction()

function(tesselor_image_resources target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "IMAGES")
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_images.rc")
    set(content "// Generated from the image list of plugin/CMakeLists.txt; do not edit.\n")
    set(files)
    set(pairs "${arg_IMAGES}")
    while(pairs)
        list(POP_FRONT pairs id file)
        string(APPEND content "${id} PNG \"${PROJECT_SOURCE_DIR}/${file}\"\n")
        list(APPEND files "${PROJECT_SOURCE_DIR}/${file}")
    endwhile()
    file(GENERATE OUTPUT "${rc}" CONTENT "${content}")
    target_sources(${target} PRIVATE "${rc}")
    # The resource compiler reports no dependencies: rebuild when an image changes.
    set_source_files_properties("${rc}" TARGET_DIRECTORY ${target} PROPERTIES
        OBJECT_DEPENDS "${files}")
endfunction()
