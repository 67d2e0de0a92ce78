// kvdpack, the tool plugin authors make packages with:
//   kvdpack LIBRARY.kvp          writes LIBRARY.kvd beside the library and
//                                prints the release date and version as the
//                                host compares them, warning of surprises
//   kvdpack --list PACKAGE.kvd   prints the stored name, the payload's sizes
//                                and whether its CRC checks
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs kvdpack with the arguments after the program name. 0 on success, 1 for
// bad input (the message goes to err), 2 for a wrong command line.
int RunKvdpack(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
