#pragma once
// The last ticket as a person sees it, on screen or in a file.

#include <cstdint>
#include <string>
#include <vector>

// The printed lines of the record stream.
std::vector<std::string> TicketLines(const std::vector<std::uint8_t>& records);
// Writes the files that were asked for (an empty path is skipped); false with the reason.
bool WriteTicketFiles(const std::vector<std::uint8_t>& records, const std::string& textPath,
                      const std::string& pdfPath, std::string& error);
