// Feeds arbitrary bytes to the package reader as a package file, and unpacks
// it into a scratch folder under both the stored name and a chosen one.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "support/Package.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("pillowmoor-fuzz-" + std::to_string(getpid()));
    std::filesystem::path folder = scratch / "plugins";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::string package = (scratch / "input.kvd").string();
    std::ofstream(package, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::string destination = folder.string() + "/";

    std::string name = ReadPackageName(package);
    // A stored name that the reader gives out must be a plain file in the
    // destination folder, and an unpack under it must leave only that file.
    if (UnpackPackage(package, destination, "") == 1) {
        auto entries =
            std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
        if (name.empty() || !std::filesystem::exists(folder / name) || entries != 1) {
            __builtin_trap();
        }
    }
    UnpackPackage(package, destination, "chosen.kvp");
    return 0;
}
