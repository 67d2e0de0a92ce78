#include "toys/Pillow/PluginsFolder.h"

#include <commdlg.h>
#include <shellapi.h>

#include <string>

#include "app/ToyApp.h"
#include "plugins/ToyPlugin.h"
#include "support/ErrorText.h"
#include "support/FileSystem.h"
#include "support/Win32Handles.h"
#include "toys/Pillow/ToyMenu.h"

namespace {

const char* kPluginsFolder = "Plugins\\";

std::string ProgramFolder()
{
    std::string path(32768, '\0');
    path.resize(GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of('\\') + 1);
}

} // namespace

bool ChangesWaitForStart(const CToyApp& app)
{
    for (CToyPlugin* plugin : ToyTree(app)) {
        if (StoredActive(*plugin) != (plugin->active != 0)) {
            return true;
        }
    }
    return false;
}

bool AddPluginPackage(HWND owner)
{
    char chosen[32768] = "";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "Plugin packages (*.kvd)\0*.kvd\0";
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = sizeof chosen;
    dialog.lpstrTitle = "Add plugin";
    // The toy's paths are relative to its current folder, which the dialog
    // must leave as it is.
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&dialog)) {
        return false;
    }
    std::string name = chosen + dialog.nFileOffset;
    CreateDirectoryA(kPluginsFolder, nullptr);
    if (!CopyFileA(chosen, (kPluginsFolder + name).c_str(), FALSE)) {
        std::string text = name + " could not be copied into Plugins\\: " + LastErrorText() + ".";
        MessageBoxA(owner, text.c_str(), "Add plugin", MB_OK | MB_ICONWARNING);
        return false;
    }
    std::string text = name + " is in Plugins\\ and is installed at the next start.\n\nRestart the toy now?";
    if (MessageBoxA(owner, text.c_str(), "Add plugin", MB_YESNO | MB_ICONQUESTION) == IDYES) {
        RestartToy(owner);
    }
    return true;
}

void OpenPluginsFolder(HWND owner)
{
    CreateDirectoryA(kPluginsFolder, nullptr);
    std::string folder = GetCurrentFolder() + kPluginsFolder;
    auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(owner, "open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        std::string text = "The plugins folder " + folder + " could not be opened.";
        MessageBoxA(owner, text.c_str(), "Open plugins folder", MB_OK | MB_ICONWARNING);
    }
}

void RestartToy(HWND owner)
{
    std::string command = "\"" + ProgramFolder() + "EndRunningToy.exe\" restart";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        std::string text = "The toy could not be restarted: " + LastErrorText() + ". Exit it and start it again.";
        MessageBoxA(owner, text.c_str(), "Restart now", MB_OK | MB_ICONWARNING);
        return;
    }
    KernelHandle thread(started.hThread);
    KernelHandle process(started.hProcess);
}
