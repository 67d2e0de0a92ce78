#include "tools/kvpinfo/LibraryScan.h"

#include <algorithm>
#include <sstream>

#include "errors/ToyError.h"
#include "plugins/CrashNote.h"
#include "support/FileSystem.h"
#include "support/PeImage.h"
#include "support/Resources.h"
#include "support/Win32Handles.h"
#include "tools/kvdpack/LibraryCheck.h"

namespace {

#ifdef _WIN64
constexpr std::uint16_t kHostMachine = PeMachineAmd64;
#else
constexpr std::uint16_t kHostMachine = PeMachineI386;
#endif

std::string WindowsFolder(UINT(WINAPI* query)(LPSTR, UINT))
{
    char buffer[MAX_PATH];
    UINT length = query(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

std::string PathVariable()
{
    DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (size == 0) {
        return "";
    }
    std::string value(size, '\0');
    DWORD length = GetEnvironmentVariableA("PATH", value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && SameNameIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool ListsNameIgnoringCase(const std::vector<std::string>& names, const std::string& name)
{
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& other) { return SameNameIgnoringCase(other, name); });
}

void ReadHeader(HMODULE module, LibraryFacts& facts)
{
    for (UINT id = 1; id < facts.header.size(); ++id) {
        std::string text;
        if (LoadResourceString(module, id, ResourceBufferSize, text)) {
            facts.header[id] = text;
        }
    }
    facts.owners = ReadOwnerList(module);
    facts.identity = ReadModuleIdentity(module);
    facts.firstMissingCopied = FirstMissingHeaderString(module);
}

std::string OtherFileHint(const std::string& folder, const std::string& file, const DependencySearch& search)
{
    if (file.size() < 4 || !SameNameIgnoringCase(file.substr(file.size() - 4), ".dll")) {
        return "neither a plugin library (*.kvp) nor a package (*.kvd)";
    }
    LibraryFacts facts = InspectLibrary(folder, file, search);
    if (facts.exportsNew || !facts.mangledNew.empty()) {
        return "a plugin library? The host loads only *.kvp: name it " + ReplaceExtension(file, LIBRARY_EXTENSION);
    }
    return "a DLL a plugin imports? The loader does not look in the plugins folder: put it beside the host";
}

} // namespace

DependencySearch::DependencySearch(const std::string& hostFolder, const std::string& currentFolder)
{
    std::string windows = WindowsFolder(GetWindowsDirectoryA);
    for (const std::string& folder :
         {WindowsFolder(GetSystemDirectoryA), windows.empty() ? "" : windows + "\\System", windows}) {
        if (!folder.empty()) {
            systemFolders_.push_back(AsFolderPath(folder));
        }
    }
    folders_ = {hostFolder};
    folders_.insert(folders_.end(), systemFolders_.begin(), systemFolders_.end());
    folders_.push_back(currentFolder);
    std::istringstream path(PathVariable());
    for (std::string entry; std::getline(path, entry, ';');) {
        folders_.push_back(entry);
    }
    // Each folder once, in its first place: the loader gains nothing from
    // looking twice.
    std::vector<std::string> unique;
    for (const std::string& folder : folders_) {
        std::string path = AsFolderPath(folder);
        if (!path.empty() && !ListsNameIgnoringCase(unique, path)) {
            unique.push_back(path);
        }
    }
    folders_ = std::move(unique);
}

std::string DependencySearch::Locate(const std::string& dllName) const
{
    for (const std::string& folder : folders_) {
        DWORD attributes = GetFileAttributesA((folder + dllName).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return folder + dllName;
        }
    }
    return "";
}

const std::vector<std::string>& DependencySearch::ImportsOf(const std::string& path) const
{
    auto found = imports_.find(path);
    if (found == imports_.end()) {
        found = imports_.emplace(path, ReadPeImageFile(path).imports).first;
    }
    return found->second;
}

std::vector<std::string> DependencySearch::MissingDependencies(const std::vector<std::string>& imports) const
{
    std::vector<std::string> missing;
    // Each DLL is looked at once, so DLLs that import each other end.
    std::vector<std::string> seen;
    std::vector<std::pair<std::string, std::string>> pending; // name, the DLL that needs it
    for (const std::string& name : imports) {
        pending.emplace_back(name, "");
    }
    for (std::size_t i = 0; i < pending.size(); ++i) {
        auto [name, neededBy] = pending[i];
        bool apiSet = StartsWithIgnoringCase(name, "api-ms-") || StartsWithIgnoringCase(name, "ext-ms-");
        if (apiSet || ListsNameIgnoringCase(seen, name)) {
            continue;
        }
        seen.push_back(name);
        std::string path = Locate(name);
        if (path.empty()) {
            missing.push_back(neededBy.empty() ? name : name + " (through " + neededBy + ")");
            continue;
        }
        bool systemDll = std::any_of(systemFolders_.begin(), systemFolders_.end(),
                                     [&](const std::string& folder) { return StartsWithIgnoringCase(path, folder); });
        if (!systemDll) {
            for (const std::string& next : ImportsOf(path)) {
                pending.emplace_back(next, name);
            }
        }
    }
    return missing;
}

std::string LibraryFacts::LoadProblem() const
{
    if (!leftOut.empty()) {
        return leftOut;
    }
    if (!peProblem.empty()) {
        return peProblem;
    }
    if (!hostArchitecture) {
        return "built for " + machine + ", the host is " + PeMachineName(kHostMachine);
    }
    if (!missingImports.empty()) {
        return "needs " + JoinBetween(missingImports, ", ") + ", which the loader will not find";
    }
    if (!exportsNew) {
        return mangledNew.empty() ? "does not export New"
                                  : "does not export New, only " + mangledNew +
                                        ", the C++ name of a New declared without extern \"C\"";
    }
    return "";
}

HMODULE OpenLibraryAsData(const std::string& path)
{
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

LibraryFacts InspectLibrary(const std::string& folder, const std::string& file, const DependencySearch& search)
{
    LibraryFacts facts;
    facts.file = file;
    PeImage image = ReadPeImageFile(folder + file);
    facts.peProblem = image.problem;
    facts.machine = PeMachineName(image.machine);
    facts.hostArchitecture = image.machine == kHostMachine;
    facts.exportsNew = std::find(image.exports.begin(), image.exports.end(), "New") != image.exports.end();
    facts.mangledNew = facts.exportsNew ? "" : MangledNew(image.exports);
    facts.missingImports = search.MissingDependencies(image.imports);
    ModuleHandle module(OpenLibraryAsData(folder + file));
    if (module) {
        ReadHeader(module.Get(), facts);
    }
    CrashNote note;
    if (ReadCrashNote(folder + file, note) && NoteStillHolds(folder + file, note)) {
        facts.leftOut = "left out after a crash (" + note.text + "); replace it or delete " + file + CRASH_NOTE_SUFFIX +
                        " to try it again";
    }
    return facts;
}

std::vector<LibraryFacts> ScanLibraries(const std::string& folder, const DependencySearch& search)
{
    std::vector<LibraryFacts> libraries;
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*." + LIBRARY_EXTENSION)) {
        libraries.push_back(InspectLibrary(folder, entry.cFileName, search));
    }
    return libraries;
}

std::vector<OtherFile> ScanOtherFiles(const std::string& folder, const DependencySearch& search)
{
    // Each kind found by the pattern the host searches with, so that a name
    // the host's search finds is never listed here.
    std::vector<std::string> known;
    for (const std::string& pattern : {"*." + LIBRARY_EXTENSION, "*." + PACKAGE_EXTENSION, "*." + BackupExtension,
                                       "*" + std::string(FailedPackageSuffix), "*" + std::string(CRASH_NOTE_SUFFIX)}) {
        for (const WIN32_FIND_DATAA& entry : FindFiles(folder, pattern)) {
            known.push_back(entry.cFileName);
        }
    }
    std::vector<OtherFile> others;
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*")) {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            std::find(known.begin(), known.end(), entry.cFileName) == known.end()) {
            others.push_back({entry.cFileName, OtherFileHint(folder, entry.cFileName, search)});
        }
    }
    return others;
}
