#include "tools/kvpinfo/PeFileHeader.h"

#include <memory>

#include "support/PeImage.h"

namespace {

// Longer strings are cut where the host's buffer cuts them, before its zero.
constexpr std::size_t kHeaderBufferSize = 1024;

} // namespace

std::optional<HeaderLookup> ReadPeFileHeader(const std::string& path)
{
    auto image = std::make_shared<PeImage>(ReadPeImageFile(path));
    if (image->machine == 0) {
        return std::nullopt;
    }
    return HeaderLookup([image](std::uint32_t id) -> std::optional<std::string> {
        auto found = image->strings.find(id);
        if (found == image->strings.end()) {
            return std::nullopt;
        }
        return found->second.substr(0, kHeaderBufferSize - 1);
    });
}
