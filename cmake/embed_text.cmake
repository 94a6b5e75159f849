# Turns a text file into a C++ source that defines one NUL-terminated char
# array, so that the program carries the text without reading files at run time.
# Called as: cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -P embed_text.cmake
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n  " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "extern const char ${SYMBOL}[];\n"
  "const char ${SYMBOL}[] = {\n  ${bytes}0x00};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
