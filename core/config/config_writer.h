#pragma once
// Turns a HostConfig into the text of a configuration file.

#include <string>

#include "config/host_config.h"

// The eleven "KEY = \"value\"" lines in file order, each followed by an empty line, with
// CR LF line ends. The log path is not part of the file.
std::string FormatConfiguration(const HostConfig& config);
