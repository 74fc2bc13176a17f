#include "ecr_report.h"

#include <cstdio>
#include <iostream>

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string HexText(const std::uint8_t* bytes, std::size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0x0F];
    }
    return out;
}

void EcrReport::Text(const std::string& key, const std::string& label, const std::string& value) {
    human_.emplace_back(label, value);
    members_.emplace_back(key, JsonString(value));
}

void EcrReport::Text(const std::string& key, const std::string& label, const std::string& shortValue,
                     const std::string& fullValue) {
    human_.emplace_back(label, shortValue);
    members_.emplace_back(key, JsonString(fullValue));
}

void EcrReport::Number(const std::string& key, const std::string& label, long long value) {
    human_.emplace_back(label, std::to_string(value));
    members_.emplace_back(key, std::to_string(value));
}

void EcrReport::Flag(const std::string& key, const std::string& label, bool value) {
    human_.emplace_back(label, value ? "yes" : "no");
    members_.emplace_back(key, value ? "true" : "false");
}

void EcrReport::Lines(const std::string& key, const std::vector<std::string>& lines) {
    std::string array = "[";
    for (const auto& line : lines) {
        if (array.size() > 1) array += ",";
        array += JsonString(line);
        human_.emplace_back("", line);
    }
    members_.emplace_back(key, array + "]");
}

void EcrReport::Progress(const std::string& text) const {
    if (!json_) std::cerr << text << std::endl;
}

void EcrReport::Print() const {
    if (json_) {
        std::cout << "{";
        for (std::size_t i = 0; i < members_.size(); ++i) {
            std::cout << (i == 0 ? "" : ",") << JsonString(members_[i].first) << ":" << members_[i].second;
        }
        std::cout << "}" << std::endl;
        return;
    }
    for (const auto& [label, value] : human_) {
        if (label.empty()) {
            std::cout << value << "\n";
        } else {
            std::cout << label << ": " << value << "\n";
        }
    }
    std::cout.flush();
}
