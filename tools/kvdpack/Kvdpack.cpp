#include "tools/kvdpack/Kvdpack.h"

#include "support/DecimalText.h"
#include "support/FileNames.h"
#include "support/Package.h"
#include "support/PeImage.h"
#include "support/StdioFile.h"
#include "tools/kvdpack/LibraryCheck.h"
#include "tools/kvdpack/PackageWriter.h"

namespace {

const char* const kUsage = "usage: kvdpack [--force] [--arch x86|x86-64] LIBRARY.kvp\n"
                           "       kvdpack --list PACKAGE.kvd\n"
                           "Packs a library the toy would load: a DLL for the toy's architecture (--arch, by\n"
                           "default the SDK's) that exports New and carries header strings 1 to 6 and an owner\n"
                           "list. --force packs one that is not, with the same messages as warnings.\n";

// The architecture checked when --arch names none: the SDK's, set where
// kvdpack is built from the SDK's sources, else that of kvdpack.exe itself.
// The native build of the toy's own source checks none unless asked.
#if defined(KVDPACK_MACHINE)
constexpr std::uint16_t kDefaultMachine = KVDPACK_MACHINE;
#elif defined(_WIN64)
constexpr std::uint16_t kDefaultMachine = PeMachineAmd64;
#elif defined(_WIN32)
constexpr std::uint16_t kDefaultMachine = PeMachineI386;
#else
constexpr std::uint16_t kDefaultMachine = 0;
#endif

struct PackOptions {
    std::string library;
    std::uint16_t machine = kDefaultMachine;
    bool force = false;
};

bool ParsePackOptions(const std::vector<std::string>& arguments, PackOptions& options)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--force") {
            options.force = true;
        } else if (argument == "--arch" && i + 1 < arguments.size() &&
                   (arguments[i + 1] == PeMachineName(PeMachineI386) ||
                    arguments[i + 1] == PeMachineName(PeMachineAmd64))) {
            options.machine = arguments[++i] == PeMachineName(PeMachineI386) ? PeMachineI386 : PeMachineAmd64;
        } else if (argument.rfind("-", 0) == 0 || !options.library.empty()) {
            return false;
        } else {
            options.library = argument;
        }
    }
    return !options.library.empty();
}

// Splits a path after its last separator of either kind.
void SplitPath(const std::string& path, std::string& folder, std::string& name)
{
    std::string::size_type slash = path.find_last_of("/\\");
    folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// The host finds an installed copy by the package's name with the extension
// "kvp", cut at the first dot: only NAME.kvp round-trips.
bool IsPackableName(const std::string& name, std::ostream& err)
{
    if (!IsSafeFileName(name)) {
        err << "kvdpack: '" << name << "' is not a name the host can install a library under\n";
        return false;
    }
    if (!SameNameIgnoringCase(ReplaceExtension(name, "kvp"), name)) {
        err << "kvdpack: '" << name << "' must be NAME.kvp, with one dot, for the host to find it again\n";
        return false;
    }
    if (name.size() >= PackageNameBlockSize) {
        err << "kvdpack: '" << name << "' is too long for the name block\n";
        return false;
    }
    return true;
}

// True when text, as people read it, is the number it reads as: blanks and
// "+" in front, and a fraction of zeros only ("1.0" is 1), change nothing;
// "1.10" (1.1), "1.2.3" (1.2) or "2026-12-07" (2026) do.
bool ReadsAsWritten(std::string text, const std::string& number)
{
    text.erase(0, text.find_first_not_of(" \t\n\v\f\r+"));
    std::string::size_type dot = text.find('.');
    if (dot != std::string::npos && text.find_first_not_of('0', dot + 1) == std::string::npos) {
        text.erase(dot);
    }
    return text == number;
}

// One string of the comparison: its number as the host reads it, and
// warnings when it is missing or reads as another number than it looks.
std::string ComparedString(const PeImage& image, std::uint32_t id, const std::string& label, std::ostream& err)
{
    auto found = image.strings.find(id);
    if (found == image.strings.end()) {
        err << "kvdpack: warning: string " << id << " (" << label << ") is missing or empty, so the host reads 0 and "
            << "never puts this package in place of an installed copy\n";
        return "0 (string " + std::to_string(id) + " missing)";
    }
    std::string number = id == 3 ? FormatDecimalDouble(ParseDecimalDouble(found->second))
                                 : FormatDecimal(ParseDecimalInt(found->second));
    if (!ReadsAsWritten(found->second, number)) {
        err << "kvdpack: warning: " << label << " \"" << found->second << "\" reads as the number " << number
            << (id == 3 ? ": versions compare as decimal numbers, not dotted parts (1.10 is lower than 1.9)" : "")
            << "\n";
    }
    return number + " (string " + std::to_string(id) + " \"" + found->second + "\")";
}

// How the host compares the library with an installed copy when it installs
// the package: release date first, then version, read by the host's readers.
void ShowComparison(const PeImage& image, std::ostream& out, std::ostream& err)
{
    if (!image.problem.empty()) {
        return;
    }
    std::string date = ComparedString(image, 4, "release date", err);
    std::string version = ComparedString(image, 3, "version", err);
    out << "compared: release date " << date << ", then version " << version << "\n";
}

bool CanReadFile(const std::string& path, std::string& error)
{
    if (!StdioFile::Open(path.c_str(), "rb")) {
        error = "cannot open " + path;
        return false;
    }
    return true;
}

// A library the toy would load nowhere is refused, each reason with its
// fix; forced, the reasons are warnings.
bool CheckLibrary(const std::string& name, const PeImage& image, const PackOptions& options, std::ostream& err)
{
    std::uint16_t machine = options.machine != 0 ? options.machine : image.machine;
    std::vector<std::string> problems = PluginLibraryProblems(image, machine);
    for (const std::string& problem : problems) {
        err << "kvdpack: " << (options.force ? "warning: " : "") << name << ": " << problem << "\n";
    }
    if (!problems.empty() && !options.force) {
        err << "kvdpack: " << name << " not packed: the toy would load it nowhere (--force packs it anyway)\n";
        return false;
    }
    return true;
}

int Pack(const PackOptions& options, std::ostream& out, std::ostream& err)
{
    std::string folder;
    std::string name;
    SplitPath(options.library, folder, name);
    if (!IsPackableName(name, err)) {
        return 1;
    }
    std::string packagePath = folder + ReplaceExtension(name, "kvd");
    std::string error;
    PeImage image = ReadPeImageFile(options.library);
    if (!CanReadFile(options.library, error) || !CheckLibrary(name, image, options, err) ||
        !WritePackage(options.library, packagePath, name, error)) {
        err << (error.empty() ? "" : "kvdpack: " + error + "\n");
        return 1;
    }
    out << "kvdpack: wrote " << packagePath << " holding " << name << "\n";
    ShowComparison(image, out, err);
    return 0;
}

int List(const std::string& packagePath, std::ostream& out, std::ostream& err)
{
    PackageListing listing;
    std::string error;
    if (!ListPackage(packagePath, listing, error)) {
        err << "kvdpack: " << error << "\n";
        return 1;
    }
    bool installable = listing.named && IsSafeFileName(listing.storedName);
    out << "name: " << (listing.named ? listing.storedName : "(none: the name block holds no zero byte)") << "\n";
    out << "payload: " << listing.payloadBytes << " bytes" << (listing.gzip ? " of gzip data" : ", not gzip") << "\n";
    out << "content: " << listing.contentBytes << " bytes\n";
    out << "crc: " << (listing.intact ? "ok" : "damaged or cut short") << "\n";
    if (!installable) {
        err << "kvdpack: the host will not install this package: its name is not a plain file name\n";
    }
    if (!listing.intact) {
        err << "kvdpack: the host will not install this package: its payload is damaged\n";
    }
    return installable && listing.intact ? 0 : 1;
}

} // namespace

int RunKvdpack(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.size() == 2 && arguments[0] == "--list") {
        return List(arguments[1], out, err);
    }
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        out << kUsage;
        return 0;
    }
    PackOptions options;
    if (ParsePackOptions(arguments, options)) {
        return Pack(options, out, err);
    }
    err << kUsage;
    return 2;
}
