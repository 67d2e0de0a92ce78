# The C++ runtime is shared by the host and every plugin (one runtime per
# process), so its DLLs ship beside the executable. This finds them in the
# toolchain and copies them into the build's program folder.
function(toy_find_runtime_dlls out_var)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(names libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    else()
        set(names libstdc++-6.dll libgcc_s_dw2-1.dll libwinpthread-1.dll)
    endif()
    set(found "")
    foreach(name IN LISTS names)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
            message(FATAL_ERROR "The toolchain has no ${name}")
        endif()
        list(APPEND found "${path}")
    endforeach()
    set(${out_var} "${found}" PARENT_SCOPE)
endfunction()
