# cmake -DPACKAGE=... -DKVPINFO=... -DHOST_DIR=... -DSCRATCH=... -P WimblesetPackageVerdict.cmake
# kvpinfo's verdict on a package that wimbleset_add_package has just made: the
# library it holds and where the toy would place it, beside the toy's own
# plugins, in a scratch copy of the toy. Only prints: a package that loads
# nowhere there (a child whose parent comes in another package) still builds.
if(NOT EXISTS ${HOST_DIR}/PillowmoorToy.exe)
    message(STATUS "kvpinfo: no PillowmoorToy.exe in ${HOST_DIR} (WIMBLESET_HOST_DIR), so no verdict on the package")
    return()
endif()
file(REMOVE_RECURSE ${SCRATCH})
file(GLOB runtime ${HOST_DIR}/PillowmoorToy.exe ${HOST_DIR}/*.dll)
file(GLOB toy_plugins ${HOST_DIR}/Plugins/*.kvp)
file(COPY ${runtime} DESTINATION ${SCRATCH})
file(COPY ${toy_plugins} ${PACKAGE} DESTINATION ${SCRATCH}/Plugins)
execute_process(COMMAND ${KVPINFO} WORKING_DIRECTORY ${SCRATCH} OUTPUT_VARIABLE report
                ERROR_VARIABLE report)
file(REMOVE_RECURSE ${SCRATCH})
get_filename_component(name ${PACKAGE} NAME)
string(REPLACE "\r" "" report "${report}")
string(REGEX MATCH "\n  ${name} [^\n]*(\n    [^\n]*)*" verdict "${report}")
string(STRIP "${verdict}" verdict)
if(verdict STREQUAL "")
    message(STATUS "kvpinfo on ${name}: ${report}")
else()
    message(STATUS "kvpinfo: ${verdict}")
endif()
