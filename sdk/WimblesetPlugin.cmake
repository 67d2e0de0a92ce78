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
    target_compile_features(${name} PRIVATE cxx_std_20)
    set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".kvp")
endfunction()

# wimbleset_add_package(<plugin>)
#
# After <plugin> is built, makes its package <plugin>.kvd beside it with
# kvdpack: the form in which a plugin is dropped into a toy's Plugins folder.
# kvdpack is WIMBLESET_KVDPACK when set, else the SDK's own kvdpack.exe; when
# cross-compiling, a Windows kvdpack runs through CMAKE_CROSSCOMPILING_EMULATOR
# (for example wine), or point WIMBLESET_KVDPACK at a native build of it.
set(WIMBLESET_KVDPACK "" CACHE FILEPATH "The kvdpack program that wimbleset_add_package runs")
set(_WIMBLESET_SDK_KVDPACK ${CMAKE_CURRENT_LIST_DIR}/../../../bin/kvdpack.exe)

function(wimbleset_add_package plugin)
    if(WIMBLESET_KVDPACK)
        set(tool ${WIMBLESET_KVDPACK})
    else()
        get_filename_component(tool ${_WIMBLESET_SDK_KVDPACK} ABSOLUTE)
    endif()
    set(launcher "")
    if(CMAKE_CROSSCOMPILING AND tool MATCHES "\\.exe$")
        if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
            message(FATAL_ERROR "wimbleset_add_package(${plugin}): ${tool} is a Windows program; set "
                                "CMAKE_CROSSCOMPILING_EMULATOR (for example to wine) or WIMBLESET_KVDPACK")
        endif()
        set(launcher ${CMAKE_CROSSCOMPILING_EMULATOR})
    endif()
    add_custom_command(TARGET ${plugin} POST_BUILD
        COMMAND ${launcher} ${tool} $<TARGET_FILE:${plugin}>
        COMMENT "Packing ${plugin}.kvd"
        VERBATIM)
endfunction()
