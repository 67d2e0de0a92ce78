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
