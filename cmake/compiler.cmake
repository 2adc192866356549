# Warnings, sanitizers and the Windows link model shared by every target.

function(tessarix_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wformat=2 -Wundef
                                             -Wnon-virtual-dtor -Wcast-align
                                             # every formatted text is cut to its buffer on purpose
                                             $<$<CXX_COMPILER_ID:GNU>:-Wno-format-truncation>)
    if(TESSARIX_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(TESSARIX_SANITIZE)
    add_compile_options(-fsanitize=${TESSARIX_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${TESSARIX_SANITIZE})
endif()

if(WIN32)
    # One self-contained .exe: nothing but the DLLs that Windows itself ships.
    add_link_options(-static -static-libgcc -static-libstdc++)
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE _WIN32_WINNT=0x0601)
endif()
