#include <iostream>

#include "tools/kvpinfo/Kvpinfo.h"

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return RunKvpinfo(arguments, std::cout, std::cerr);
}
