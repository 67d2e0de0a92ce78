#include <iostream>

#include "tools/kvdpack/Kvdpack.h"

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return RunKvdpack(arguments, std::cout, std::cerr);
}
