#include "config_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "config/config_keys.h"

namespace {

std::string ValueText(const ConfigKey& key, const HostConfig& config) {
    const char* field = reinterpret_cast<const char*>(&config) + key.offset;
    switch (key.kind) {
        case ConfigValueKind::Text:
            // A block from a remote client need not hold a NUL; never read past the field.
            return std::string(field, std::find(field, field + key.size, '\0'));
        case ConfigValueKind::Int32: {
            std::int32_t number;
            std::memcpy(&number, field, sizeof number);
            return std::to_string(number);
        }
        case ConfigValueKind::Int8: {
            std::int8_t number;
            std::memcpy(&number, field, sizeof number);
            return std::to_string(number);
        }
    }
    return std::string();
}

}  // namespace

std::string FormatConfiguration(const HostConfig& config) {
    std::string text;
    for (const ConfigKey& key : kConfigKeys) {
        text += key.name;
        text += " = \"";
        text += ValueText(key, config);
        text += "\"\r\n\r\n";
    }
    return text;
}
