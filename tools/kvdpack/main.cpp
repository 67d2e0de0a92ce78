#include <iostream>

#include "support/ConsoleCodePage.h"
#include "tools/kvdpack/Kvdpack.h"

int main(int argc, char** argv)
{
    [[maybe_unused]] Utf8ConsoleScope console;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return RunKvdpack(arguments, std::cout, std::cerr);
}
