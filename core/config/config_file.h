#pragma once
// The plain-text configuration file in the data directory, mirrored by HostConfig.

#include "config/host_config.h"

// 0 = read into HostConfig; -1 = the file could not be opened (HostConfig is then all zero).
int ReadConfiguration();
// 0 = HostConfig written to the file; -1 = the file could not be created. Replaces the file atomically.
int WriteConfiguration();
// HostConfig all zero except LOGGING_LEVEL 1.
void SetDefaultConfiguration();
// Zeroes the printer fields that the chosen PRINTER_TYPE does not use.
void ClearUnusedPrinterFields(HostConfig& config);
// The start-up rule: read the file; if that fails, write one with the defaults.
void ApplyStartupConfiguration();
