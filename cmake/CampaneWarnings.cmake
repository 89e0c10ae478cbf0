# Warnings for our own targets: -Wall -Wextra, clean.
function(campane_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
