# tessarix_embed(<output.cpp> <symbol> <input file>)
# Generates a translation unit that defines
#   extern const unsigned char <symbol>[];  extern const unsigned long long <symbol>_size;
# with the file's bytes. Regenerated at build time whenever the input changes.
function(tessarix_embed output symbol input)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DSYMBOL=${symbol}
                -P ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
        DEPENDS ${input} ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
        COMMENT "Embedding ${input} as ${symbol}"
        VERBATIM)
endfunction()
