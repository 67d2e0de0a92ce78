// Packages built in memory, byte by byte, for the reader's tests.
#pragma once

#include <cstdint>
#include <string>

// data as one gzip member.
std::string GzipBytes(const std::string& data);

// A name block holding blockText (padded with zero bytes to 1024, cut at
// 1024), followed by payload.
std::string PackageBytes(const std::string& blockText, const std::string& payload);

// Bytes that compress poorly and differ from call to call with seed.
std::string NoiseBytes(std::size_t size, unsigned seed);

// Writes value's lowest size bytes at offset at, least significant first,
// growing bytes as needed.
void PutLittleEndian(std::string& bytes, std::size_t at, std::uint32_t value, std::size_t size);
