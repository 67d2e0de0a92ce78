#include "tests/support/PackageBytes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include <zlib.h>

#include "support/Package.h"

std::string GzipBytes(const std::string& data)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::vector<unsigned char> out(deflateBound(&stream, static_cast<uLong>(data.size())) + 32);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    int result = deflate(&stream, Z_FINISH);
    std::size_t produced = out.size() - stream.avail_out;
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw std::runtime_error("deflate did not finish");
    }
    return std::string(reinterpret_cast<const char*>(out.data()), produced);
}

std::string PackageBytes(const std::string& blockText, const std::string& payload)
{
    std::string block = blockText.substr(0, PackageNameBlockSize);
    block.resize(PackageNameBlockSize, '\0');
    return block + payload;
}

std::string NoiseBytes(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

void PutLittleEndian(std::string& bytes, std::size_t at, std::uint32_t value, std::size_t size)
{
    bytes.resize(std::max(bytes.size(), at + size), '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[at + i] = static_cast<char>(value >> (8 * i));
    }
}

// Headers, one section of resources at file offset 0x200 and address 0x1000:
// the type, block and language directories, the data entry, then the block.
std::string LibraryBytes(const std::map<int, std::string>& strings)
{
    std::string bytes(0x258, '\0');
    for (int id = 0; id < 16; ++id) {
        std::string text = strings.count(id) ? strings.at(id) : "";
        PutLittleEndian(bytes, bytes.size(), static_cast<std::uint32_t>(text.size()), 2);
        for (char c : text) {
            PutLittleEndian(bytes, bytes.size(), static_cast<unsigned char>(c), 2);
        }
    }
    std::uint32_t size = static_cast<std::uint32_t>(bytes.size() - 0x200);
    for (auto [at, value, width] : std::vector<std::array<std::uint32_t, 3>>{
             {0, 0x5a4d, 2},         {0x3c, 0x40, 4},   {0x40, 0x4550, 4},      {0x44, 0x8664, 2}, {0x46, 1, 2},
             {0x54, 240, 2},         {0x56, 0x2022, 2}, {0x58, 0x20b, 2},       {0xc4, 16, 4},     {0xd8, 0x1000, 4},
             {0xdc, size, 4},        {0x150, size, 4},  {0x154, 0x1000, 4},     {0x158, size, 4},  {0x15c, 0x200, 4},
             {0x20e, 1, 2},          {0x210, 6, 4},     {0x214, 0x80000018, 4}, {0x226, 1, 2},     {0x228, 1, 4},
             {0x22c, 0x80000030, 4}, {0x23e, 1, 2},     {0x240, 0x409, 4},      {0x244, 0x48, 4},  {0x248, 0x1058, 4},
             {0x24c, size - 0x58, 4}}) {
        PutLittleEndian(bytes, at, value, width);
    }
    return bytes;
}
