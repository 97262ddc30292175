# Compiles PNG images into a module as a table of id, name and bytes (graphics/ModuleImages.h),
# for platforms whose modules carry no resources of their own.
#   tesselor_embed_images(<target> NAMESPACE <ns> FUNCTION <name> IMAGES <id> <file> ...)
# adds to <target> a generated source defining `graphics::ModuleImages <ns>::<name>()`. Files are
# relative to the source tree's root; the table keeps those paths as the images' names.
function(tesselor_embed_images target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "NAMESPACE;FUNCTION" "IMAGES")
    set(output "${CMAKE_CURRENT_BINARY_DIR}/${arg_FUNCTION}.cpp")
    set(files)
    set(pairs "${arg_IMAGES}")
    while(pairs)
        list(POP_FRONT pairs id file)
        list(APPEND files "${PROJECT_SOURCE_DIR}/${file}")
    endwhile()
    string(REPLACE ";" "|" images "${arg_IMAGES}")
    add_custom_command(OUTPUT "${output}"
        COMMAND "${CMAKE_COMMAND}" "-DOUTPUT=${output}" "-DROOT=${PROJECT_SOURCE_DIR}"
                "-DNAMESPACE=${arg_NAMESPACE}" "-DFUNCTION=${arg_FUNCTION}" "-DIMAGES=${images}"
                -P "${PROJECT_SOURCE_DIR}/cmake/WriteImageTable.cmake"
        DEPENDS ${files} "${PROJECT_SOURCE_DIR}/cmake/WriteImageTable.cmake"
        COMMENT "Compiling the images of ${arg_FUNCTION} into a table"
        VERBATIM)
    target_sources(${target} PRIVATE "${output}")
endfunction()
