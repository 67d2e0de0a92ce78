#include "tests/support/PackageBytes.h"

#include <algorithm>
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
