#include "plugins/InstallRules.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

// Where a package goes by its stored name and what stands under it: a name
// the pass keeps for itself or for packages, a folder, or a path the A
// functions cannot open is refused; the longest path they open is 259 characters.
TEST(RoutePackage, RefusesWhatThePassCannotInstallAndReplacesOnlyAFile)
{
    const std::string folder = "C:\\Toy\\Plugins\\";
    const std::string longest = std::string(WindowsMaxPath - 1 - folder.size() - 4, 'x') + ".kvp";
    const std::tuple<std::string, Standing, PackageRoute> cases[] = {
        {"Clock.kvp", Standing::Nothing, PackageRoute::Install},
        {"Clock.kvp", Standing::File, PackageRoute::Replace},
        {"Clock.kvp", Standing::Folder, PackageRoute::RefuseName},
        {"Clock.dll", Standing::Nothing, PackageRoute::Install},
        {"Clock.TMP", Standing::Nothing, PackageRoute::RefuseName},
        {"Clock.Kvd", Standing::File, PackageRoute::RefuseName},
        {"CON.kvp", Standing::Nothing, PackageRoute::RefuseName},
        {longest, Standing::Nothing, PackageRoute::Install},
        {"x" + longest, Standing::Nothing, PackageRoute::RefuseName},
    };
    for (const auto& [name, there, route] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(RoutePackage(folder, name, there), route);
    }
}
