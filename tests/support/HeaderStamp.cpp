#include "tests/support/HeaderStamp.h"

#include <array>

#include "support/Win32.h"

namespace {

// String tables are stored in blocks of 16: block n holds ids 16(n-1) to 16n-1,
// each string as its length followed by that many UTF-16 units.
using StringBlock = std::array<std::string, 16>;

constexpr WORD kHeaderBlock = 1;       // ids 0 to 15: the header fields
constexpr WORD kOwnerBlock = 63;       // ids 992 to 1007: the owner count and list
constexpr std::size_t kOwnerCount = 8; // id 1000 within its block
constexpr std::size_t kMaxOwners = 7;
const WORD kLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK);

std::vector<WORD> Encode(const StringBlock& block)
{
    std::vector<WORD> data;
    for (const std::string& text : block) {
        data.push_back(static_cast<WORD>(text.size()));
        for (char c : text) {
            data.push_back(static_cast<unsigned char>(c));
        }
    }
    return data;
}

bool WriteBlock(HANDLE update, WORD blockId, const StringBlock& block)
{
    std::vector<WORD> data = Encode(block);
    return UpdateResourceA(update, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(blockId), kLanguage, data.data(),
                           static_cast<DWORD>(data.size() * sizeof(WORD))) != 0;
}

} // namespace

bool StampPluginHeader(const std::string& path, const std::string& name, const std::vector<std::string>& owners)
{
    if (owners.size() > kMaxOwners) {
        return false;
    }
    StringBlock header{};
    header[1] = name;
    header[2] = "PLUGIN";
    header[3] = "1.0";
    header[4] = "1";
    header[5] = "Plugin " + name;
    header[6] = "TRUE";
    StringBlock ownerList{};
    ownerList[kOwnerCount] = std::to_string(owners.size());
    for (std::size_t i = 0; i < owners.size(); ++i) {
        ownerList[kOwnerCount + 1 + i] = owners[i];
    }
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (update == nullptr) {
        return false;
    }
    bool written = WriteBlock(update, kHeaderBlock, header) && WriteBlock(update, kOwnerBlock, ownerList);
    return EndUpdateResourceA(update, !written) != 0 && written;
}
