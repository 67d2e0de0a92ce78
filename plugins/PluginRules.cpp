#include "plugins/PluginRules.h"

#include "support/DecimalText.h"

OwnerList ReadOwnerList(const HeaderLookup& lookup)
{
    OwnerList list;
    std::optional<std::string> count = lookup(HEADER_OWNER_COUNT);
    list.hasCount = count.has_value();
    list.count = count ? ParseDecimalInt(*count) : 0;
    for (std::int32_t i = 0; i < list.count; ++i) {
        std::optional<std::string> entry = lookup(HEADER_OWNER_COUNT + 1 + static_cast<std::uint32_t>(i));
        if (!entry) {
            break;
        }
        list.names.push_back(*entry);
    }
    return list;
}

bool NamesOwner(const OwnerList& list, const std::string& ownerName)
{
    for (const std::string& entry : list.names) {
        if (entry == ownerName) {
            return true;
        }
    }
    return false;
}

std::optional<std::uint32_t> FirstMissingHeaderString(const HeaderLookup& lookup)
{
    for (std::uint32_t id = HEADER_NAME; id <= HEADER_DETAILS; ++id) {
        if (!lookup(id)) {
            return id;
        }
    }
    return std::nullopt;
}

LibraryIdentity ReadIdentity(const HeaderLookup& lookup)
{
    LibraryIdentity identity;
    std::optional<std::string> version = lookup(HEADER_VERSION);
    std::optional<std::string> date = lookup(HEADER_RELEASE_DATE);
    identity.version = version ? ParseDecimalDouble(*version) : 0.0;
    identity.releaseDate = date ? ParseDecimalInt(*date) : 0;
    identity.complete = version && date;
    return identity;
}

std::string PluginKeyPath(const std::string& toyKey, const std::string& pluginName)
{
    return toyKey + "\\" + pluginName;
}

std::int32_t NextRunCount(const std::optional<std::string>& storedExecutes)
{
    return IncrementSaturating(storedExecutes ? ParseDecimalInt(*storedExecutes) : 0);
}
