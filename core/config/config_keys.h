#pragma once
// The eleven keys of the configuration file and the HostConfig field behind each.

#include <array>
#include <cstddef>

#include "config/host_config.h"

enum class ConfigValueKind {
    Text,   // NUL-terminated text filling a fixed field
    Int32,  // signed decimal
    Int8,   // signed decimal, kept as its low 8 bits
};

struct ConfigKey {
    const char* name;
    ConfigValueKind kind;
    std::size_t offset;  // of the field in HostConfig
    std::size_t size;    // of the field in bytes
};

inline constexpr std::size_t kConfigKeyCount = 11;

// In the order of the written lines, which is also the order in which the reader tries
// each line against the keys (the first key that yields a value wins).
extern const std::array<ConfigKey, kConfigKeyCount> kConfigKeys;

// Longest path (plus its NUL) that the file may have.
inline constexpr std::size_t kConfigPathBufferSize = 260;
