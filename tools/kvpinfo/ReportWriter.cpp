#include "tools/kvpinfo/ReportWriter.h"

#include <cmath>
#include <cstdio>

#include "support/DecimalText.h"
#include "support/FileNames.h"

namespace {

const char* const kHeaderLabels[] = {"", "name", "type", "version", "releaseDate", "details", "active"};

// A version beyond the range of a double has no JSON number.
std::string JsonNumber(double value)
{
    return std::isfinite(value) ? FormatDecimalDouble(value) : "null";
}

std::string OrMissing(const std::optional<std::string>& text)
{
    return text ? *text : "(missing)";
}

void WriteLibraryText(const FolderReport& report, std::size_t index, std::ostream& out)
{
    const LibraryFacts& library = report.libraries[index];
    out << library.file << "\n";
    if (!library.peProblem.empty()) {
        out << "  library:  " << library.peProblem << "\n";
    } else {
        out << "  library:  PE for " << library.machine
            << (library.hostArchitecture ? " (this host)" : " (not this host)") << ", "
            << (library.exportsNew ? "exports New" : "does not export New") << "\n";
        out << "  imports:  "
            << (library.missingImports.empty() ? "all found"
                                               : "not found: " + JoinBetween(library.missingImports, ", "))
            << "\n";
    }
    out << "  header:  ";
    for (std::size_t id = 1; id < library.header.size(); ++id) {
        out << " " << id << "=" << OrMissing(library.header[id]);
    }
    out << "\n  owners:   count " << (library.owners.hasCount ? FormatDecimal(library.owners.count) : "(missing)")
        << ", names " << (library.owners.names.empty() ? "(none)" : JoinBetween(library.owners.names, ", ")) << "\n";
    out << "  compared: release date " << library.identity.releaseDate << ", version "
        << FormatDecimalDouble(library.identity.version)
        << (library.identity.complete ? "" : " (string 3 or 4 missing)") << "\n";
    if (report.withRegistry) {
        const RegistryMirror& mirror = report.registry[index];
        out << "  registry: Active " << OrMissing(mirror.active) << ", Executes " << OrMissing(mirror.executes) << "\n";
    }
    for (const std::string& hint : report.tree.ownerHints[index]) {
        out << "  hint:     " << hint << "\n";
    }
    std::string nowhere = WhyNowhere(report.tree, report.libraries, index);
    if (nowhere.empty()) {
        out << "  places:   " << report.tree.places[index] << "\n";
    } else {
        out << "  loads nowhere: " << nowhere << "\n";
    }
}

// One line on the library a package holds: its name, machine and New.
std::string Holding(const LibraryFacts& library)
{
    if (!library.peProblem.empty()) {
        return library.peProblem;
    }
    return OrMissing(library.header[HEADER_NAME]) + ", PE for " + library.machine +
           (library.hostArchitecture ? " (this host)" : " (not this host)") + ", " +
           (library.exportsNew ? "exports New" : "does not export New");
}

void WriteTreeText(const FolderReport& report, const std::vector<std::unique_ptr<PredictedPlugin>>& plugins, int depth,
                   std::ostream& out)
{
    for (const auto& plugin : plugins) {
        out << std::string(2 * depth, ' ') << plugin->name << " [" << report.libraries[plugin->library].file << "]\n";
        WriteTreeText(report, plugin->children, depth + 1, out);
    }
}

std::string Escape(const std::string& text)
{
    std::string escaped = "\"";
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            escaped += '\\';
            escaped += c;
        } else if (byte < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", byte);
            escaped += code;
        } else {
            escaped += c;
        }
    }
    return escaped + "\"";
}

std::string Escape(const std::optional<std::string>& text)
{
    return text ? Escape(*text) : "null";
}

std::string StringArray(const std::vector<std::string>& items)
{
    std::string array = "[";
    for (const std::string& item : items) {
        array += (array.size() > 1 ? "," : "") + Escape(item);
    }
    return array + "]";
}

void WriteLibraryJson(const FolderReport& report, std::size_t index, std::ostream& out)
{
    const LibraryFacts& library = report.libraries[index];
    out << "{\"file\":" << Escape(library.file) << ",\"peProblem\":" << Escape(library.peProblem)
        << ",\"machine\":" << Escape(library.machine) << ",\"hostArchitecture\":" << std::boolalpha
        << library.hostArchitecture << ",\"exportsNew\":" << library.exportsNew
        << ",\"missingImports\":" << StringArray(library.missingImports) << ",\"header\":{";
    for (std::size_t id = 1; id < library.header.size(); ++id) {
        out << (id > 1 ? "," : "") << "\"" << kHeaderLabels[id] << "\":" << Escape(library.header[id]);
    }
    out << "},\"ownerCount\":" << (library.owners.hasCount ? FormatDecimal(library.owners.count) : "null")
        << ",\"owners\":" << StringArray(library.owners.names)
        << ",\"comparedVersion\":" << JsonNumber(library.identity.version)
        << ",\"comparedReleaseDate\":" << library.identity.releaseDate;
    if (report.withRegistry) {
        out << ",\"registry\":{\"Active\":" << Escape(report.registry[index].active)
            << ",\"Executes\":" << Escape(report.registry[index].executes) << "}";
    }
    std::string nowhere = WhyNowhere(report.tree, report.libraries, index);
    out << ",\"ownerHints\":" << StringArray(report.tree.ownerHints[index])
        << ",\"places\":" << report.tree.places[index]
        << ",\"problem\":" << (nowhere.empty() ? "null" : Escape(nowhere)) << "}";
}

void WriteTreeJson(const FolderReport& report, const std::vector<std::unique_ptr<PredictedPlugin>>& plugins,
                   std::ostream& out)
{
    out << "[";
    for (std::size_t i = 0; i < plugins.size(); ++i) {
        out << (i > 0 ? "," : "") << "{\"name\":" << Escape(plugins[i]->name)
            << ",\"file\":" << Escape(report.libraries[plugins[i]->library].file) << ",\"children\":";
        WriteTreeJson(report, plugins[i]->children, out);
        out << "}";
    }
    out << "]";
}

} // namespace

void WriteTextReport(const FolderReport& report, std::ostream& out)
{
    out << "Plugins folder: " << report.folder << "\nToy: " << report.toyName
        << "\nDependencies searched in: " << JoinBetween(report.searchFolders, "; ")
        << (report.unseenFolders.empty() ? "" : "; " + report.unseenFolders) << "\n";
    if (!report.registryNote.empty()) {
        out << "Registry: " << report.registryNote << "\n";
    }
    out << "\n";
    out << "Libraries, in the order the host finds them:\n";
    for (std::size_t i = 0; i < report.libraries.size(); ++i) {
        WriteLibraryText(report, i, out);
    }
    out << "\nTree the host would build from these libraries:\n";
    WriteTreeText(report, report.tree.plugins, 1, out);
    if (report.tree.cutShort) {
        out << "  ... more than " << PredictionLimit << " plugins; the prediction stops here\n";
    }
    if (!report.tree.refusals.empty()) {
        out << "\nRefused where the owner list would let them in:\n";
        for (const Refusal& refusal : report.tree.refusals) {
            out << "  " << report.libraries[refusal.library].file << " under " << JoinBetween(refusal.path, " > ")
                << ": " << (refusal.ring ? "ring, " : "") << refusal.reason << "\n";
        }
    }
    out << "\nPackages at the next start:" << (report.packages.empty() ? " none" : "") << "\n";
    for (const PackageForecast& package : report.packages) {
        out << "  " << package.file << " (stored name " << (package.storedName.empty() ? "(none)" : package.storedName)
            << "): " << package.action << ", " << package.detail << "\n";
        if (package.content) {
            out << "    holds:    " << Holding(*package.content) << "\n";
        }
        if (package.used) {
            out << "    next start: " << package.nextStart << "\n";
        }
    }
    out << "Leftover files at the next start:" << (report.leftovers.empty() ? " none" : "") << "\n";
    for (const LeftoverForecast& leftover : report.leftovers) {
        out << "  " << leftover.file << ": " << leftover.action << ", " << leftover.detail << "\n";
    }
    out << "Other files, which the host ignores:" << (report.otherFiles.empty() ? " none" : "") << "\n";
    for (const OtherFile& other : report.otherFiles) {
        out << "  " << other.file << ": " << other.hint << "\n";
    }
    std::size_t nowhere = 0;
    for (std::size_t i = 0; i < report.libraries.size(); ++i) {
        nowhere += WhyNowhere(report.tree, report.libraries, i).empty() ? 0 : 1;
    }
    out << "\n" << nowhere << " of " << report.libraries.size() << " libraries would load nowhere.\n";
    if (!report.packages.empty()) {
        std::size_t unused = 0;
        for (const PackageForecast& package : report.packages) {
            unused += package.loadsNextStart ? 0 : 1;
        }
        out << unused << " of " << report.packages.size()
            << " packages would not be installed, or would install a library that loads nowhere.\n";
    }
}

void WriteJsonReport(const FolderReport& report, std::ostream& out)
{
    out << "{\"folder\":" << Escape(report.folder) << ",\"toy\":" << Escape(report.toyName)
        << ",\"searchFolders\":" << StringArray(report.searchFolders);
    // Only where kvpinfo cannot see the toy's Windows: what it judged without seeing.
    if (!report.unseenFolders.empty()) {
        out << ",\"unseenFolders\":" << Escape(report.unseenFolders);
    }
    if (!report.registryNote.empty()) {
        out << ",\"registryNote\":" << Escape(report.registryNote);
    }
    out << ",\"libraries\":[";
    for (std::size_t i = 0; i < report.libraries.size(); ++i) {
        out << (i > 0 ? "," : "");
        WriteLibraryJson(report, i, out);
    }
    out << "],\"tree\":";
    WriteTreeJson(report, report.tree.plugins, out);
    out << ",\"treeCutShort\":" << std::boolalpha << report.tree.cutShort << ",\"refusals\":[";
    for (std::size_t i = 0; i < report.tree.refusals.size(); ++i) {
        const Refusal& refusal = report.tree.refusals[i];
        out << (i > 0 ? "," : "") << "{\"file\":" << Escape(report.libraries[refusal.library].file)
            << ",\"path\":" << StringArray(refusal.path) << ",\"ring\":" << refusal.ring
            << ",\"reason\":" << Escape(refusal.reason) << "}";
    }
    out << "],\"packages\":[";
    for (std::size_t i = 0; i < report.packages.size(); ++i) {
        const PackageForecast& package = report.packages[i];
        out << (i > 0 ? "," : "") << "{\"file\":" << Escape(package.file)
            << ",\"storedName\":" << Escape(package.storedName) << ",\"action\":" << Escape(package.action)
            << ",\"detail\":" << Escape(package.detail)
            << ",\"holds\":" << (package.content ? Escape(Holding(*package.content)) : "null")
            << ",\"nextStart\":" << (package.used ? Escape(package.nextStart) : "null")
            << ",\"loadsNextStart\":" << package.loadsNextStart << "}";
    }
    out << "],\"leftovers\":[";
    for (std::size_t i = 0; i < report.leftovers.size(); ++i) {
        const LeftoverForecast& leftover = report.leftovers[i];
        out << (i > 0 ? "," : "") << "{\"file\":" << Escape(leftover.file) << ",\"action\":" << Escape(leftover.action)
            << ",\"detail\":" << Escape(leftover.detail) << "}";
    }
    out << "],\"otherFiles\":[";
    for (std::size_t i = 0; i < report.otherFiles.size(); ++i) {
        out << (i > 0 ? "," : "") << "{\"file\":" << Escape(report.otherFiles[i].file)
            << ",\"hint\":" << Escape(report.otherFiles[i].hint) << "}";
    }
    out << "],\"allPlaced\":" << report.AllPlaced() << "}\n";
}
