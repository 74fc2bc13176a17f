#pragma once
// The systemd unit that -install writes, made from the template termbridge.service.in.

#include <optional>
#include <string>

// The template as built into the program.
extern const char kUnitTemplate[];

// The unit's file name: the service name with the unit type.
std::string UnitFileName();

// The template with the program's path and working directory filled in, escaped for systemd.
// Nothing when a path cannot be written into a unit: not absolute, a control character in it,
// or a program name with quotes or backslashes, which systemd would not run.
std::optional<std::string> UnitFileText(const std::string& executable, const std::string& workingDirectory);
