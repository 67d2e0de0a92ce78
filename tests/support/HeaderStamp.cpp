#include "tests/support/HeaderStamp.h"

#include <algorithm>
#include <array>

#include "support/Win32.h"

namespace {

// String tables are stored in blocks of 16: block n holds ids 16(n-1) to
// 16n-1, each string as its length followed by that many UTF-16 units.
using StringBlock = std::array<std::string, 16>;

bool WriteBlock(HANDLE update, WORD blockId, const StringBlock& block)
{
    std::vector<WORD> data;
    for (const std::string& text : block) {
        data.push_back(static_cast<WORD>(text.size()));
        data.insert(data.end(), text.begin(), text.end());
    }
    return UpdateResourceA(update, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(blockId),
                           MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK), data.data(),
                           static_cast<DWORD>(data.size() * sizeof(WORD))) != 0;
}

} // namespace

bool StampPluginHeader(const std::string& path, const std::string& name, const std::vector<std::string>& owners)
{
    // Block 1 holds the header fields (ids 1 to 6), block 63 ids 992 to 1007:
    // the owner count (1000) and list (from 1001).
    StringBlock header{"", name, "PLUGIN", "1.0", "1", "Plugin " + name, "TRUE"};
    StringBlock ownerList{};
    if (owners.size() > ownerList.size() - 9) {
        return false;
    }
    ownerList[8] = std::to_string(owners.size());
    std::copy(owners.begin(), owners.end(), ownerList.begin() + 9);
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (update == nullptr) {
        return false;
    }
    bool written = WriteBlock(update, 1, header) && WriteBlock(update, 63, ownerList);
    return EndUpdateResourceA(update, !written) != 0 && written;
}
