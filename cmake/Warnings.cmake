# Warnings for our own targets only; third-party code keeps its own settings.
function(toy_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${TOY_WARNINGS_AS_ERRORS}>:-Werror>)
endfunction()
