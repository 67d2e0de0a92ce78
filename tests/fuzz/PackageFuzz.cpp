// Feeds arbitrary bytes to the package reader as a package file, and unpacks
// it into a scratch folder under both the stored name and a chosen one.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "support/Package.h"

namespace {

std::filesystem::path Scratch()
{
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("pillowmoor-fuzz-" + std::to_string(getpid()));
    return path;
}

void EmptyFolder(const std::filesystem::path& folder)
{
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::filesystem::path folder = Scratch() / "plugins";
    EmptyFolder(folder);
    std::string package = (Scratch() / "input.kvd").string();
    std::ofstream(package, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::string destination = folder.string() + "/";

    std::string name = ReadPackageName(package);
    std::int32_t unpacked = UnpackPackage(package, destination, "");
    // A stored name that the reader gives out must be a plain file in the
    // destination folder; an unpack under it must leave only that file.
    if (unpacked == 1 && (name.empty() || !std::filesystem::exists(folder / name))) {
        __builtin_trap();
    }
    UnpackPackage(package, destination, "chosen.kvp");
    return 0;
}
