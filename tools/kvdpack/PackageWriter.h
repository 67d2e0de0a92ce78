// Making and inspecting plugin packages: the 1024-byte name block, then the
// library as a gzip stream. Streams through fixed buffers whatever the size.
#pragma once

#include <cstdint>
#include <string>

// Writes packagePath: the name block holding storedName, then libraryPath
// compressed as one gzip member. False with a message in error on failure;
// no partial package is left behind.
bool WritePackage(const std::string& libraryPath, const std::string& packagePath, const std::string& storedName,
                  std::string& error);

struct PackageListing {
    std::string storedName;         // empty when the name block has none
    bool named = false;             // the block holds a zero byte
    std::uint64_t payloadBytes = 0; // size of the payload in the package
    std::uint64_t contentBytes = 0; // what the payload decompresses to
    bool gzip = false;              // the payload starts as gzip data
    bool intact = false;            // zlib read it whole, every CRC matching
};

// Reads the package as the host does (zlib's gzip reader). False with a
// message in error when it cannot be opened or is shorter than a name block.
bool ListPackage(const std::string& packagePath, PackageListing& listing, std::string& error);
