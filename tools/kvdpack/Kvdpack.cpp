#include "tools/kvdpack/Kvdpack.h"

#include "support/FileNames.h"
#include "support/Package.h"
#include "tools/kvdpack/PackageWriter.h"

namespace {

const char* const kUsage = "usage: kvdpack LIBRARY.kvp\n"
                           "       kvdpack --list PACKAGE.kvd\n";

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

int Pack(const std::string& libraryPath, std::ostream& out, std::ostream& err)
{
    std::string folder;
    std::string name;
    SplitPath(libraryPath, folder, name);
    if (!IsPackableName(name, err)) {
        return 1;
    }
    std::string packagePath = folder + ReplaceExtension(name, "kvd");
    std::string error;
    if (!WritePackage(libraryPath, packagePath, name, error)) {
        err << "kvdpack: " << error << "\n";
        return 1;
    }
    out << "kvdpack: wrote " << packagePath << " holding " << name << "\n";
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
    if (arguments.size() == 1 && arguments[0] != "--list" && arguments[0].rfind("-", 0) != 0) {
        return Pack(arguments[0], out, err);
    }
    if (arguments.size() == 2 && arguments[0] == "--list") {
        return List(arguments[1], out, err);
    }
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        out << kUsage;
        return 0;
    }
    err << kUsage;
    return 2;
}
