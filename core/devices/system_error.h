#pragma once
// The operating system's error codes and their texts, one implementation per platform.

#include <cstdint>
#include <string>

// The calling thread's last error (errno, GetLastError).
std::uint32_t LastSystemError();

// The system's text for an error code; empty when the system has none.
std::string SystemErrorText(std::uint32_t error);
