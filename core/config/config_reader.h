#pragma once
// Turns the text of a configuration file into a HostConfig.

#include <istream>
#include <string>

#include "config/host_config.h"

// Reads the file piece by piece as a 255-byte line buffer would: at most 254 characters
// per piece, so a longer line is several pieces. CR LF and LF both end a line.
bool ReadConfigurationPiece(std::istream& in, std::string& piece);

// Applies one piece to the record: the first key (in file order) that yields a value
// sets its field. False when no key yields a value.
bool ApplyConfigurationPiece(const std::string& piece, HostConfig& config);

// Every piece of the stream applied to an all-zero record.
HostConfig ParseConfiguration(std::istream& in);

// Copies text into a fixed field, cut to leave room for the NUL; the rest of the field is zero.
void CopyToField(char* field, std::size_t fieldSize, const std::string& text);
