#pragma once
// Where both programs keep their configuration file and their log.

#include <string>

// Longest data directory we accept from the machine settings.
inline constexpr std::size_t kMaxDataDirectory = 8191;

// The USERDIR machine setting as stored, else the current directory. Read anew at every call.
std::string GetDataDirectory();

// The data directory joined with a file name by the platform's separator.
std::string DataFilePath(const char* fileName);
