// CToyApp: the application object. Plugins hold it as a pointer and read its
// fields, so the order of the virtual operations and of the fields is part of
// the plugin interface: keep both exactly as they are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugins/ToyPlugin.h"
#include "support/Win32.h"
#include "support/Win32Handles.h"

class CToyApp {
public:
    CToyApp();

    // Called once by Startup after the run is registered; false stops start-up.
    virtual bool StartupHook();
    // Never called by the host; left to plugins.
    virtual bool SpareHook();
    // Shows one error report in a box titled "Error"; always true.
    virtual bool ShowError(std::string location, std::int32_t locationId, std::string errorText, std::int32_t errorCode,
                           std::string action);
    // Appends one error report to logFilePath, or to logFile when that is
    // empty; false when there is no file or the entry cannot be written.
    virtual bool LogError(std::string location, std::int32_t locationId, std::string errorText, std::int32_t errorCode,
                          std::string action, std::string logFilePath);

    // Reads the identity, prepares the log, counts the run; true when at least
    // one plugin is loaded. A CKVErr from plugin code passes through.
    bool Startup(HINSTANCE instanceHandle);

    // Releases, destroys and unloads every plugin in load order and leaves
    // plugins empty. Safe to run again, also after a failure interrupted it:
    // the plugin whose Release threw is then destroyed and unloaded without
    // a second Release.
    void Shutdown();

    // Counts this run in Executes under registryKey and, on the first run,
    // copies the identity from instance's string table there.
    bool RegisterRun();

    std::int32_t runCount;
    HINSTANCE instance;
    std::string toyName;
    std::string registryKey;
    std::string logFile;
    std::vector<CToyPlugin*> plugins;

private:
    // Host-only state after the shared fields: the plugin whose Release is
    // under way, so that the Shutdown after a failure does not call it again.
    CToyPlugin* releasing = nullptr;
    // Keeps this run's log file from being deleted by another start.
    FileHandle logKept;
    // Plugin libraries that crashed a run, held open without sharing so that
    // no pass of any framework loads them in this one.
    std::vector<FileHandle> leftOut;

    // Leaves out the libraries whose crash notes still hold, and logs each.
    void LeaveOutCrashedPlugins();
};
