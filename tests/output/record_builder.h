#pragma once
// Building ticket record streams in tests.

#include <cstdint>
#include <string>
#include <vector>

using Records = std::vector<std::uint8_t>;

inline Records Record(std::uint8_t tag, const std::string& content) {
    Records bytes{tag, static_cast<std::uint8_t>(content.size())};
    bytes.insert(bytes.end(), content.begin(), content.end());
    return bytes;
}

inline Records TextRecord(const std::string& text) { return Record(1, text); }

inline Records SizeRecord(std::uint8_t width, std::uint8_t height) {
    return Record(3, std::string{static_cast<char>(width), static_cast<char>(height)});
}

inline Records Join(std::initializer_list<Records> parts) {
    Records all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}
