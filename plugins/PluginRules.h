// The rules of the plugin header and of the owner check, over the header's
// strings however they are read: the host reads them from a loaded module,
// kvpinfo from a library opened as data or from the PE file itself, so that
// every reader follows one set of rules. Portable: no Windows types.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// String ids of the header.
inline constexpr std::uint32_t HEADER_NAME = 1;
inline constexpr std::uint32_t HEADER_TYPE = 2;
inline constexpr std::uint32_t HEADER_VERSION = 3;
inline constexpr std::uint32_t HEADER_RELEASE_DATE = 4;
inline constexpr std::uint32_t HEADER_DETAILS = 5;
inline constexpr std::uint32_t HEADER_ACTIVE = 6;
inline constexpr std::uint32_t HEADER_OWNER_COUNT = 1000;

// A string of the header by id; nothing when it is missing or empty.
using HeaderLookup = std::function<std::optional<std::string>(std::uint32_t)>;

// The owner list as the owner check sees it: the count (resource 1000) and
// the entries from 1001 on, read in order up to the count or the first
// missing one, whichever comes first.
struct OwnerList {
    bool hasCount = false;
    std::int32_t count = 0;
    std::vector<std::string> names;
};

OwnerList ReadOwnerList(const HeaderLookup& lookup);

// True when ownerName matches one of the names byte for byte.
bool NamesOwner(const OwnerList& list, const std::string& ownerName);

// The first of resources 1 to 5 that the first run copies but the header
// lacks; nothing when all five are there.
std::optional<std::uint32_t> FirstMissingHeaderString(const HeaderLookup& lookup);

// Version (string resource 3) and release date (4) of a plugin library.
struct LibraryIdentity {
    double version = 0.0;
    std::int32_t releaseDate = 0;
    bool complete = false; // the library loaded and carries both resources
};

// The identity in a header; a missing resource reads as 0.
LibraryIdentity ReadIdentity(const HeaderLookup& lookup);

// The registry key of the plugin named pluginName: below the toy's key.
std::string PluginKeyPath(const std::string& toyKey, const std::string& pluginName);

// The run count that follows a stored Executes text (none when unreadable).
std::int32_t NextRunCount(const std::optional<std::string>& storedExecutes);

// The rules of the header step over the values it reads and writes, so that
// a prediction of the step follows the very rules the host runs. Values has
//   std::optional<std::string> StoredActive();  Active, when it can be read
//   std::optional<std::string> DefaultActive(); resource 6, when it is there
//   bool WriteActive(const std::string& text);
//   bool CountRun(std::int32_t& runCount);      Executes counted one higher
//   bool CopyHeader();                          resources 1 to 5 copied
// Active as stored, or from resource 6 and written back, set only when
// exactly "TRUE"; the run counted; on the first run the header copied.
// False at the first step that fails.
template <typename Values>
bool RunHeaderStep(Values& values, std::int32_t& active, std::int32_t& runCount)
{
    std::optional<std::string> stored = values.StoredActive();
    std::optional<std::string> flag = stored ? stored : values.DefaultActive();
    if (!flag) {
        return false;
    }
    active = *flag == "TRUE" ? 1 : 0;
    if (!stored && !values.WriteActive(active == 1 ? "TRUE" : "FALSE")) {
        return false;
    }
    if (!values.CountRun(runCount)) {
        return false;
    }
    return runCount != 1 || values.CopyHeader();
}

// Rings of owner lists (a library naming itself, or two naming each other)
// would nest without end: a candidate whose name already stands on the path
// from the toy down to its owner is refused. Node is anything with name and
// parent, so that a prediction of the tree applies the same rule.
template <typename Node>
bool StandsOnPath(const std::string& name, const Node* owner)
{
    for (const Node* node = owner; node != nullptr; node = node->parent) {
        if (node->name == name) {
            return true;
        }
    }
    return false;
}

// The owner checks of Initialise, in its order, for a candidate named name
// under owner (null for the toy): a ring is refused before its owner list is
// asked; then accepts(owner's name, or the toy's) decides. Node as above, so
// that a prediction of the tree turns candidates away as the host does.
enum class Admission { Accepted, Ring, NotOwner };

template <typename Node>
std::string OwnerNameOf(const Node* owner, const std::string& toyName)
{
    return owner != nullptr ? owner->name : toyName;
}

template <typename Node, typename Accepts>
Admission AdmitUnder(const std::string& name, const Node* owner, const std::string& toyName, Accepts accepts)
{
    if (StandsOnPath(name, owner)) {
        return Admission::Ring;
    }
    return accepts(OwnerNameOf(owner, toyName)) ? Admission::Accepted : Admission::NotOwner;
}
