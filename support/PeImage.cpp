#include "support/PeImage.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

namespace {

constexpr std::uint16_t kOptionalMagic32 = 0x10b;
constexpr std::uint16_t kOptionalMagic64 = 0x20b;
constexpr std::uint16_t kFileIsDll = 0x2000;
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kExportDirectorySize = 40;
constexpr std::size_t kImportDescriptorSize = 20;
constexpr std::uint32_t kExportDirectory = 0;
constexpr std::uint32_t kImportDirectory = 1;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kStringResource = 6;
constexpr std::uint32_t kSubdirectory = 0x80000000;
// Export and DLL names are short; a longer run of bytes is no name.
constexpr std::size_t kLongestName = 256;

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawOffset = 0;
};

// Little-endian reads that fail, rather than read past the end, at any offset.
class Bytes {
public:
    explicit Bytes(std::string_view bytes) : bytes_(bytes) {}

    std::size_t Size() const { return bytes_.size(); }

    bool Has(std::uint64_t offset, std::uint64_t size) const
    {
        return offset <= bytes_.size() && size <= bytes_.size() - offset;
    }

    std::optional<std::uint32_t> Read(std::uint64_t offset, std::size_t size) const
    {
        if (!Has(offset, size)) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        for (std::size_t i = size; i-- > 0;) {
            value = (value << 8) | static_cast<unsigned char>(bytes_[offset + i]);
        }
        return value;
    }

    // The zero-ended string at offset; nothing when the zero is missing.
    std::optional<std::string> String(std::uint64_t offset) const
    {
        if (!Has(offset, 1)) {
            return std::nullopt;
        }
        std::size_t end = bytes_.substr(offset, kLongestName + 1).find('\0');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        return std::string(bytes_.substr(offset, end));
    }

private:
    std::string_view bytes_;
};

// Maps addresses of the loaded image onto offsets of the file through the
// section table; addresses inside no section's file data have no offset.
class AddressMap {
public:
    AddressMap(const Bytes& bytes, std::vector<Section> sections) : bytes_(bytes), sections_(std::move(sections)) {}

    std::optional<std::uint64_t> Offset(std::uint32_t address) const
    {
        for (const Section& section : sections_) {
            std::uint64_t start = section.virtualAddress;
            if (address >= start && address - start < section.rawSize) {
                return std::uint64_t{section.rawOffset} + (address - start);
            }
        }
        return std::nullopt;
    }

    std::optional<std::uint32_t> Read(std::uint32_t address, std::size_t size) const
    {
        std::optional<std::uint64_t> offset = Offset(address);
        return offset ? bytes_.Read(*offset, size) : std::nullopt;
    }

    std::optional<std::string> String(std::uint32_t address) const
    {
        std::optional<std::uint64_t> offset = Offset(address);
        return offset ? bytes_.String(*offset) : std::nullopt;
    }

    bool Has(std::uint32_t address, std::uint64_t size) const
    {
        std::optional<std::uint64_t> offset = Offset(address);
        return offset && bytes_.Has(*offset, size);
    }

private:
    const Bytes& bytes_;
    std::vector<Section> sections_;
};

// A directory's address 0 means the image has no such table.
bool ReadExports(const AddressMap& image, std::uint32_t directory, PeImage& result)
{
    if (directory == 0) {
        return true;
    }
    std::optional<std::uint32_t> nameCount = image.Read(directory + 24, 4);
    std::optional<std::uint32_t> namesAddress = image.Read(directory + 32, 4);
    if (!image.Has(directory, kExportDirectorySize) || !nameCount || !namesAddress ||
        !image.Has(*namesAddress, 4 * std::uint64_t{*nameCount})) {
        return false;
    }
    for (std::uint32_t i = 0; i < *nameCount; ++i) {
        std::optional<std::uint32_t> nameAddress = image.Read(*namesAddress + 4 * i, 4);
        std::optional<std::string> name = nameAddress ? image.String(*nameAddress) : std::nullopt;
        if (!name) {
            return false;
        }
        result.exports.push_back(*name);
    }
    return true;
}

bool ReadImports(const AddressMap& image, std::size_t fileSize, std::uint32_t directory, PeImage& result)
{
    if (directory == 0) {
        return true;
    }
    // Sections may map the same bytes many times over, so the table is
    // bounded by what the file could hold, not by the address space.
    std::uint32_t address = directory;
    for (std::size_t i = 0; i <= fileSize / kImportDescriptorSize; ++i, address += kImportDescriptorSize) {
        if (!image.Has(address, kImportDescriptorSize)) {
            return false;
        }
        std::uint32_t nameAddress = *image.Read(address + 12, 4);
        if (nameAddress == 0) {
            return true; // the table ends with an empty entry
        }
        std::optional<std::string> name = image.String(nameAddress);
        if (!name) {
            return false;
        }
        result.imports.push_back(*name);
    }
    return false;
}

// The entries of the resource directory at offset within the resource
// section: (id, offset of what it points to, with kSubdirectory set for a
// directory). Named entries, which come first, are skipped.
std::vector<std::pair<std::uint32_t, std::uint32_t>> ResourceEntries(const AddressMap& image, std::uint32_t section,
                                                                     std::uint32_t offset)
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries;
    std::optional<std::uint32_t> named = image.Read(section + offset + 12, 2);
    std::optional<std::uint32_t> numbered = image.Read(section + offset + 14, 2);
    for (std::uint32_t i = 0; named && numbered && i < *numbered; ++i) {
        std::uint32_t at = section + offset + 16 + 8 * (*named + i);
        std::optional<std::uint32_t> id = image.Read(at, 4);
        std::optional<std::uint32_t> target = image.Read(at + 4, 4);
        if (!id || !target) {
            break;
        }
        entries.emplace_back(*id, *target);
    }
    return entries;
}

// One block of 16 strings, each a 16-bit length and that many UTF-16 units.
// budget bounds the units read over all blocks, since blocks may share bytes.
void ReadStringBlock(const AddressMap& image, std::uint32_t firstId, std::uint32_t address, std::uint32_t size,
                     std::uint64_t& budget, PeImage& result)
{
    std::map<std::uint32_t, std::string> block;
    std::uint64_t at = address;
    for (std::uint32_t i = 0; i < 16; ++i) {
        std::optional<std::uint32_t> length = image.Read(static_cast<std::uint32_t>(at), 2);
        std::uint64_t end = at + 2 + 2 * std::uint64_t{length.value_or(0)};
        if (!length || end > std::uint64_t{address} + size || *length > budget ||
            (*length > 0 && !image.Has(static_cast<std::uint32_t>(at + 2), end - at - 2))) {
            return;
        }
        budget -= *length;
        std::string text;
        for (at += 2; at < end; at += 2) {
            std::uint32_t unit = *image.Read(static_cast<std::uint32_t>(at), 2);
            text += unit < 0x80 ? static_cast<char>(unit) : '?';
        }
        if (!text.empty()) {
            block[firstId + i] = text;
        }
    }
    result.strings.merge(block);
}

// Resource type, then block (id / 16 + 1), then language, then the data
// entry: the data's address and size.
void ReadStrings(const AddressMap& image, std::uint32_t section, std::uint64_t budget, PeImage& result)
{
    if (section == 0) {
        return;
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> types = ResourceEntries(image, section, 0);
    auto strings = std::find_if(types.begin(), types.end(), [](const auto& entry) {
        return entry.first == kStringResource && (entry.second & kSubdirectory);
    });
    if (strings == types.end()) {
        return;
    }
    std::set<std::uint32_t> seen;
    for (auto [block, languages] : ResourceEntries(image, section, strings->second & ~kSubdirectory)) {
        if (block < 1 || block > 4096 || !(languages & kSubdirectory) || !seen.insert(block).second) {
            continue;
        }
        auto entries = ResourceEntries(image, section, languages & ~kSubdirectory);
        if (entries.empty() || (entries[0].second & kSubdirectory)) {
            continue;
        }
        std::optional<std::uint32_t> address = image.Read(section + entries[0].second, 4);
        std::optional<std::uint32_t> size = image.Read(section + entries[0].second + 4, 4);
        if (address && size) {
            ReadStringBlock(image, (block - 1) * 16, *address, *size, budget, result);
        }
    }
}

} // namespace

PeImage ReadPeImage(std::string_view data)
{
    PeImage result;
    Bytes bytes(data);
    if (!bytes.Has(0, 2) || data.substr(0, 2) != "MZ") {
        result.problem = "not an executable image (no MZ header)";
        return result;
    }
    std::optional<std::uint32_t> peOffset = bytes.Read(0x3c, 4);
    if (!peOffset || !bytes.Has(*peOffset, 4 + kCoffHeaderSize) ||
        data.substr(*peOffset, 4) != std::string_view("PE\0\0", 4)) {
        result.problem = "not a PE image (no PE signature)";
        return result;
    }
    std::uint64_t coff = std::uint64_t{*peOffset} + 4;
    result.machine = static_cast<std::uint16_t>(*bytes.Read(coff, 2));
    std::uint32_t sectionCount = *bytes.Read(coff + 2, 2);
    std::uint32_t optionalSize = *bytes.Read(coff + 16, 2);
    result.isDll = (*bytes.Read(coff + 18, 2) & kFileIsDll) != 0;

    std::uint64_t optional = coff + kCoffHeaderSize;
    std::optional<std::uint32_t> magic = bytes.Read(optional, 2);
    if (!magic || (*magic != kOptionalMagic32 && *magic != kOptionalMagic64) || !bytes.Has(optional, optionalSize)) {
        result.problem = "damaged PE image (optional header)";
        return result;
    }
    std::uint64_t countOffset = *magic == kOptionalMagic32 ? 92 : 108;
    std::uint32_t directoryCount = countOffset + 4 <= optionalSize ? *bytes.Read(optional + countOffset, 4) : 0;
    auto directoryAt = [&](std::uint32_t index) -> std::uint32_t {
        std::uint64_t at = countOffset + 4 + 8 * std::uint64_t{index};
        return index < directoryCount && at + 8 <= optionalSize ? *bytes.Read(optional + at, 4) : 0;
    };

    std::vector<Section> sections;
    std::uint64_t sectionTable = optional + optionalSize;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        std::uint64_t at = sectionTable + kSectionHeaderSize * i;
        if (!bytes.Has(at, kSectionHeaderSize)) {
            result.problem = "damaged PE image (section table)";
            return result;
        }
        sections.push_back(
            {*bytes.Read(at + 12, 4), *bytes.Read(at + 8, 4), *bytes.Read(at + 16, 4), *bytes.Read(at + 20, 4)});
    }
    AddressMap image(bytes, std::move(sections));
    if (!ReadExports(image, directoryAt(kExportDirectory), result)) {
        result.problem = "damaged PE image (export table)";
        return result;
    }
    if (!ReadImports(image, bytes.Size(), directoryAt(kImportDirectory), result)) {
        result.problem = "damaged PE image (import table)";
        return result;
    }
    ReadStrings(image, directoryAt(kResourceDirectory), bytes.Size(), result);
    return result;
}

PeImage ReadPeImageFile(const std::string& path)
{
    // Copied by blocks, not character by character: the toy's menu reads
    // every library of its folder.
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return ReadPeImage(bytes.str());
}

std::string PeMachineName(std::uint16_t machine)
{
    if (machine == PeMachineI386) {
        return "x86";
    }
    if (machine == PeMachineAmd64) {
        return "x86-64";
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", machine);
    return text;
}
