#pragma once
// Replacing a file so that a crash or a failed write never leaves it half-written.

#include <string>

// Writes the contents to a new file next to path, flushes it to disk and renames it over
// path. False on any failure; path is then left as it was.
bool ReplaceFileContents(const std::string& path, const std::string& contents);
