#include "amount_text.h"

#include <limits>

std::string FormatAmountDigits(std::string_view digits) {
    const auto first = digits.find_first_not_of('0');
    const std::string_view significant =
        first == std::string_view::npos ? std::string_view{} : digits.substr(first);
    const std::size_t n = significant.size();
    if (n == 0) return "0.00";
    if (n == 1) return "0.0" + std::string(significant);
    if (n == 2) return "0." + std::string(significant);

    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t left = n - i;  // digits from here to the end
        if (i > 0 && (left == 5 || left == 8)) text += ',';
        if (left == 2) text += '.';
        text += significant[i];
    }
    return text;
}

std::int32_t AmountFromText(std::string_view text) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') continue;
        value = value * 10 + (c - '0');
        if (value > kMax) return static_cast<std::int32_t>(kMax);
    }
    return static_cast<std::int32_t>(value);
}
