#include "support/Package.h"

#include <cstdio>
#include <cstring>

#include <zlib.h>

#include "support/FileNames.h"
#include "support/GzFile.h"
#include "support/StdioFile.h"

#ifdef _WIN32
#include "support/Win32.h"
#endif

namespace {

using Buffer = char[PackageNameBlockSize];

// Copies the rest of the package to the temporary file, chunk by chunk.
bool CopyPayload(std::FILE* package, std::FILE* temp, Buffer& buffer)
{
    std::size_t read = 0;
    while ((read = std::fread(buffer, 1, PackageNameBlockSize, package)) > 0) {
        if (std::fwrite(buffer, 1, read, temp) != read) {
            return false;
        }
    }
    return !std::ferror(package);
}

// Decompresses the temporary file into the output. Both closes are checked:
// zlib reports a damaged, cut-short or mismatching stream only at gzclose.
bool Decompress(const std::string& tempPath, const std::string& outputPath, Buffer& buffer)
{
    GzFile payload(gzopen(tempPath.c_str(), "rb"));
    if (!payload) {
        return false;
    }
    StdioFile output = StdioFile::Open(outputPath.c_str(), "wb");
    if (!output) {
        return false;
    }
    int read = 0;
    std::uint64_t written = 0;
    while ((read = gzread(payload.Get(), buffer, PackageNameBlockSize)) > 0) {
        written += static_cast<std::size_t>(read);
        if (written > PackageMaxLibrarySize) {
            return false;
        }
        if (std::fwrite(buffer, 1, static_cast<std::size_t>(read), output.Get()) != static_cast<std::size_t>(read)) {
            return false;
        }
    }
    if (read < 0) {
        return false;
    }
    bool outputClosed = output.Close();
    return gzclose(payload.Release()) == Z_OK && outputClosed;
}

// Moves the finished output over the library name, replacing what is there.
bool ReplaceFile(const std::string& from, const std::string& to)
{
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

// Copies the payload of the open package to tempPath, decompresses it into
// workPath and moves that over outputPath. The files are closed on return.
bool Unpack(StdioFile& package, const std::string& tempPath, const std::string& workPath, const std::string& outputPath,
            Buffer& buffer)
{
    StdioFile temp = StdioFile::Open(tempPath.c_str(), "wb");
    if (!temp) {
        return false;
    }
    if (!CopyPayload(package.Get(), temp.Get(), buffer)) {
        return false;
    }
    package.Reset();
    if (!temp.Close()) {
        return false;
    }
    return Decompress(tempPath, workPath, buffer) && ReplaceFile(workPath, outputPath);
}

} // namespace

PackageNameBlock ReadNameBlock(std::FILE* package)
{
    PackageNameBlock block;
    Buffer buffer;
    block.whole = std::fread(buffer, 1, PackageNameBlockSize, package) == PackageNameBlockSize;
    const void* zero = block.whole ? std::memchr(buffer, '\0', PackageNameBlockSize) : nullptr;
    if (zero != nullptr) {
        block.storedName.emplace(buffer, static_cast<const char*>(zero) - buffer);
    }
    return block;
}

bool IsPackageWorkingFile(const std::string& name)
{
    return SameNameIgnoringCase(name, PackageTempFile) || SameNameIgnoringCase(name, PackageOutputFile);
}

std::string ReadPackageName(std::string packagePath)
{
    StdioFile package = StdioFile::Open(packagePath.c_str(), "rb");
    std::optional<std::string> storedName = package ? ReadNameBlock(package.Get()).storedName : std::nullopt;
    return storedName && IsSafeFileName(*storedName) ? *storedName : std::string();
}

std::int32_t UnpackPackage(std::string packagePath, std::string destinationFolder, std::string outputName)
{
    StdioFile package = StdioFile::Open(packagePath.c_str(), "rb");
    if (!package) {
        return 0;
    }
    PackageNameBlock block = ReadNameBlock(package.Get());
    // A package shorter than its name block is no package at all.
    if (!block.whole || (!block.storedName && outputName.empty())) {
        return 0;
    }
    std::string chosenName = outputName.empty() ? *block.storedName : outputName;
    if (!IsSafeFileName(chosenName) || IsPackageWorkingFile(chosenName)) {
        return 0;
    }
    std::string tempPath = destinationFolder + PackageTempFile;
    std::string workPath = destinationFolder + PackageOutputFile;
    // One buffer serves the copy and the decompression.
    Buffer buffer;
    bool unpacked = Unpack(package, tempPath, workPath, destinationFolder + chosenName, buffer);
    // Whatever happened, the working files go at once: a failed unpack
    // leaves nothing for the next start to carry.
    std::remove(tempPath.c_str());
    std::remove(workPath.c_str());
    return unpacked ? 1 : 0;
}
