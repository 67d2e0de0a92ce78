# cmake -DHOST_DIR=... -DKVPTEST=... -DRUN_DIR=... -DPLUGINS=a.kvp;b.kvp -DHOST_SYSTEM=... [-DEMULATOR=wine]
#       -DSECONDS=n [-DCLOSE_AFTER=m] -P WimblesetRunToy.cmake
# Runs the toy on a scratch folder that holds just the given plugins (see
# wimbleset_add_plugin_test) through kvptest, and fails unless each plugin
# ran and the toy ended by itself, with exit code 0 and nothing in its log.
if(NOT HOST_SYSTEM STREQUAL "Windows" AND NOT EMULATOR)
    message(FATAL_ERROR "the toy is a Windows program and this machine runs ${HOST_SYSTEM}: configure the project "
                        "with -DCMAKE_CROSSCOMPILING_EMULATOR=wine (or the path of another Windows emulator)")
endif()
file(REMOVE_RECURSE ${RUN_DIR})
file(MAKE_DIRECTORY ${RUN_DIR}/Plugins)
file(GLOB runtime ${HOST_DIR}/PillowmoorToy.exe ${HOST_DIR}/*.dll)
if(NOT runtime MATCHES "PillowmoorToy.exe")
    message(FATAL_ERROR "no PillowmoorToy.exe in ${HOST_DIR}: set WIMBLESET_HOST_DIR to the toy's folder")
endif()
file(COPY ${runtime} DESTINATION ${RUN_DIR})
file(COPY ${PLUGINS} DESTINATION ${RUN_DIR}/Plugins)

set(libraries "")
foreach(plugin IN LISTS PLUGINS)
    get_filename_component(library ${plugin} NAME)
    list(APPEND libraries ${library})
endforeach()
# kvptest stops the toy itself after SECONDS; the time-out here only guards
# against an emulator that hangs.
math(EXPR guard "${SECONDS} + 60")
set(close "")
if(CLOSE_AFTER)
    set(close --close-after ${CLOSE_AFTER})
endif()
execute_process(COMMAND ${EMULATOR} ${KVPTEST} --seconds ${SECONDS} ${close} ${libraries} WORKING_DIRECTORY ${RUN_DIR}
                TIMEOUT ${guard} RESULT_VARIABLE status)
if(NOT status STREQUAL "0")
    message(FATAL_ERROR "the plugin test failed (kvptest: ${status}); ${RUN_DIR} holds the folder as the toy left it")
endif()
file(GLOB logs ${RUN_DIR}/Logs/*.log)
if(logs)
    file(READ ${logs} log)
    if(NOT log STREQUAL "")
        message(FATAL_ERROR "a plugin threw; the log says: ${log}")
    endif()
endif()
message(STATUS "the toy ran ${libraries} and ended cleanly")
