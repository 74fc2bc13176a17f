#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace {

void Require(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string(what) + ": " + std::to_string(errno));
}

}  // namespace

PtyPair::PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    Require(master_ >= 0, "posix_openpt");
    Require(grantpt(master_) == 0 && unlockpt(master_) == 0, "grantpt/unlockpt");
    char name[128];
    Require(ptsname_r(master_, name, sizeof name) == 0, "ptsname_r");
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    Require(slave_ >= 0, "open slave");
    termios settings{};
    Require(tcgetattr(slave_, &settings) == 0, "tcgetattr");
    cfmakeraw(&settings);
    Require(tcsetattr(slave_, TCSANOW, &settings) == 0, "tcsetattr");
}

PtyPair::~PtyPair() {
    if (slave_ >= 0) ::close(slave_);
    CloseMaster();
}

void PtyPair::CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

void PtyPair::Write(const Bytes& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + sent, bytes.size() - sent);
        if (n < 0 && errno == EINTR) continue;
        Require(n > 0, "write master");
        sent += static_cast<std::size_t>(n);
    }
}

std::optional<std::uint8_t> PtyPair::ReadByte(std::chrono::milliseconds wait) {
    const auto end = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd entry{master_, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        std::uint8_t byte = 0;
        const ssize_t n = ::read(master_, &byte, 1);
        if (n == 1) return byte;
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        return std::nullopt;  // EIO: no slave open just now
    }
}

Bytes PtyPair::ReadUntilQuiet(std::chrono::milliseconds wait) {
    Bytes bytes;
    while (auto byte = ReadByte(wait)) bytes.push_back(*byte);
    return bytes;
}

DeviceLinkDir::DeviceLinkDir(const char* environmentVariable) : variable_(environmentVariable) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "termbridge-devices-XXXXXX").string();
    Require(mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    path_ = pattern;
    setenv(variable_.c_str(), path_.c_str(), 1);
}

DeviceLinkDir::~DeviceLinkDir() {
    unsetenv(variable_.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void DeviceLinkDir::Link(const std::string& name, const std::string& target) {
    std::filesystem::create_symlink(target, path_ + "/" + name);
}
