// Feeds arbitrary bytes to the PE header reader as a library file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "support/PeImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ReadPeImage(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
