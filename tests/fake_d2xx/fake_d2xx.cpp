// A stand-in for FTDI's D2XX library: the same exported functions with the C signatures of the
// Linux library, carrying the bytes over a tty instead of USB. A device's description names an
// entry of the directory $FAKE_D2XX_DEVICES (a symlink to a pty slave). When $FAKE_D2XX_CALL_LOG
// names a file, every call that changes the device's set-up appends a line to it.
// Built a second time without FT_GetQueueStatus (FAKE_D2XX_WITHOUT_QUEUE_STATUS).

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "devices/d2xx_api.h"

#define FAKE_D2XX_API extern "C" __attribute__((visibility("default")))

namespace {

enum : FT_STATUS {
    kInvalidHandle = 1,
    kDeviceNotFound = 2,
    kIoError = 4,
    kInvalidParameter = 6,
};

struct FakeDevice {
    int fd = -1;
    std::uint32_t readTimeoutMs = 0;  // 0: wait without limit
    std::uint32_t writeTimeoutMs = 0;
};

std::mutex devicesLock;
std::set<FakeDevice*> liveDevices;  // guarded by devicesLock

FakeDevice* Live(FT_HANDLE handle) {
    std::lock_guard<std::mutex> guard(devicesLock);
    auto* device = static_cast<FakeDevice*>(handle);
    return liveDevices.count(device) != 0 ? device : nullptr;
}

void LogCall(const std::string& line) {
    const char* path = std::getenv("FAKE_D2XX_CALL_LOG");
    if (path == nullptr) return;
    if (std::FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

std::vector<std::string> Descriptions() {
    std::vector<std::string> names;
    const char* dir = std::getenv("FAKE_D2XX_DEVICES");
    if (dir == nullptr) return names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

FT_STATUS OpenPath(const std::string& description, FT_HANDLE* handle) {
    const char* dir = std::getenv("FAKE_D2XX_DEVICES");
    if (dir == nullptr || handle == nullptr) return kDeviceNotFound;
    const std::string path = std::string(dir) + "/" + description;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return kDeviceNotFound;
    termios settings{};
    if (tcgetattr(fd, &settings) == 0) {
        cfmakeraw(&settings);
        settings.c_cc[VMIN] = 1;
        settings.c_cc[VTIME] = 0;
        tcsetattr(fd, TCSANOW, &settings);
    }
    auto* device = new FakeDevice{fd};
    {
        std::lock_guard<std::mutex> guard(devicesLock);
        liveDevices.insert(device);
    }
    *handle = device;
    return FT_OK;
}

int MsLeft(std::chrono::steady_clock::time_point end, bool limited) {
    if (!limited) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(left.count(), 0));
}

// false when the time-out passed first
bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point end, bool limited) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, MsLeft(end, limited));
        if (ready > 0) return true;
        if (ready == 0) {
            if (std::chrono::steady_clock::now() >= end) return false;
            continue;
        }
        if (errno != EINTR) return true;  // let the read or write report it
    }
}

}  // namespace

FAKE_D2XX_API FT_STATUS FT_Open(int deviceNumber, FT_HANDLE* pHandle) {
    const auto names = Descriptions();
    if (deviceNumber < 0 || static_cast<std::size_t>(deviceNumber) >= names.size()) {
        return kDeviceNotFound;
    }
    return OpenPath(names[static_cast<std::size_t>(deviceNumber)], pHandle);
}

FAKE_D2XX_API FT_STATUS FT_OpenEx(void* pArg1, FtDword Flags, FT_HANDLE* pHandle) {
    if (Flags != FT_OPEN_BY_DESCRIPTION || pArg1 == nullptr) return kInvalidParameter;
    const std::string description = static_cast<const char*>(pArg1);
    LogCall("FT_OpenEx " + description);
    return OpenPath(description, pHandle);
}

FAKE_D2XX_API FT_STATUS FT_Close(FT_HANDLE ftHandle) {
    LogCall("FT_Close");
    FakeDevice* device = Live(ftHandle);
    if (device == nullptr) return kInvalidHandle;
    {
        std::lock_guard<std::mutex> guard(devicesLock);
        liveDevices.erase(device);
    }
    ::close(device->fd);
    delete device;
    return FT_OK;
}

FAKE_D2XX_API FT_STATUS FT_Read(FT_HANDLE ftHandle, void* lpBuffer, FtDword dwBytesToRead,
                                FtDword* lpBytesReturned) {
    FakeDevice* device = Live(ftHandle);
    if (device == nullptr) return kInvalidHandle;
    auto* out = static_cast<unsigned char*>(lpBuffer);
    const bool limited = device->readTimeoutMs != 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(device->readTimeoutMs);
    FtDword got = 0;
    FT_STATUS status = FT_OK;
    while (got < dwBytesToRead) {
        const ssize_t n = ::read(device->fd, out + got, dwBytesToRead - got);
        if (n > 0) {
            got += static_cast<FtDword>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || errno != EAGAIN) {
            status = kIoError;  // the line hung up
            break;
        }
        if (!WaitFor(device->fd, POLLIN, end, limited)) break;
    }
    if (lpBytesReturned != nullptr) *lpBytesReturned = got;
    return status;
}

FAKE_D2XX_API FT_STATUS FT_Write(FT_HANDLE ftHandle, void* lpBuffer, FtDword dwBytesToWrite,
                                 FtDword* lpBytesWritten) {
    FakeDevice* device = Live(ftHandle);
    if (device == nullptr) return kInvalidHandle;
    const auto* in = static_cast<const unsigned char*>(lpBuffer);
    const bool limited = device->writeTimeoutMs != 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(device->writeTimeoutMs);
    FtDword sent = 0;
    FT_STATUS status = FT_OK;
    while (sent < dwBytesToWrite) {
        const ssize_t n = ::write(device->fd, in + sent, dwBytesToWrite - sent);
        if (n > 0) {
            sent += static_cast<FtDword>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            status = kIoError;
            break;
        }
        if (!WaitFor(device->fd, POLLOUT, end, limited)) break;
    }
    if (lpBytesWritten != nullptr) *lpBytesWritten = sent;
    return status;
}

FAKE_D2XX_API FT_STATUS FT_SetBaudRate(FT_HANDLE ftHandle, std::uint32_t BaudRate) {
    LogCall("FT_SetBaudRate " + std::to_string(BaudRate));
    return Live(ftHandle) != nullptr ? FT_OK : kInvalidHandle;
}

FAKE_D2XX_API FT_STATUS FT_SetDataCharacteristics(FT_HANDLE ftHandle, std::uint8_t WordLength,
                                                  std::uint8_t StopBits, std::uint8_t Parity) {
    LogCall("FT_SetDataCharacteristics " + std::to_string(WordLength) + " " +
            std::to_string(StopBits) + " " + std::to_string(Parity));
    return Live(ftHandle) != nullptr ? FT_OK : kInvalidHandle;
}

FAKE_D2XX_API FT_STATUS FT_ResetDevice(FT_HANDLE ftHandle) {
    LogCall("FT_ResetDevice");
    return Live(ftHandle) != nullptr ? FT_OK : kInvalidHandle;
}

FAKE_D2XX_API FT_STATUS FT_Purge(FT_HANDLE ftHandle, std::uint32_t Mask) {
    LogCall("FT_Purge " + std::to_string(Mask));
    FakeDevice* device = Live(ftHandle);
    if (device == nullptr) return kInvalidHandle;
    if ((Mask & 1) != 0) tcflush(device->fd, TCIFLUSH);
    if ((Mask & 2) != 0) tcflush(device->fd, TCOFLUSH);
    return FT_OK;
}

FAKE_D2XX_API FT_STATUS FT_SetTimeouts(FT_HANDLE ftHandle, std::uint32_t ReadTimeout,
                                       std::uint32_t WriteTimeout) {
    LogCall("FT_SetTimeouts " + std::to_string(ReadTimeout) + " " + std::to_string(WriteTimeout));
    FakeDevice* device = Live(ftHandle);
    if (device == nullptr) return kInvalidHandle;
    device->readTimeoutMs = ReadTimeout;
    device->writeTimeoutMs = WriteTimeout;
    return FT_OK;
}

FAKE_D2XX_API FT_STATUS FT_ListDevices(void* pArg1, void* pArg2, FtDword Flags) {
    const auto names = Descriptions();
    if ((Flags & FT_LIST_NUMBER_ONLY) != 0) {
        if (pArg1 == nullptr) return kInvalidParameter;
        *static_cast<FtDword*>(pArg1) = static_cast<FtDword>(names.size());
        return FT_OK;
    }
    if ((Flags & FT_LIST_ALL) != 0 && (Flags & FT_OPEN_BY_DESCRIPTION) != 0) {
        if (pArg1 == nullptr) return kInvalidParameter;
        // pArg1: an array of buffers of 64 characters, ended by a null pointer.
        auto** buffers = static_cast<char**>(pArg1);
        for (std::size_t i = 0; i < names.size() && buffers[i] != nullptr; ++i) {
            std::snprintf(buffers[i], 64, "%s", names[i].c_str());
        }
        if (pArg2 != nullptr) *static_cast<FtDword*>(pArg2) = static_cast<FtDword>(names.size());
        return FT_OK;
    }
    return kInvalidParameter;
}

#ifndef FAKE_D2XX_WITHOUT_QUEUE_STATUS
FAKE_D2XX_API FT_STATUS FT_GetQueueStatus(FT_HANDLE ftHandle, FtDword* dwRxBytes) {
    FakeDevice* device = Live(ftHandle);
    if (device == nullptr) return kInvalidHandle;
    int waiting = 0;
    if (::ioctl(device->fd, FIONREAD, &waiting) != 0) return kIoError;
    if (dwRxBytes != nullptr) *dwRxBytes = static_cast<FtDword>(waiting);
    return FT_OK;
}
static_assert(std::is_same_v<decltype(&FT_GetQueueStatus), FT_GetQueueStatusFn>);
#endif

// The exports must match what the binding calls through.
static_assert(std::is_same_v<decltype(&FT_Write), FT_WriteFn>);
static_assert(std::is_same_v<decltype(&FT_SetDataCharacteristics), FT_SetDataCharacteristicsFn>);
static_assert(std::is_same_v<decltype(&FT_SetBaudRate), FT_SetBaudRateFn>);
static_assert(std::is_same_v<decltype(&FT_Read), FT_ReadFn>);
static_assert(std::is_same_v<decltype(&FT_Open), FT_OpenFn>);
static_assert(std::is_same_v<decltype(&FT_OpenEx), FT_OpenExFn>);
static_assert(std::is_same_v<decltype(&FT_ListDevices), FT_ListDevicesFn>);
static_assert(std::is_same_v<decltype(&FT_Close), FT_CloseFn>);
static_assert(std::is_same_v<decltype(&FT_ResetDevice), FT_ResetDeviceFn>);
static_assert(std::is_same_v<decltype(&FT_Purge), FT_PurgeFn>);
static_assert(std::is_same_v<decltype(&FT_SetTimeouts), FT_SetTimeoutsFn>);
