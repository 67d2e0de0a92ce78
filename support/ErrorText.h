// The system's own words for a failure, for messages shown to people.
#pragma once

#include <string>

// The system's text for GetLastError(), without its closing full stop and
// line break; empty when the system has none.
std::string LastErrorText();
