# Writes OUTPUT, a C++ source holding the PNG files of IMAGES ("id|file|id|file..." relative to
# ROOT) as byte arrays and a function NAMESPACE::FUNCTION() returning their table. Run by
# tesselor_embed_images at build time.
string(REPLACE "|" ";" images "${IMAGES}")
set(arrays "")
set(rows "")
set(count 0)
while(images)
    list(POP_FRONT images id file)
    file(READ "${ROOT}/${file}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    # Sixteen bytes to a line.
    string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
    string(APPEND arrays "const unsigned char kImage${id}[] = {\n    ${bytes}\n};\n")
    string(APPEND rows "    {${id}, \"${file}\", kImage${id}, static_cast<int>(sizeof kImage${id})},\n")
    math(EXPR count "${count} + 1")
endwhile()
if(count EQUAL 0)
    # No images (Windows, where they are the module's resources): an empty table.
    file(WRITE "${OUTPUT}.tmp" "// Generated; do not edit. The images are the module's resources.
#include \"graphics/ModuleImages.h\"

namespace ${NAMESPACE} {

tesselor::graphics::ModuleImages ${FUNCTION}() { return {}; }

}  // namespace ${NAMESPACE}
")
else()
    file(WRITE "${OUTPUT}.tmp" "// Generated from the PNG files named below; do not edit.
#include \"graphics/ModuleImages.h\"

namespace {

${arrays}
const tesselor::graphics::ModuleImage kImages[] = {
${rows}};

}  // namespace

namespace ${NAMESPACE} {

tesselor::graphics::ModuleImages ${FUNCTION}() { return {kImages, ${count}}; }

}  // namespace ${NAMESPACE}
")
endif()
# Only touch the output when it changed, so that unchanged images recompile nothing.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
