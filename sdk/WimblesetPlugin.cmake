# wimbleset_add_plugin(<name> SOURCES <source>... RESOURCES <file.rc>...)
#
# Builds the plugin library <name>.kvp: a DLL that links the Wimbleset
# framework (Wimbleset::Plugin) with the shared C++ runtime, and carries the
# plugin header in the string table of its resource file. The sources must
# define the entry point:
#     extern "C" __declspec(dllexport) CToyPlugin* New();
function(wimbleset_add_plugin name)
    cmake_parse_arguments(PLUGIN "" "" "SOURCES;RESOURCES" ${ARGN})
    if(NOT PLUGIN_SOURCES)
        message(FATAL_ERROR "wimbleset_add_plugin(${name}): no SOURCES given")
    endif()
    if(NOT PLUGIN_RESOURCES)
        message(FATAL_ERROR "wimbleset_add_plugin(${name}): no RESOURCES given; the plugin header lives there")
    endif()
    add_library(${name} MODULE ${PLUGIN_SOURCES} ${PLUGIN_RESOURCES})
    target_link_libraries(${name} PRIVATE Wimbleset::Plugin)
    set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".kvp")
endfunction()

# wimbleset_add_package(<plugin>)
#
# After <plugin> is built, makes its package <plugin>.kvd beside it with
# kvdpack: the form in which a plugin is dropped into a toy's Plugins folder.
# kvdpack refuses, and so fails the build of, a library that the toy would
# load nowhere (not a DLL of the project's architecture, no C-named New, a
# header string 1 to 6 or the owner list missing), naming the fix. Then
# it prints kvpinfo's verdict on the package beside the toy's own plugins
# (WIMBLESET_HOST_DIR): the library it holds and where the toy would place it.
# kvdpack is WIMBLESET_KVDPACK when set; else, on Windows, the SDK's own
# kvdpack.exe; else a kvdpack on PATH; else the SDK's. On a build machine
# other than Windows, kvpinfo (and kvdpack where none was named) are built
# for it once from the sources in the SDK: this needs a C++ compiler and zlib
# for the build machine, not a Windows emulator.
set(WIMBLESET_KVDPACK "" CACHE FILEPATH "The kvdpack program that wimbleset_add_package runs")
set(_WIMBLESET_SDK_DIR ${CMAKE_CURRENT_LIST_DIR}/../../..)
set(WIMBLESET_HOST_DIR ${_WIMBLESET_SDK_DIR}/.. CACHE PATH "The folder holding PillowmoorToy.exe")
set(_WIMBLESET_VERDICT_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/WimblesetPackageVerdict.cmake)

# The SDK's tools for the build machine, built once from the sources in the
# SDK; result names the folder that holds kvdpack and kvpinfo.
function(_wimbleset_build_tools result)
    set(build ${CMAKE_BINARY_DIR}/wimbleset-tools)
    if(NOT EXISTS ${build}/bin/kvpinfo)
        message(STATUS "Wimbleset: building kvdpack and kvpinfo for this machine")
        # A clean environment, so that the cross compilers of this project do
        # not leak into the build of tools for the build machine.
        execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=CC --unset=CXX --unset=CMAKE_TOOLCHAIN_FILE
                                ${CMAKE_COMMAND} -S ${_WIMBLESET_SDK_DIR}/tools -B ${build} -DCMAKE_BUILD_TYPE=Release
                        COMMAND_ECHO NONE OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
        if(status EQUAL 0)
            execute_process(COMMAND ${CMAKE_COMMAND} --build ${build}
                            OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
        endif()
        if(NOT status EQUAL 0)
            message(FATAL_ERROR "Wimbleset: could not build kvdpack and kvpinfo for this machine (they need a C++ "
                                "compiler and zlib for it); install them, or set WIMBLESET_KVDPACK to a kvdpack "
                                "program.\n${output}")
        endif()
    endif()
    set(${result} ${build}/bin PARENT_SCOPE)
endfunction()

function(wimbleset_add_package plugin)
    set(tool ${WIMBLESET_KVDPACK})
    if(NOT tool AND CMAKE_HOST_WIN32)
        get_filename_component(tool ${_WIMBLESET_SDK_DIR}/bin/kvdpack.exe ABSOLUTE)
    endif()
    if(NOT tool)
        find_program(_WIMBLESET_KVDPACK_ON_PATH kvdpack NO_CMAKE_FIND_ROOT_PATH)
        set(tool ${_WIMBLESET_KVDPACK_ON_PATH})
    endif()
    if(NOT CMAKE_HOST_WIN32)
        _wimbleset_build_tools(tools)
    endif()
    if(NOT tool)
        set(tool ${tools}/kvdpack)
    endif()
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(architecture x86-64)
    else()
        set(architecture x86)
    endif()
    add_custom_command(TARGET ${plugin} POST_BUILD
        COMMAND ${tool} --arch ${architecture} $<TARGET_FILE:${plugin}>
        COMMENT "Packing ${plugin}.kvd"
        VERBATIM)
    get_filename_component(host ${WIMBLESET_HOST_DIR} ABSOLUTE)
    if(CMAKE_HOST_WIN32)
        get_filename_component(kvpinfo ${_WIMBLESET_SDK_DIR}/bin/kvpinfo.exe ABSOLUTE)
    else()
        set(kvpinfo ${tools}/kvpinfo)
    endif()
    add_custom_command(TARGET ${plugin} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DPACKAGE=$<TARGET_FILE_DIR:${plugin}>/$<TARGET_FILE_BASE_NAME:${plugin}>.kvd
                -DKVPINFO=${kvpinfo} -DHOST_DIR=${host} -DSCRATCH=${CMAKE_CURRENT_BINARY_DIR}/${plugin}-verdict
                -P ${_WIMBLESET_VERDICT_SCRIPT}
        VERBATIM)
endfunction()

# wimbleset_add_plugin_test(<test> PLUGINS <plugin>... [SECONDS <n>] [CLOSE_AFTER <m>])
#
# Adds the test <test>: it makes the folder <test>-run in the build folder
# afresh with the toy (the host and its runtime DLLs, from WIMBLESET_HOST_DIR,
# by default the folder the SDK is installed in) and a Plugins folder holding
# only the given plugins, and runs the toy there with the SDK's kvptest
# (through CMAKE_CROSSCOMPILING_EMULATOR when the build machine is not
# Windows). A plugin is a target, or a plugin of the sample toy (Pillow,
# Dreams) from the SDK's plugins folder. The test passes when each plugin was
# accepted and ran (its Executes value rose in this run) and the toy ended by
# itself within <n> seconds (default 30) with exit code 0 and an empty log. A
# plugin that did not run fails the test with kvpinfo's reason; a record the
# toy shows ends it at once with the record's text and code. The plugins end
# the toy themselves (PostQuitMessage), or CLOSE_AFTER closes the toy's
# windows after <m> seconds, as a user would. The run counts in the registry
# like any start of the toy.
set(_WIMBLESET_RUN_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/WimblesetRunToy.cmake)

function(wimbleset_add_plugin_test test)
    cmake_parse_arguments(RUN "" "SECONDS;CLOSE_AFTER" "PLUGINS" ${ARGN})
    if(NOT RUN_PLUGINS)
        message(FATAL_ERROR "wimbleset_add_plugin_test(${test}): no PLUGINS given")
    endif()
    if(NOT RUN_SECONDS)
        set(RUN_SECONDS 30)
    endif()
    set(files "")
    foreach(plugin IN LISTS RUN_PLUGINS)
        get_filename_component(sample ${_WIMBLESET_SDK_DIR}/plugins/${plugin}.kvp ABSOLUTE)
        if(TARGET ${plugin})
            list(APPEND files $<TARGET_FILE:${plugin}>)
        elseif(EXISTS ${sample})
            list(APPEND files ${sample})
        else()
            message(FATAL_ERROR "wimbleset_add_plugin_test(${test}): ${plugin} is neither a target nor a plugin of "
                                "the sample toy (Pillow, Dreams)")
        endif()
    endforeach()
    get_filename_component(host ${WIMBLESET_HOST_DIR} ABSOLUTE)
    get_filename_component(kvptest ${_WIMBLESET_SDK_DIR}/bin/kvptest.exe ABSOLUTE)
    add_test(NAME ${test}
             COMMAND ${CMAKE_COMMAND} -DHOST_DIR=${host} -DKVPTEST=${kvptest}
                     -DRUN_DIR=${CMAKE_CURRENT_BINARY_DIR}/${test}-run "-DPLUGINS=${files}"
                     -DHOST_SYSTEM=${CMAKE_HOST_SYSTEM_NAME} "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
                     -DSECONDS=${RUN_SECONDS} -DCLOSE_AFTER=${RUN_CLOSE_AFTER} -P ${_WIMBLESET_RUN_SCRIPT})
    set_tests_properties(${test} PROPERTIES TIMEOUT ${RUN_SECONDS}0)
endfunction()
