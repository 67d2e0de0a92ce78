#include "bench/StartupPlan.h"

#include <fstream>
#include <sstream>

namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) {
        parts.push_back(part);
    }
    return parts;
}

} // namespace

bool WritePlan(const std::string& path, const StartupPlan& plan)
{
    std::ofstream out(path);
    out << plan.toyName << '\n';
    for (const PlanLibrary& library : plan.libraries) {
        out << library.path << '\t' << library.name << '\t';
        for (std::size_t i = 0; i < library.owners.size(); ++i) {
            out << (i == 0 ? "" : ",") << library.owners[i];
        }
        out << '\n';
    }
    return static_cast<bool>(out.flush());
}

bool ReadPlan(const std::string& path, StartupPlan& plan)
{
    std::ifstream in(path);
    if (!std::getline(in, plan.toyName)) {
        return false;
    }
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields = Split(line, '\t');
        if (fields.size() != 3) {
            return false;
        }
        plan.libraries.push_back({fields[0], fields[1], Split(fields[2], ',')});
    }
    return true;
}
