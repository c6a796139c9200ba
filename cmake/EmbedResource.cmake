# Embeds a file into the executable as a resource (type, id) found through
# platform/resources.h.
#
# As a module:  embed_resource(<out.cpp> TYPE <type> ID <id> INPUT <file>)
#               adds a build rule that writes <out.cpp> whenever <file> changes.
# As a script:  cmake -DINPUT=.. -DOUTPUT=.. -DTYPE=.. -DID=.. -P EmbedResource.cmake

if(CMAKE_SCRIPT_MODE_FILE)
  file(READ "${INPUT}" hex HEX)
  file(SIZE "${INPUT}" size)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # Lines of 32 bytes keep the generated file readable in a diff tool.
  string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
  string(MAKE_C_IDENTIFIER "${TYPE}_${ID}" ident)
  file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT}; do not edit.
#include \"platform/resources.h\"

namespace {
alignas(16) const unsigned char k_${ident}[${size} + 1] = {
${bytes}
0};

struct Register_${ident} {
  Register_${ident}() { platform::RegisterResource(\"${TYPE}\", ${ID}, k_${ident}, ${size}); }
} register_${ident};
}  // namespace
")
  file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
  return()
endif()

set(EMBED_RESOURCE_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(embed_resource output)
  cmake_parse_arguments(ARG "" "TYPE;ID;INPUT" "" ${ARGN})
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${ARG_INPUT} -DOUTPUT=${output} -DTYPE=${ARG_TYPE} -DID=${ARG_ID}
            -P ${EMBED_RESOURCE_SCRIPT}
    DEPENDS ${ARG_INPUT} ${EMBED_RESOURCE_SCRIPT}
    COMMENT "Embedding ${ARG_INPUT} as resource ${ARG_TYPE}/${ARG_ID}"
    VERBATIM)
endfunction()
