// The program's place in the file system.
#pragma once

#include <string>

namespace dw {

// The folder of the running program file, without a trailing separator.
// Empty when it cannot be found.
std::string ProgramDirectory();

// True when the file system has an entry at path (a file, a folder, or even
// a dangling link).
bool FileExists(const std::string& path);

}  // namespace dw
