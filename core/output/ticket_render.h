#pragma once
// Previews of a ticket record stream with the printed layout, for the cash-register
// client and the demo.

#include <cstdint>
#include <span>
#include <string>

// One UTF-8 line per printed line; an empty line where the page leaves a gap.
std::string RenderTicketText(std::span<const std::uint8_t> records);
// One A4 page at 300 dpi; 0 = written, -1 = the file could not be written.
int RenderTicketPdf(std::span<const std::uint8_t> records, const std::string& path);
