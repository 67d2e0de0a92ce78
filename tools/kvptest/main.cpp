#include <iostream>

#include "tools/kvptest/PluginTest.h"

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return RunPluginTest(arguments, std::cout, std::cerr);
}
