#include "config_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include "config/config_keys.h"

namespace {

constexpr std::size_t kLineBufferSize = 255;

// Key anywhere in the piece, then the first "=" after it, then the text between the next
// two double quotes, taken as it stands.
std::optional<std::string_view> FindValue(std::string_view piece, std::string_view key) {
    const std::size_t keyAt = piece.find(key);
    if (keyAt == std::string_view::npos) return std::nullopt;
    const std::size_t equals = piece.find('=', keyAt);
    if (equals == std::string_view::npos) return std::nullopt;
    const std::size_t open = piece.find('"', equals);
    if (open == std::string_view::npos) return std::nullopt;
    const std::size_t close = piece.find('"', open + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return piece.substr(open + 1, close - open - 1);
}

// Decimal as atoi reads it with a 32-bit int: leading white space, optional sign, digits
// up to the first other character, no digits = 0, out of range = the nearest limit.
std::int32_t DecimalValue(std::string_view text) {
    const std::string terminated(text);
    const long long value = std::strtoll(terminated.c_str(), nullptr, 10);
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

void ApplyValue(const ConfigKey& key, std::string_view value, HostConfig& config) {
    char* field = reinterpret_cast<char*>(&config) + key.offset;
    switch (key.kind) {
        case ConfigValueKind::Text:
            CopyToField(field, key.size, std::string(value));
            break;
        case ConfigValueKind::Int32: {
            const std::int32_t number = DecimalValue(value);
            std::memcpy(field, &number, sizeof number);
            break;
        }
        case ConfigValueKind::Int8: {
            // 200 becomes -56: only the low byte is kept.
            const auto number = static_cast<std::int8_t>(DecimalValue(value));
            std::memcpy(field, &number, sizeof number);
            break;
        }
    }
}

}  // namespace

void CopyToField(char* field, std::size_t fieldSize, const std::string& text) {
    std::memset(field, 0, fieldSize);
    std::memcpy(field, text.data(), std::min(text.size(), fieldSize - 1));
}

bool ReadConfigurationPiece(std::istream& in, std::string& piece) {
    piece.clear();
    while (piece.size() < kLineBufferSize - 1) {
        const int c = in.get();
        if (c == std::char_traits<char>::eof()) break;
        if (c == '\r' && in.peek() == '\n') continue;  // CR LF reads as the LF alone
        piece += static_cast<char>(c);
        if (c == '\n') break;
    }
    return !piece.empty();
}

bool ApplyConfigurationPiece(const std::string& piece, HostConfig& config) {
    // The search sees the piece as a C string, so a NUL byte ends it.
    const std::string_view text(piece.c_str());
    for (const ConfigKey& key : kConfigKeys) {
        if (const auto value = FindValue(text, key.name)) {
            ApplyValue(key, *value, config);
            return true;
        }
    }
    return false;
}

HostConfig ParseConfiguration(std::istream& in) {
    HostConfig config{};
    std::string piece;
    while (ReadConfigurationPiece(in, piece)) ApplyConfigurationPiece(piece, config);
    return config;
}
