#include "tools/kvdpack/LibraryCheck.h"

#include <algorithm>
#include <cctype>

#include "support/DecimalText.h"
#include "support/FileNames.h"

namespace {

const char* const kNewDeclaration = "extern \"C\" __declspec(dllexport) CToyPlugin* New();";
const char* const kHeaderLabels[] = {"", "name", "type", "version", "release date", "details", "active by default"};
constexpr std::uint32_t kOwnerCount = 1000;

bool IsMangledNew(const std::string& name)
{
    std::string::size_type scoped = name.find("3NewE");
    return name.rfind("_Z3New", 0) == 0 || (name.rfind("_ZN", 0) == 0 && scoped != std::string::npos &&
                                            !std::isdigit(static_cast<unsigned char>(name[scoped - 1])));
}

std::string NewProblem(const std::vector<std::string>& exports)
{
    if (std::find(exports.begin(), exports.end(), "New") != exports.end()) {
        return "";
    }
    std::string mangled = MangledNew(exports);
    if (!mangled.empty()) {
        return "it exports New only under its C++ name " + mangled + ": declare it " + kNewDeclaration;
    }
    return std::string("it does not export New: define ") + kNewDeclaration;
}

// The header strings 1 to 6 that are missing, in one line.
std::string HeaderProblem(const PeImage& image)
{
    std::vector<std::string> missing;
    for (std::uint32_t id = 1; id <= 6; ++id) {
        if (image.strings.count(id) == 0) {
            missing.push_back(std::to_string(id) + " (" + kHeaderLabels[id] + ")");
        }
    }
    if (missing.empty()) {
        return "";
    }
    if (missing.size() == 1) {
        return "string " + missing[0] + " of its header is missing or empty: add it to the STRINGTABLE of its .rc file";
    }
    return "strings " + JoinBetween(missing, ", ") +
           " of its header are missing or empty: add them to the STRINGTABLE of its .rc file";
}

std::string OwnerListProblem(const PeImage& image)
{
    const char* fix = ": give the number of owners in string 1000 and their names from string 1001 on (the toy "
                      "PillowmoorToy, or the plugins it runs under)";
    auto count = image.strings.find(kOwnerCount);
    if (count == image.strings.end()) {
        return std::string("it has no owner list (string 1000 is missing)") + fix;
    }
    if (ParseDecimalInt(count->second) <= 0) {
        return "its owner count (string 1000) is \"" + count->second + "\", so it runs under no owner" + fix;
    }
    if (image.strings.count(kOwnerCount + 1) == 0) {
        return std::string("its owner list names nobody (string 1001 is missing)") + fix;
    }
    return "";
}

} // namespace

std::string MangledNew(const std::vector<std::string>& exports)
{
    auto mangled = std::find_if(exports.begin(), exports.end(), IsMangledNew);
    return mangled == exports.end() ? std::string() : *mangled;
}

std::vector<std::string> PluginLibraryProblems(const PeImage& image, std::uint16_t machine)
{
    if (!image.problem.empty()) {
        return {"it is not a library the toy can load: " + image.problem};
    }
    std::vector<std::string> problems;
    if (image.machine != machine) {
        problems.push_back("it is built for " + PeMachineName(image.machine) + ", the toy is " +
                           PeMachineName(machine) + ": build it with the SDK and toolchain file of the " +
                           PeMachineName(machine) + " toy");
    }
    if (!image.isDll) {
        problems.push_back("it is a program, not a DLL: build it as a MODULE library (wimbleset_add_plugin)");
    }
    if (std::string problem = NewProblem(image.exports); !problem.empty()) {
        problems.push_back(problem);
    }
    if (std::string problem = HeaderProblem(image); !problem.empty()) {
        problems.push_back(problem);
    }
    if (std::string problem = OwnerListProblem(image); !problem.empty()) {
        problems.push_back(problem);
    }
    return problems;
}
