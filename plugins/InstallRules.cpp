#include "plugins/InstallRules.h"

#include "errors/ToyError.h"
#include "support/FileNames.h"
#include "support/Package.h"
#include "support/StdioFile.h"

namespace {

bool EndsWithIgnoringCase(const std::string& name, const std::string& suffix)
{
    return name.size() >= suffix.size() && SameNameIgnoringCase(name.substr(name.size() - suffix.size()), suffix);
}

} // namespace

bool IsInstallableName(const std::string& folder, const std::string& storedName)
{
    // A path of MAX_PATH characters or more cannot be opened by the A functions.
    return IsSafeFileName(storedName) && !EndsWithIgnoringCase(storedName, "." + BackupExtension) &&
           !EndsWithIgnoringCase(storedName, "." + PACKAGE_EXTENSION) &&
           folder.size() + storedName.size() < WindowsMaxPath;
}

PackageRoute RoutePackage(const std::string& folder, const std::string& storedName, Standing there)
{
    if (!IsInstallableName(folder, storedName) || there == Standing::Folder) {
        return PackageRoute::RefuseName;
    }
    return there == Standing::Nothing ? PackageRoute::Install : PackageRoute::Replace;
}

PackageOutcome JudgeUnpack(bool unpacked, const std::optional<LibraryIdentity>& installed,
                           const LibraryIdentity& candidate)
{
    if (!installed) {
        return unpacked ? PackageOutcome::Installed : PackageOutcome::SetAside;
    }
    if (!unpacked) {
        return PackageOutcome::NotUnpacked;
    }
    if (!candidate.complete) {
        return PackageOutcome::Incomplete;
    }
    if (candidate.releaseDate != installed->releaseDate) {
        return candidate.releaseDate < installed->releaseDate ? PackageOutcome::Older : PackageOutcome::Replaced;
    }
    return candidate.version < installed->version ? PackageOutcome::Older : PackageOutcome::Replaced;
}

bool SetsPackageAside(PackageOutcome outcome)
{
    return outcome == PackageOutcome::SetAside || outcome == PackageOutcome::NotUnpacked ||
           outcome == PackageOutcome::Incomplete;
}

std::string ReadInstallJournal(const std::string& folder)
{
    StdioFile journal = StdioFile::Open((folder + InstallJournalFile).c_str(), "rb");
    char text[WindowsMaxPath + 1];
    std::size_t read = journal ? std::fread(text, 1, sizeof text, journal.Get()) : 0;
    if (read < 2 || text[read - 1] != '\n') {
        return std::string();
    }
    std::string name(text, read - 1);
    return IsInstallableName(folder, name) ? name : std::string();
}

LeftoverFate FateOfLeftover(const std::string& name, const std::string& journalName)
{
    if (SameNameIgnoringCase(name, InstallBackupFile)) {
        return journalName.empty() ? LeftoverFate::Delete : LeftoverFate::Restore;
    }
    if (IsPackageWorkingFile(name)) {
        return LeftoverFate::Delete;
    }
    bool own = SameNameIgnoringCase(name, InstallJournalFile) || SameNameIgnoringCase(name, InstallLockFile);
    return own ? LeftoverFate::Own : LeftoverFate::Keep;
}
