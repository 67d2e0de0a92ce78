# cmake -DHOST_DIR=... -DRUN_DIR=... -DPLUGINS=a.kvp;b.kvp [-DEMULATOR=wine] -DSECONDS=n -P WimblesetRunToy.cmake
# Runs the toy on a scratch folder that holds just the given plugins (see
# wimbleset_add_plugin_test) and fails unless it ends by itself, with exit
# code 0 and nothing in its log.
file(REMOVE_RECURSE ${RUN_DIR})
file(MAKE_DIRECTORY ${RUN_DIR}/Plugins)
file(GLOB runtime ${HOST_DIR}/PillowmoorToy.exe ${HOST_DIR}/*.dll)
if(NOT runtime MATCHES "PillowmoorToy.exe")
    message(FATAL_ERROR "no PillowmoorToy.exe in ${HOST_DIR}: set WIMBLESET_HOST_DIR to the toy's folder")
endif()
file(COPY ${runtime} DESTINATION ${RUN_DIR})
file(COPY ${PLUGINS} DESTINATION ${RUN_DIR}/Plugins)

execute_process(COMMAND ${EMULATOR} ./PillowmoorToy.exe WORKING_DIRECTORY ${RUN_DIR} TIMEOUT ${SECONDS}
                RESULT_VARIABLE status)
file(GLOB logs ${RUN_DIR}/Logs/*.log)
set(log "")
if(logs)
    file(READ ${logs} log)
endif()
if(NOT status STREQUAL "0")
    message(FATAL_ERROR "the toy did not end by itself with exit code 0 (${status}); log: '${log}'")
endif()
if(NOT log STREQUAL "")
    message(FATAL_ERROR "a plugin threw; the log says: ${log}")
endif()
message(STATUS "the toy ran ${PLUGINS} and ended cleanly")
