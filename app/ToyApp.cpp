#include "app/ToyApp.h"

#include "errors/ErrorLog.h"
#include "errors/ToyError.h"
#include "plugins/CrashNote.h"
#include "plugins/PluginHeader.h"
#include "plugins/ToyPlugin.h"
#include "support/FileSystem.h"
#include "support/Library.h"
#include "support/Registry.h"
#include "support/Resources.h"

CToyApp::CToyApp() : runCount(0), instance(nullptr) {}

bool CToyApp::StartupHook()
{
    return true;
}

bool CToyApp::SpareHook()
{
    return true;
}

bool CToyApp::ShowError(std::string location, std::int32_t locationId, std::string errorText, std::int32_t errorCode,
                        std::string action)
{
    ShowErrorBox({location, locationId, errorText, errorCode, action});
    return true;
}

bool CToyApp::LogError(std::string location, std::int32_t locationId, std::string errorText, std::int32_t errorCode,
                       std::string action, std::string logFilePath)
{
    const std::string& path = logFilePath.empty() ? logFile : logFilePath;
    if (path.empty()) {
        return false;
    }
    return AppendLogEntry(path, {location, locationId, errorText, errorCode, action});
}

bool CToyApp::Startup(HINSTANCE instanceHandle)
{
    CToyPlugin loader;
    instance = instanceHandle;
    if (!LoadResourceString(instance, HEADER_NAME, ResourceBufferSize, toyName)) {
        return false;
    }
    registryKey = REGISTRY_ROOT + toyName;

    logFile = GetCurrentFolder() + LOGS_FOLDER;
    logKept = PrepareLogFile(logFile, logFile);
    if (!logKept) {
        logFile.clear();
    }

    if (!RegisterRun()) {
        return false;
    }
    if (!StartupHook()) {
        return false;
    }
    // The list of installed packages is the pass's report; start-up has no use for it.
    loader.InstallPackages();
    LeaveOutCrashedPlugins();
    // Every pass over the folder loads every library again, and a refused one
    // is unloaded at once; holding them all while the tree is built has the
    // loader map each file once, whatever framework a plugin's own passes run.
    // What no plugin keeps is unloaded as start-up ends. A record thrown out of
    // LoadPlugins is the host's own copy, so the hold may go as it passes.
    std::vector<ModuleHandle> held = HoldLibraries(GetCurrentFolder() + PLUGINS_FOLDER, "*." + LIBRARY_EXTENSION);
    plugins = loader.LoadPlugins(this, nullptr);
    return !plugins.empty();
}

void CToyApp::Shutdown()
{
    while (!plugins.empty()) {
        CToyPlugin* plugin = plugins.front();
        HMODULE module = plugin->module;
        // A plugin whose Release a failure interrupted is not released again:
        // another copy of the framework may have left destroyed children of
        // unloaded libraries in its children, or run a throwing hook again.
        // It is destroyed and unloaded; what its Release had not reached
        // stays loaded until the process ends.
        if (plugin != releasing) {
            releasing = plugin;
            plugin->Release(nullptr);
        }
        plugins.erase(plugins.begin());
        delete plugin;
        // Not reached when the destructor throws: the record's code may live
        // in the library.
        FreeLibrary(module);
    }
    releasing = nullptr;
}

void CToyApp::LeaveOutCrashedPlugins()
{
    for (LeftOutLibrary& library : LeaveOutCrashedLibraries(GetCurrentFolder() + PLUGINS_FOLDER)) {
        std::string note = library.fileName + CRASH_NOTE_SUFFIX;
        LogError("Toy", 0, library.note.text, library.note.code,
                 "Left out as it crashed the toy: replace it or delete Plugins\\" + note + " to try it again", "");
        leftOut.push_back(std::move(library.held));
    }
}

bool CToyApp::RegisterRun()
{
    if (!CountRun(registryKey, runCount)) {
        return false;
    }
    return runCount != 1 || CopyHeaderToRegistry(instance, registryKey);
}
