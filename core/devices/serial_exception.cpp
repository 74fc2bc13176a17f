#include "serial_exception.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "devices/system_error.h"

bool CSerialException::GetErrorText(char* text, unsigned maxChars, unsigned* helpContext) const {
    if (helpContext != nullptr) *helpContext = 0;
    if (text == nullptr || maxChars == 0) return false;
    const std::string systemText = SystemErrorText(error_);
    const std::size_t length = std::min<std::size_t>(systemText.size(), maxChars - 1);
    std::memcpy(text, systemText.data(), length);
    text[length] = '\0';
    return !systemText.empty();
}

void ThrowSerialException(std::uint32_t error) {
    throw CSerialException(error != 0 ? error : LastSystemError());
}
