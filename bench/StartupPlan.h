// What the start-up baseline loads: the plugin libraries in the order the
// folder lists them, with the names and owner lists stamped onto them. The
// benchmark writes it; the baseline reads it instead of reading headers.
#pragma once

#include <string>
#include <vector>

struct PlanLibrary {
    std::string path;
    std::string name;
    std::vector<std::string> owners;
};

struct StartupPlan {
    std::string toyName;
    std::vector<PlanLibrary> libraries;
};

// One line for the toy's name, then one line per library:
// path, name and the owners joined by commas, separated by tabs.
bool WritePlan(const std::string& path, const StartupPlan& plan);
bool ReadPlan(const std::string& path, StartupPlan& plan);
