#include <iostream>

#include "support/ConsoleCodePage.h"
#include "tools/kvpinfo/Kvpinfo.h"

int main(int argc, char** argv)
{
    [[maybe_unused]] Utf8ConsoleScope console;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return RunKvpinfo(arguments, std::cout, std::cerr);
}
