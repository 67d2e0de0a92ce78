// OpenPackage.exe: the program the installers register for plugin packages
// ("*.kvd"), started with the package's path. Shows what the package holds
// and what it would replace in the Plugins\ folder of the toy beside this
// program, read from the package without installing it. "Install" copies
// the package there and starts the toy again (or starts it), whose next start
// installs it; a package that start would not install, or whose plugin it
// would not load, is refused with the reason and Install disabled.
// Exit code 0 when the package was put in place, 1 when not.
#include <cstdlib>
#include <string>

#include "app/OpenPackage.h"
#include "app/PackageReview.h"
#include "app/RunningToy.h"
#include "errors/ToyError.h"
#include "plugins/PluginRules.h"
#include "support/ErrorText.h"
#include "support/FileNames.h"
#include "support/Win32Handles.h"
#include "tools/kvpinfo/FolderView.h"

namespace {

const char* const kTitle = "Plugin package - Pillowmoor Toy";

struct Opening {
    std::string packagePath;
    std::string pluginsFolder;
    std::string toy;
    PackageReview review;
};

std::string ToyName(const std::string& program)
{
    std::optional<HeaderLookup> header = ReadLibraryHeader(program);
    std::optional<std::string> name = header ? (*header)(HEADER_NAME) : std::nullopt;
    return name.value_or("");
}

std::string FactsText(const PackageReview& review)
{
    std::string text;
    for (const auto& [label, value] : DescribePackage(review)) {
        text += label + ":\t" + value + "\r\n";
    }
    return text;
}

std::string VerdictText(const Opening& opening)
{
    if (!opening.review.refusal.empty()) {
        return opening.review.refusal;
    }
    return "Install puts the package into " + opening.pluginsFolder +
           " and restarts the toy (or starts it), which installs the package as it starts.";
}

void Tell(HWND owner, const std::string& text)
{
    MessageBoxA(owner, text.c_str(), kTitle, MB_OK | MB_ICONWARNING);
}

// Copies the package into the plugins folder (unless it lies there already)
// and restarts the toy. False, having said why, when the package is not there.
bool PutInPlace(HWND dialog, const Opening& opening)
{
    std::string target = opening.pluginsFolder + opening.review.forecast.file;
    CreateDirectoryA(opening.pluginsFolder.c_str(), nullptr);
    if (!SameNameIgnoringCase(FullPath(opening.packagePath), FullPath(target)) &&
        !CopyFileA(opening.packagePath.c_str(), target.c_str(), FALSE)) {
        Tell(dialog, "The package could not be copied into " + opening.pluginsFolder + ": " + LastErrorText() + ".");
        return false;
    }
    if (!EndRunningToys(opening.toy)) {
        Tell(dialog, "The package is in " + opening.pluginsFolder +
                         ", but the running toy did not end. It installs the package at its next start.");
    } else if (!StartToy(opening.toy, OwnFolder())) {
        Tell(dialog, "The package is in " + opening.pluginsFolder + ", but the toy could not be started: " +
                         LastErrorText() + ". It installs the package at its next start.");
    }
    return true;
}

void Show(HWND dialog, const Opening& opening)
{
    HWND facts = GetDlgItem(dialog, IDC_FACTS);
    // Past the longest label.
    int tabStop = 56;
    SendMessageA(facts, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
    SetWindowTextA(facts, FactsText(opening.review).c_str());
    SetDlgItemTextA(dialog, IDC_VERDICT, VerdictText(opening).c_str());
    if (!opening.review.refusal.empty()) {
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        SendMessageA(dialog, DM_SETDEFID, IDCANCEL, 0);
    }
    // On the default button rather than in the list of facts.
    SetFocus(GetDlgItem(dialog, opening.review.refusal.empty() ? IDOK : IDCANCEL));
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        Show(dialog, *reinterpret_cast<const Opening*>(lParam));
        return FALSE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    const auto* opening = reinterpret_cast<const Opening*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (LOWORD(wParam)) {
    case IDOK:
        if (PutInPlace(dialog, *opening)) {
            EndDialog(dialog, 0);
        }
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 1);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    Opening opening;
    opening.toy = ToyBeside();
    std::string toyName = ToyName(opening.toy);
    if (__argc != 2 || toyName.empty()) {
        Tell(nullptr, toyName.empty() ? "There is no toy beside this program (" + opening.toy + ")."
                                      : "Open a plugin package (a .kvd file) with this program.");
        return 1;
    }
    opening.packagePath = FullPath(__argv[1]);
    opening.pluginsFolder = OwnFolder() + PLUGINS_FOLDER;
    // The toy runs in its own folder, where the loader looks for DLLs too.
    DependencySearch search(OwnFolder(), OwnFolder());
    opening.review = ReviewPackage(opening.packagePath, opening.pluginsFolder, toyName, search);
    return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PACKAGE), nullptr, DialogProc,
                                            reinterpret_cast<LPARAM>(&opening)));
}
