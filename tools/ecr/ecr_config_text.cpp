#include "ecr_config_text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "config/config_keys.h"

namespace {

const ConfigKey* FindKey(const std::string& name) {
    for (const ConfigKey& key : kConfigKeys) {
        if (name == key.name) return &key;
    }
    return nullptr;
}

long long ReadInteger(const std::uint8_t* field, std::size_t size) {
    if (size == 1) return static_cast<std::int8_t>(field[0]);
    std::int32_t value;
    std::memcpy(&value, field, sizeof value);
    return value;
}

}  // namespace

std::vector<std::string> ConfigLines(const ecr::ConfigBlock& block) {
    std::vector<std::string> lines;
    for (const ConfigKey& key : kConfigKeys) {
        const std::uint8_t* field = block.data() + key.offset;
        std::string value;
        if (key.kind == ConfigValueKind::Text) {
            value.assign(reinterpret_cast<const char*>(field), strnlen(reinterpret_cast<const char*>(field), key.size));
        } else {
            value = std::to_string(ReadInteger(field, key.size));
        }
        lines.push_back(std::string(key.name) + "=" + value);
    }
    return lines;
}

bool ApplyConfigSetting(ecr::ConfigBlock& block, const std::string& setting, std::string& error) {
    const auto equals = setting.find('=');
    const ConfigKey* key = equals == std::string::npos ? nullptr : FindKey(setting.substr(0, equals));
    if (key == nullptr) {
        error = "unknown setting '" + setting.substr(0, equals) + "'";
        return false;
    }
    const std::string value = setting.substr(equals + 1);
    std::uint8_t* field = block.data() + key->offset;
    if (key->kind == ConfigValueKind::Text) {
        if (value.size() >= key->size) {
            error = std::string(key->name) + " takes at most " + std::to_string(key->size - 1) + " characters";
            return false;
        }
        std::memset(field, 0, key->size);
        std::memcpy(field, value.data(), value.size());
        return true;
    }
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(value.c_str(), &end, 10);
    const long low = key->size == 1 ? SCHAR_MIN : INT_MIN;
    const long high = key->size == 1 ? SCHAR_MAX : INT_MAX;
    if (value.empty() || *end != '\0' || errno != 0 || number < low || number > high) {
        error = std::string(key->name) + " needs a whole number from " + std::to_string(low) + " to " +
                std::to_string(high);
        return false;
    }
    if (key->size == 1) {
        field[0] = static_cast<std::uint8_t>(static_cast<std::int8_t>(number));
    } else {
        const auto value32 = static_cast<std::int32_t>(number);
        std::memcpy(field, &value32, sizeof value32);
    }
    return true;
}
