#include "toys/Pillow/AbsentPlugins.h"

#include <sstream>

#include "app/ToyApp.h"
#include "errors/ToyError.h"
#include "plugins/InstallRules.h"
#include "tools/kvpinfo/FolderView.h"
#include "tools/kvpinfo/Kvpinfo.h"

namespace {

std::string ModulePath(HMODULE module)
{
    std::string path(32768, '\0');
    path.resize(GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

// A long line is cut after its last whole word that fits, or, without one,
// where a character starts, so that no UTF-8 sequence is left broken.
std::string Line(const std::string& file, const std::string& reason)
{
    std::string line = file + " - " + reason;
    if (line.size() <= AbsentLineLength) {
        return line;
    }
    std::size_t cut = line.rfind(' ', AbsentLineLength - 3);
    if (cut == std::string::npos) {
        cut = AbsentLineLength - 3;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
            --cut;
        }
    }
    return line.substr(0, cut) + "...";
}

// Why an earlier start set the package aside: the pass's verdict on it now,
// without what it did with the file, when that verdict is a refusal.
std::string WhySetAside(const FolderReport& report, const std::string& file)
{
    DependencySearch search(report.hostFolder, ContainingFolder(report.folder));
    PackageForecast forecast = ForecastPackage(report.folder, report.folder + file, search);
    if (forecast.action != "reject name" && forecast.action != "set aside") {
        return "set aside by an earlier start";
    }
    return "set aside: " + forecast.detail.substr(0, forecast.detail.find(';'));
}

} // namespace

std::vector<std::string> AbsentPluginLines(const CToyApp& app)
{
    FolderReport report;
    std::ostringstream ignored;
    if (!MakeFolderReport("", ModulePath(app.instance), app.toyName, report, ignored)) {
        return {};
    }
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < report.libraries.size(); ++i) {
        std::string why = WhyNowhere(report.tree, report.libraries, i);
        if (!why.empty()) {
            lines.push_back(Line(report.libraries[i].file, why));
        }
    }
    for (const PackageForecast& package : report.packages) {
        if (!package.loadsNextStart) {
            lines.push_back(
                Line(package.file, package.used ? package.nextStart : package.action + ": " + package.detail));
        }
    }
    for (const FolderEntry& entry : ListFolder(report.folder, "*." + PACKAGE_EXTENSION + FailedPackageSuffix)) {
        if (!entry.folder) {
            lines.push_back(Line(entry.name, WhySetAside(report, entry.name)));
        }
    }
    return lines;
}
