#pragma once
// Ticket text arrives in the Windows-1252 code page; drawing and previews want UTF-8.

#include <string>
#include <string_view>

// Control characters (line ends included) carry no ink and are left out.
std::string AnsiToUtf8(std::string_view ansi);
