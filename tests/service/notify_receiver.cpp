#include "notify_receiver.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace {

constexpr const char* kMarker = "TEST-MARKER";

sockaddr_un Address(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long");
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

}  // namespace

NotifyReceiver::NotifyReceiver() {
    std::string pattern = (std::filesystem::temp_directory_path() / "termbridge-notify-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    directory_ = pattern;
    path_ = directory_ + "/notify";
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = Address(path_);
    if (fd_ < 0 || bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("notify socket failed");
    }
}

NotifyReceiver::~NotifyReceiver() {
    if (fd_ >= 0) close(fd_);
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

std::optional<std::string> NotifyReceiver::Next(std::chrono::milliseconds deadline) {
    pollfd wait{fd_, POLLIN, 0};
    if (poll(&wait, 1, static_cast<int>(deadline.count())) != 1) return std::nullopt;
    char buffer[4096];
    const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
    if (got < 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(got));
}

std::vector<std::string> NotifyReceiver::Drain() {
    const int sender = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = Address(path_);
    sendto(sender, kMarker, std::strlen(kMarker), 0, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    close(sender);
    std::vector<std::string> messages;
    for (auto message = Next(); message && *message != kMarker; message = Next()) messages.push_back(*message);
    return messages;
}
