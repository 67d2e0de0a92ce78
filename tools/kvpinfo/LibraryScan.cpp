#include "tools/kvpinfo/LibraryScan.h"

#include <algorithm>

#include "errors/ToyError.h"
#include "plugins/CrashNoteRecord.h"
#include "support/FileNames.h"
#include "support/PeImage.h"
#include "tools/kvdpack/LibraryCheck.h"
#include "tools/kvpinfo/FolderView.h"

namespace {

// The toy's architecture: kvpinfo.exe's own on Windows; elsewhere the SDK's.
#if defined(KVPINFO_MACHINE)
constexpr std::uint16_t kHostMachine = KVPINFO_MACHINE;
#elif defined(_WIN32) && !defined(_WIN64)
constexpr std::uint16_t kHostMachine = PeMachineI386;
#else
constexpr std::uint16_t kHostMachine = PeMachineAmd64;
#endif

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && SameNameIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool ListsNameIgnoringCase(const std::vector<std::string>& names, const std::string& name)
{
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& other) { return SameNameIgnoringCase(other, name); });
}

void ReadHeader(const HeaderLookup& lookup, LibraryFacts& facts)
{
    for (std::uint32_t id = 1; id < facts.header.size(); ++id) {
        facts.header[id] = lookup(id);
    }
    facts.owners = ReadOwnerList(lookup);
    facts.identity = ReadIdentity(lookup);
    facts.firstMissingCopied = FirstMissingHeaderString(lookup);
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
    SystemSearch system = SystemSearchFolders();
    systemFolders_ = system.systemFolders;
    unseen_ = system.unseen;
    folders_ = {hostFolder};
    folders_.insert(folders_.end(), systemFolders_.begin(), systemFolders_.end());
    folders_.push_back(currentFolder);
    folders_.insert(folders_.end(), system.pathFolders.begin(), system.pathFolders.end());
    // Each folder once, in its first place: the loader gains nothing from
    // looking twice.
    std::vector<std::string> unique;
    for (const std::string& folder : folders_) {
        std::string path = AsFolder(folder);
        if (!path.empty() && !ListsNameIgnoringCase(unique, path)) {
            unique.push_back(path);
        }
    }
    folders_ = std::move(unique);
}

std::string DependencySearch::Locate(const std::string& dllName) const
{
    for (const std::string& folder : folders_) {
        if (StandingAt(folder + dllName) == Standing::File) {
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
        if (path.empty() && IsWindowsOwnDll(name)) {
            continue;
        }
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
    if (std::optional<HeaderLookup> header = ReadLibraryHeader(folder + file)) {
        ReadHeader(*header, facts);
    }
    CrashNote note;
    std::uint64_t size = 0;
    std::uint64_t written = 0;
    if (ReadCrashNote(folder + file, note) && FileStamp(folder + file, size, written) &&
        NoteMatches(note, size, written)) {
        facts.leftOut = "left out after a crash (" + note.text + "); replace it or delete " + file + CRASH_NOTE_SUFFIX +
                        " to try it again";
    }
    return facts;
}

std::vector<LibraryFacts> ScanLibraries(const std::string& folder, const DependencySearch& search)
{
    std::vector<LibraryFacts> libraries;
    for (const FolderEntry& entry : ListFolder(folder, "*." + LIBRARY_EXTENSION)) {
        libraries.push_back(InspectLibrary(folder, entry.name, search));
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
        for (const FolderEntry& entry : ListFolder(folder, pattern)) {
            known.push_back(entry.name);
        }
    }
    std::vector<OtherFile> others;
    for (const FolderEntry& entry : ListFolder(folder, "*")) {
        if (!entry.folder && std::find(known.begin(), known.end(), entry.name) == known.end()) {
            others.push_back({entry.name, OtherFileHint(folder, entry.name, search)});
        }
    }
    return others;
}
