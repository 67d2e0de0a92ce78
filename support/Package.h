// Reader of plugin packages: a 1024-byte name block (the file name under
// which the library is installed, ended by a zero byte) followed by a gzip
// payload that decompresses to the library. Portable: C streams and zlib.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

inline constexpr std::size_t PackageNameBlockSize = 1024;
// Working files of an unpack in the destination folder.
inline constexpr const char* PackageTempFile = "gztemp.tmp";
inline constexpr const char* PackageOutputFile = "gzoutput.tmp";
// The largest library an unpack writes; a payload that decompresses to more
// fails. Far above any plugin of a desktop toy (the sample's are well under
// 1 MiB) and far below what a 32-bit host can map, it bounds what a damaged or
// hostile package costs a start: some 64 MiB written and a fraction of a second.
inline constexpr std::uint64_t PackageMaxLibrarySize = 64ull * 1024 * 1024;

// The name block of a package, read by the host and by the tools alike.
struct PackageNameBlock {
    bool whole = false;                    // the package holds a whole name block
    std::optional<std::string> storedName; // the text before its first zero byte; none without one
};

// Reads the name block from package, open at its start, leaving it just after
// the block.
PackageNameBlock ReadNameBlock(std::FILE* package);

// True for the names of the unpack's working files, in any letter case.
bool IsPackageWorkingFile(const std::string& name);

// The stored name, or empty when the package cannot be opened, is shorter
// than its name block, has no zero byte there, or names anything but a plain
// file (see IsSafeFileName).
std::string ReadPackageName(std::string packagePath);

// Writes the library held in the package to destinationFolder + outputName,
// or + the stored name when outputName is empty. 1 on success, 0 on failure.
// The payload is copied to "gztemp.tmp" and decompressed through zlib into
// "gzoutput.tmp", which replaces the output only once zlib has confirmed the
// whole stream and it is no larger than PackageMaxLibrarySize: a failed unpack
// never leaves a partial output, leaves an existing output untouched, and
// removes its working files. A name that is not a plain file name fails
// before any file is created.
std::int32_t UnpackPackage(std::string packagePath, std::string destinationFolder, std::string outputName);
