#include "system_error.h"

#include <cerrno>
#include <cstring>

std::uint32_t LastSystemError() { return static_cast<std::uint32_t>(errno); }

std::string SystemErrorText(std::uint32_t error) {
    // Unlike strerror, this gives no made-up "Unknown error N" for codes without a text.
    const char* text = strerrordesc_np(static_cast<int>(error));
    return text != nullptr ? std::string(text) : std::string();
}
