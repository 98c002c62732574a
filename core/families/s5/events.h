// The console's event codes and the names of its files on this computer.
#pragma once

#include <string>

namespace tavrin::s5 {

// The text of an event code; empty for a code without one.
const char* eventText(int code);

// True for a name that can be used as a file name of its own in a folder:
// not empty, no folder separators or drive colon, not "." or "..", no
// control characters or characters Windows refuses, and 8-bit text.
bool plainFileName(const std::string& utf8);

}  // namespace tavrin::s5
