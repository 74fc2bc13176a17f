#pragma once
// Runs systemctl ($TERMBRIDGE_SYSTEMCTL names another program) with the given arguments.

#include <cstdint>
#include <string>
#include <vector>

// 0 when it ran and exited with 0; otherwise its exit status (128 + the signal that ended it),
// or the system error code when it could not be run at all.
std::uint32_t RunSystemctl(const std::vector<std::string>& arguments);
// The same, keeping what it printed on standard output.
std::uint32_t RunSystemctl(const std::vector<std::string>& arguments, std::string& output);
