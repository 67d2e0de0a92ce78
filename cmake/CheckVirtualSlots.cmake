# cmake -DDUMP=<file> -P CheckVirtualSlots.cmake
# Fails the build when the virtual tables that plugins call through, as the
# compiler laid them out (its -fdump-lang-class output of
# plugins/PluginLayout.cpp), differ from the order built plugins rely on.
file(READ "${DUMP}" dump)

function(check_slots class expected)
    string(REGEX MATCH "Vtable for ${class}\n[^\n]*\n([^\n]+\n)+" table "${dump}")
    string(REGEX MATCHALL "\\)\\)${class}::[~A-Za-z0-9]+" slots "${table}")
    string(REPLACE "))${class}::" "" slots "${slots}")
    if(NOT slots STREQUAL expected)
        message(FATAL_ERROR "The virtual slots of ${class} are\n  ${slots}\nbut built plugins expect\n  ${expected}")
    endif()
endfunction()

check_slots(CToyPlugin "~CToyPlugin;~CToyPlugin;Initialise;AcceptsOwner;InitialiseHook;ReleaseHook;Release;SpareHook1;SpareHook2;SpareHook3;SpareHook4;CollectPlugins")
check_slots(CToyApp "StartupHook;SpareHook;ShowError;LogError")
