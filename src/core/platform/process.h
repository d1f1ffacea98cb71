// Starting another program.
#pragma once

#include <string>
#include <vector>

namespace zur {

// Starts argv[0] (searched on PATH) with the arguments as given, detached from this process: it is
// not waited for and outlives the program. No shell is involved. False when it could not be started.
bool SpawnDetached(const std::vector<std::string>& argv);

// The full path of a program found on PATH, or empty.
std::string FindOnPath(const std::string& program);

}  // namespace zur

namespace zur {

// The full path of the running program file, and the user's home folder (no trailing separator).
std::string ProgramFilePath();
std::string HomeFolder();

}  // namespace zur
