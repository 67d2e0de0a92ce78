#include "tools/kvdpack/PackageWriter.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "support/GzFile.h"
#include "support/Package.h"
#include "support/StdioFile.h"

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr int kGzipWindowBits = 15 + 16;

// Deflates everything from input into output as one gzip member.
bool CompressStream(std::FILE* input, std::FILE* output)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, kGzipWindowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return false;
    }
    std::vector<unsigned char> in(kChunk);
    std::vector<unsigned char> out(kChunk);
    bool ok = true;
    int flush = Z_NO_FLUSH;
    while (ok && flush != Z_FINISH) {
        stream.avail_in = static_cast<uInt>(std::fread(in.data(), 1, in.size(), input));
        stream.next_in = in.data();
        ok = !std::ferror(input);
        flush = std::feof(input) ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.avail_out = static_cast<uInt>(out.size());
            stream.next_out = out.data();
            deflate(&stream, flush);
            std::size_t produced = out.size() - stream.avail_out;
            ok = ok && std::fwrite(out.data(), 1, produced, output) == produced;
        } while (ok && stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return ok;
}

bool WriteNameBlock(std::FILE* output, const std::string& storedName)
{
    char block[PackageNameBlockSize] = {};
    std::memcpy(block, storedName.data(), storedName.size());
    return std::fwrite(block, 1, sizeof block, output) == sizeof block;
}

// The payload as zlib's gzip reader sees it: a descriptor of the package
// positioned just after the name block, owned by the returned reader.
gzFile OpenPayload(const std::string& packagePath)
{
#ifdef _WIN32
    int descriptor = _open(packagePath.c_str(), _O_RDONLY | _O_BINARY);
    bool positioned = descriptor >= 0 && _lseek(descriptor, PackageNameBlockSize, SEEK_SET) == PackageNameBlockSize;
#else
    int descriptor = open(packagePath.c_str(), O_RDONLY);
    bool positioned = descriptor >= 0 && lseek(descriptor, PackageNameBlockSize, SEEK_SET) == PackageNameBlockSize;
#endif
    gzFile payload = positioned ? gzdopen(descriptor, "rb") : nullptr;
    if (payload == nullptr && descriptor >= 0) {
#ifdef _WIN32
        _close(descriptor);
#else
        close(descriptor);
#endif
    }
    return payload;
}

} // namespace

bool WritePackage(const std::string& libraryPath, const std::string& packagePath, const std::string& storedName,
                  std::string& error)
{
    if (storedName.size() >= PackageNameBlockSize) {
        error = "the library name is longer than the name block allows";
        return false;
    }
    StdioFile library = StdioFile::Open(libraryPath.c_str(), "rb");
    if (!library) {
        error = "cannot open " + libraryPath;
        return false;
    }
    StdioFile package = StdioFile::Open(packagePath.c_str(), "wb");
    if (!package) {
        error = "cannot create " + packagePath;
        return false;
    }
    bool written = WriteNameBlock(package.Get(), storedName) && CompressStream(library.Get(), package.Get());
    if (!package.Close() || !written) {
        std::remove(packagePath.c_str());
        error = "cannot write " + packagePath;
        return false;
    }
    return true;
}

bool ListPackage(const std::string& packagePath, PackageListing& listing, std::string& error)
{
    StdioFile package = StdioFile::Open(packagePath.c_str(), "rb");
    if (!package) {
        error = "cannot open " + packagePath;
        return false;
    }
    PackageNameBlock block = ReadNameBlock(package.Get());
    if (!block.whole) {
        error = packagePath + " is shorter than a package's name block";
        return false;
    }
    listing.named = block.storedName.has_value();
    listing.storedName = block.storedName.value_or("");

    std::fseek(package.Get(), 0, SEEK_END);
    listing.payloadBytes = static_cast<std::uint64_t>(std::ftell(package.Get())) - PackageNameBlockSize;

    GzFile payload(OpenPayload(packagePath));
    if (!payload) {
        error = "cannot read the payload of " + packagePath;
        return false;
    }
    std::vector<char> buffer(kChunk);
    int read = 0;
    while ((read = gzread(payload.Get(), buffer.data(), static_cast<unsigned>(buffer.size()))) > 0) {
        listing.contentBytes += static_cast<std::uint64_t>(read);
    }
    listing.gzip = listing.payloadBytes > 0 && gzdirect(payload.Get()) == 0;
    listing.intact = gzclose(payload.Release()) == Z_OK && read == 0;
    return true;
}
