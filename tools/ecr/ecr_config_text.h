#pragma once
// The configuration block as the KEY=VALUE lines a person reads and writes.

#include <string>
#include <vector>

#include "ecr_client.h"

// One "KEY=VALUE" per key of the configuration file, in the file's order.
std::vector<std::string> ConfigLines(const ecr::ConfigBlock& block);
// Applies one "KEY=VALUE"; false (with the reason) for an unknown key or a bad number.
bool ApplyConfigSetting(ecr::ConfigBlock& block, const std::string& setting, std::string& error);
