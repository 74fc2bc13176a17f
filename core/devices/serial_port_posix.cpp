#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#if __has_include(<linux/serial.h>)
#include <linux/serial.h>
#endif

#include <cerrno>
#include <optional>

#include "devices/deadline.h"
#include "devices/serial_platform.h"
#include "devices/serial_port_path.h"
#include "devices/system_error.h"
#include "devices/termios_dcb_posix.h"

namespace serial_platform {
namespace {

int Fd(SerialHandle handle) { return static_cast<int>(handle); }

[[noreturn]] void Fail() { ThrowSerialException(LastSystemError()); }
[[noreturn]] void FailWith(int error) { ThrowSerialException(static_cast<std::uint32_t>(error)); }

// A port without modem lines answers modem-control calls so; a Windows virtual COM port takes
// them silently, and the open and close sequences of the callers rely on that.
bool LacksModemLines(int error) { return error == ENOTTY || error == EINVAL; }

termios CurrentTermios(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) Fail();
    return settings;
}

void ApplyTermios(int fd, const termios& settings) {
    if (tcsetattr(fd, TCSANOW, &settings) != 0) Fail();
}

[[noreturn]] void CloseAndFail(int fd, int error) {
    ::close(fd);
    FailWith(error);
}

// Waits until the port is ready for events or the deadline passes; false on the deadline.
bool WaitReady(int fd, short events, const Deadline& deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, deadline.PollTimeout());
        if (ready > 0) return true;
        if (ready == 0) {
            if (deadline.Passed()) return false;
            continue;
        }
        if (errno != EINTR) Fail();
    }
}

std::uint64_t TotalMs(std::uint32_t multiplier, std::uint32_t constant, std::size_t count) {
    return static_cast<std::uint64_t>(multiplier) * count + constant;
}

// How one read waits, from the time-outs as Windows defines them.
struct ReadPlan {
    bool returnAtOnce = false;       // interval "max", totals 0: only what is there already
    bool returnOnFirstByte = false;  // interval and multiplier "max", constant set
    Deadline total = Deadline::Never();
    std::optional<std::chrono::milliseconds> interval;
};

ReadPlan PlanRead(const CommTimeouts& t, std::size_t count) {
    ReadPlan plan;
    const bool maxInterval = t.ReadIntervalTimeout == kMaxTimeout;
    if (maxInterval && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0) {
        plan.returnAtOnce = true;
        return plan;
    }
    if (maxInterval && t.ReadTotalTimeoutMultiplier == kMaxTimeout &&
        t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != kMaxTimeout) {
        plan.returnOnFirstByte = true;
        plan.total = Deadline::In(std::chrono::milliseconds(t.ReadTotalTimeoutConstant));
        return plan;
    }
    if (t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0) {
        plan.total = Deadline::In(std::chrono::milliseconds(
            TotalMs(t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant, count)));
    }
    if (t.ReadIntervalTimeout != 0 && !maxInterval) {
        plan.interval = std::chrono::milliseconds(t.ReadIntervalTimeout);
    }
    return plan;
}

void ModemControl(int fd, unsigned long request, int bits) {
    if (::ioctl(fd, request, &bits) != 0 && !LacksModemLines(errno)) Fail();
}

}  // namespace

SerialHandle OpenPort(int port) {
    const std::string path = SerialPortPath(port);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) Fail();
    // The lock belongs to this open file description, so a second open fails even inside this
    // process; TIOCEXCL also keeps out programs that do not lock (root excepted).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) CloseAndFail(fd, errno == EWOULDBLOCK ? EBUSY : errno);
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) CloseAndFail(fd, errno);
    if (::ioctl(fd, TIOCEXCL) != 0) CloseAndFail(fd, errno);
    MakeRaw(settings);
    if (tcsetattr(fd, TCSANOW, &settings) != 0) {
        const int error = errno;
        ::ioctl(fd, TIOCNXCL);
        CloseAndFail(fd, error);
    }
    return fd;
}

void ClosePort(SerialHandle handle) {
    // The exclusive flag outlives our descriptor on a device that others keep open.
    ::ioctl(Fd(handle), TIOCNXCL);
    ::close(Fd(handle));
}

void CheckPortExists(int port) {
    struct stat info {};
    if (::stat(SerialPortPath(port).c_str(), &info) != 0) Fail();
    if (!S_ISCHR(info.st_mode)) FailWith(ENODEV);
}

void CheckAnswers(SerialHandle handle) { CurrentTermios(Fd(handle)); }

std::uint32_t NotOpenError() { return EBADF; }

void GetState(SerialHandle handle, Dcb& dcb) { dcb = DcbFromTermios(CurrentTermios(Fd(handle))); }

void SetState(SerialHandle handle, const Dcb& dcb) {
    termios settings = CurrentTermios(Fd(handle));
    ApplyDcb(settings, dcb);
    ApplyTermios(Fd(handle), settings);
}

std::size_t Read(SerialHandle handle, void* buffer, std::size_t count, const CommTimeouts& timeouts) {
    auto* out = static_cast<unsigned char*>(buffer);
    const ReadPlan plan = PlanRead(timeouts, count);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(Fd(handle), out + got, count - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            if (plan.returnOnFirstByte) break;
            continue;
        }
        // End of file on a terminal: the line hung up, the device is gone.
        if (n == 0) FailWith(EIO);
        if (errno == EINTR) continue;
        if (errno != EAGAIN) Fail();
        if (plan.returnAtOnce) break;
        const Deadline wait = got > 0 && plan.interval
                                  ? Deadline::Earlier(plan.total, Deadline::In(*plan.interval))
                                  : plan.total;
        if (!WaitReady(Fd(handle), POLLIN, wait)) break;
    }
    return got;
}

std::size_t Write(SerialHandle handle, const void* buffer, std::size_t count,
                  const CommTimeouts& timeouts) {
    const auto* in = static_cast<const unsigned char*>(buffer);
    const bool limited =
        timeouts.WriteTotalTimeoutMultiplier != 0 || timeouts.WriteTotalTimeoutConstant != 0;
    const Deadline total =
        limited ? Deadline::In(std::chrono::milliseconds(TotalMs(
                      timeouts.WriteTotalTimeoutMultiplier, timeouts.WriteTotalTimeoutConstant, count)))
                : Deadline::Never();
    std::size_t sent = 0;
    while (sent < count) {
        const ssize_t n = ::write(Fd(handle), in + sent, count - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) Fail();
        if (!WaitReady(Fd(handle), POLLOUT, total)) break;
    }
    return sent;
}

ComStat QueueStatus(SerialHandle handle) {
    int in = 0;
    int out = 0;
    if (::ioctl(Fd(handle), FIONREAD, &in) != 0) Fail();
    if (::ioctl(Fd(handle), TIOCOUTQ, &out) != 0) Fail();
    return ComStat{static_cast<std::uint32_t>(in), static_cast<std::uint32_t>(out)};
}

bool ReadLineErrorCounts(SerialHandle handle, LineErrorCounts& counts) {
#ifdef TIOCGICOUNT
    serial_icounter_struct driver{};
    if (::ioctl(Fd(handle), TIOCGICOUNT, &driver) != 0) {
        if (LacksModemLines(errno)) return false;
        Fail();
    }
    counts.frame = static_cast<std::uint32_t>(driver.frame);
    counts.overrun = static_cast<std::uint32_t>(driver.overrun);
    counts.parity = static_cast<std::uint32_t>(driver.parity);
    counts.brk = static_cast<std::uint32_t>(driver.brk);
    counts.bufferOverrun = static_cast<std::uint32_t>(driver.buf_overrun);
    return true;
#else
    CheckAnswers(handle);
    (void)counts;
    return false;
#endif
}

std::uint32_t ModemStatus(SerialHandle handle) {
    int lines = 0;
    if (::ioctl(Fd(handle), TIOCMGET, &lines) != 0) {
        if (LacksModemLines(errno)) return 0;
        Fail();
    }
    std::uint32_t flags = 0;
    if ((lines & TIOCM_CTS) != 0) flags |= kModemCtsOn;
    if ((lines & TIOCM_DSR) != 0) flags |= kModemDsrOn;
    if ((lines & TIOCM_RI) != 0) flags |= kModemRingOn;
    if ((lines & TIOCM_CD) != 0) flags |= kModemRlsdOn;
    return flags;
}

std::uint32_t MaxBaud() { return HighestBaudRate(); }

void SetModemLine(SerialHandle handle, ModemLine line, bool on) {
    ModemControl(Fd(handle), on ? TIOCMBIS : TIOCMBIC, line == ModemLine::Dtr ? TIOCM_DTR : TIOCM_RTS);
}

void SetBreak(SerialHandle handle, bool on) {
    if (::ioctl(Fd(handle), on ? TIOCSBRK : TIOCCBRK) != 0 && !LacksModemLines(errno)) Fail();
}

void SetOutputSuspended(SerialHandle handle, bool suspended) {
    if (tcflow(Fd(handle), suspended ? TCOOFF : TCOON) != 0) Fail();
}

void Drain(SerialHandle handle) {
    while (tcdrain(Fd(handle)) != 0) {
        if (errno != EINTR) Fail();
    }
}

void Purge(SerialHandle handle, std::uint32_t flags) {
    constexpr std::uint32_t kKnown = kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear;
    if ((flags & ~kKnown) != 0) FailWith(EINVAL);
    // Nothing to abort: reads and writes run on the caller's own thread. The port must still
    // answer, as it must on Windows.
    CheckAnswers(handle);
    const bool rx = (flags & kPurgeRxClear) != 0;
    const bool tx = (flags & kPurgeTxClear) != 0;
    if (!rx && !tx) return;
    if (tcflush(Fd(handle), rx && tx ? TCIOFLUSH : (rx ? TCIFLUSH : TCOFLUSH)) != 0) Fail();
}

}  // namespace serial_platform
