#include "pinpad_port.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

void MakeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) return;
    cfmakeraw(&settings);
    cfsetispeed(&settings, B115200);
    cfsetospeed(&settings, B115200);
    settings.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &settings);
}

// While nobody holds the other end of a pty open, poll reports a hang-up at once; waiting in
// small steps keeps that from becoming a busy loop.
constexpr auto kHangUpStep = std::chrono::milliseconds(5);

}  // namespace

PinpadPort::PinpadPort(int fd, std::string linkPath, std::string devicePath)
    : fd_(fd), isPty_(!linkPath.empty()), linkPath_(std::move(linkPath)), devicePath_(std::move(devicePath)) {}

PinpadPort::~PinpadPort() {
    if (!linkPath_.empty()) unlink(linkPath_.c_str());
    if (fd_ >= 0) close(fd_);
}

std::unique_ptr<PinpadPort> PinpadPort::CreatePty(const std::string& linkPath, std::string& error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        error = SystemError("posix_openpt");
        return nullptr;
    }
    if (grantpt(master) != 0 || unlockpt(master) != 0) {
        error = SystemError("unlockpt");
        close(master);
        return nullptr;
    }
    const char* name = ptsname(master);
    if (name == nullptr) {
        error = SystemError("ptsname");
        close(master);
        return nullptr;
    }
    const std::string slavePath = name;
    // Raw before the host opens it: no echo of our frames back to us, no line editing. The
    // pty keeps these settings across the host's closes and opens.
    const int slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        error = SystemError("open " + slavePath);
        close(master);
        return nullptr;
    }
    MakeRaw(slave);
    close(slave);

    unlink(linkPath.c_str());
    if (symlink(slavePath.c_str(), linkPath.c_str()) != 0) {
        error = SystemError("symlink " + linkPath);
        close(master);
        return nullptr;
    }
    return std::make_unique<PinpadPort>(master, linkPath, slavePath);
}

std::unique_ptr<PinpadPort> PinpadPort::OpenDevice(const std::string& path, std::string& error) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        error = SystemError("open " + path);
        return nullptr;
    }
    MakeRaw(fd);
    return std::make_unique<PinpadPort>(fd, std::string(), path);
}

int PinpadPort::ReadByte(std::chrono::milliseconds timeout) {
    if (bufferStart_ < bufferEnd_) return buffer_[bufferStart_++];
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{fd_, POLLIN, 0};
        const int ready = poll(&entry, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready < 0 && errno != EINTR) return -1;
        if (ready > 0 && (entry.revents & POLLIN) != 0) {
            const ssize_t got = read(fd_, buffer_, sizeof buffer_);
            if (got > 0) {
                bufferStart_ = 1;
                bufferEnd_ = static_cast<std::size_t>(got);
                return buffer_[0];
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) return -1;
        if (ready > 0) std::this_thread::sleep_for(std::min(kHangUpStep, std::max(left, std::chrono::milliseconds(1))));
    }
}

bool PinpadPort::Write(const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = write(fd_, data, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

void PinpadPort::DiscardInput() {
    bufferStart_ = bufferEnd_ = 0;
    while (ReadByte(std::chrono::milliseconds(0)) >= 0) {
    }
}

bool PinpadPort::PeerPresent() {
    if (!isPty_) return true;
    pollfd entry{fd_, 0, 0};
    if (poll(&entry, 1, 0) < 0) return false;
    return (entry.revents & POLLHUP) == 0;
}
