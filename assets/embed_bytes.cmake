# Writes the bytes of INPUT as a comma-separated list of hex literals to OUTPUT, for
# #include inside an array initialiser. Run by the build (cmake -P) whenever INPUT changes, so
# the committed picture files stay the only source of the embedded data.
#
#   cmake -DINPUT=<file> -DOUTPUT=<file> -P embed_bytes.cmake
if(NOT INPUT OR NOT OUTPUT)
  message(FATAL_ERROR "embed_bytes.cmake needs -DINPUT=<file> -DOUTPUT=<file>")
endif()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
if(digits EQUAL 0)
  message(FATAL_ERROR "embed_bytes.cmake: ${INPUT} is empty")
endif()

# Two hex digits per byte; 16 bytes per line keeps the generated file readable in a debugger.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# (CMake regular expressions have no {n} counts, so the pattern spells the 16 out.)
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line_pattern)
string(REGEX REPLACE "(${line_pattern})" "\\1\n" bytes "${bytes}")

get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp" "// Generated from ${name} at build time; do not edit.\n${bytes}\n")
# Only touch OUTPUT when the bytes changed, so an unchanged picture does not rebuild the library.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
