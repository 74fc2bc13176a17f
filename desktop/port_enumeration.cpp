#include "port_enumeration.h"

#include <algorithm>
#include <vector>

#include "devices/devices.h"

namespace {

constexpr std::size_t kDescriptionSize = 64;
constexpr std::size_t kMaxD2xxDevices = 63;
// A count beyond this is not believed: no machine has that many FTDI devices.
constexpr FtDword kMaxListedDevices = 1024;

}  // namespace

// The pinpad's device is closed first: ports are listed only while the link is stopped.
int CountD2xxDevices() {
    CD2xxDevice& pinpad = PinpadD2xx();
    if (pinpad.library == nullptr) return 0;
    pinpad.Close();
    FtDword count = 0;
    if (pinpad.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK) return 0;
    return static_cast<int>(std::min(count, kMaxListedDevices));
}

std::vector<std::string> ListD2xxDevices() {
    const int count = CountD2xxDevices();
    if (count <= 0) return {};
    // The library fills one buffer per device it finds, so there is one for each counted
    // device (and a null pointer after them), even when only 63 are used.
    std::vector<std::array<char, kDescriptionSize>> buffers(static_cast<std::size_t>(count));
    std::vector<char*> pointers;
    for (auto& buffer : buffers) pointers.push_back(buffer.data());
    pointers.push_back(nullptr);
    FtDword listed = 0;
    if (PinpadD2xx().ListDevices(pointers.data(), &listed, FT_LIST_ALL | FT_OPEN_BY_DESCRIPTION) != FT_OK) {
        return {};
    }
    const std::size_t used = std::min({static_cast<std::size_t>(listed), buffers.size(), kMaxD2xxDevices});
    std::vector<std::string> descriptions;
    for (std::size_t i = 0; i < used; ++i) {
        buffers[i].back() = '\0';
        descriptions.emplace_back(buffers[i].data());
    }
    return descriptions;
}
