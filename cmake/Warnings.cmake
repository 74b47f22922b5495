# tonquell_warnings(target): the house warning set, errors when TONQUELL_WERROR is on.
function(tonquell_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
    if(TONQUELL_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
