// kvptest: runs the toy in its folder, as a plugin author's test does, and
// passes only when every named plugin library was accepted and ran.
//   kvptest [--seconds N] LIBRARY...
// run in the toy's folder (PillowmoorToy.exe beside Plugins\, which holds the
// named libraries). A record the toy shows in its "Error" box ends the test
// at once: the box is pressed and its text reported. A library that did not
// run is reported with the reason kvpinfo gives for it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Exit codes: 0 every named library ran and the toy ended by itself with
// exit code 0; 1 the test failed (the reasons on err); 2 bad usage, or no
// toy or library to test.
int RunPluginTest(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
