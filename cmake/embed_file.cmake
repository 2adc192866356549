# Script mode: cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P embed_file.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
       "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
     "// Generated from ${INPUT}; do not edit.\n"
     "extern const unsigned char ${SYMBOL}[];\n"
     "extern const unsigned long long ${SYMBOL}_size;\n"
     "const unsigned char ${SYMBOL}[] = {\n    ${bytes}0x00};\n"
     "const unsigned long long ${SYMBOL}_size = ${size};\n")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
