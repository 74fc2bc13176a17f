#pragma once
// The cash-register style amount: typed digits shown with two decimals, read back in
// hundredths of the currency unit.

#include <cstdint>
#include <string>
#include <string_view>

// Leading zeros dropped, "." before the last two digits, "," before the last five and the
// last eight (no further groups): 123 -> "1.23", 123456789 -> "1,234,567.89", none -> "0.00".
// The separators are always these two, whatever the locale says.
std::string FormatAmountDigits(std::string_view digits);

// The digits of the text in order, read as one decimal number; no digits give 0, and a
// value beyond the int32 range gives 2,147,483,647.
std::int32_t AmountFromText(std::string_view text);
