#pragma once
// A thin wrapper around one serial port: every operation makes its system call on the held port
// and throws CSerialException with the system's error code when that call fails. Blocking I/O
// only, no flow control unless a caller switches it on through SetState.
//
// Error rules, once for all operations:
// - Every operation except the constructor, the destructor, Close, Detach and IsOpen throws
//   CSerialException on failure; on a wrapper that holds no port they throw the system's
//   "bad handle" error (EBADF on POSIX).
// - An open port is exclusive: a second Open of the same port, in this process or another,
//   fails (EBUSY on POSIX).
// - A port without modem lines (a pseudo-terminal, some USB adapters) takes DTR, RTS, break and
//   modem-status calls as no-ops, the way a virtual COM port does; GetModemStatus then gives 0.
// - Read and Write wait as long as the time-outs of SetTimeouts say, sleeping in the kernel.
//
// Port numbers are resolved by SerialPortPath (devices/serial_port_path.h).

#include <cstddef>
#include <cstdint>

#include "devices/serial_exception.h"
#include "devices/serial_types.h"

// The system's handle of an open port: a file descriptor on POSIX.
using SerialHandle = std::intptr_t;
inline constexpr SerialHandle kNoSerialHandle = -1;

// Line error counts as the driver keeps them; ClearError reports what changed since last time.
struct LineErrorCounts {
    std::uint32_t frame = 0;
    std::uint32_t overrun = 0;
    std::uint32_t parity = 0;
    std::uint32_t brk = 0;
    std::uint32_t bufferOverrun = 0;
};

class CSerialPort {
public:
    CSerialPort() = default;
    virtual ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Closes a held port first. Parity above kSpaceParity or stop bits above kTwoStopBits keep
    // the port's current value. A failure after the port was opened leaves it held.
    void Open(int port, std::uint32_t baudRate, std::uint8_t parity, std::uint8_t dataBits,
              std::uint8_t stopBits);
    void Close();
    bool IsOpen() const { return handle_ != kNoSerialHandle; }
    void Attach(SerialHandle handle);
    SerialHandle Detach();

    // Fewer bytes than asked for (0 included) when the read time-out passed.
    std::size_t Read(void* buffer, std::size_t count);
    // Fewer bytes than given when the write time-out passed.
    std::size_t Write(const void* buffer, std::size_t count);

    void GetState(Dcb& dcb);
    void SetState(const Dcb& dcb);
    void GetConfig(CommConfig& config);
    void SetConfig(const CommConfig& config);
    // Needs no open port; fails for a port that does not exist. The defaults are 9600 8N1
    // without flow control.
    static void GetDefaultConfig(int port, CommConfig& config);
    void GetTimeouts(CommTimeouts& timeouts);
    void SetTimeouts(const CommTimeouts& timeouts);
    // Recommended queue sizes; the driver's own queues stay as they are on POSIX.
    void Setup(std::uint32_t inputQueue, std::uint32_t outputQueue);
    void ClearError(std::uint32_t& errors);
    void ClearError(std::uint32_t& errors, ComStat& status);
    std::uint32_t BytesWaiting();
    void GetModemStatus(std::uint32_t& flags);
    void SetBreak();
    void ClearBreak();
    void GetProperties(CommProp& properties);
    // Waits until everything written has left.
    void Flush();
    void Purge(std::uint32_t flags);
    void ClearDTR();
    void ClearRTS();
    void SetDTR();
    void SetRTS();
    // Suspends and resumes our output, as if XOFF / XON had been received.
    void SetXoff();
    void SetXon();

private:
    void CheckOpen() const;
    std::uint32_t TakeLineErrors();

    SerialHandle handle_ = kNoSerialHandle;
    CommTimeouts timeouts_{};
    std::uint32_t inputQueue_ = 0;
    std::uint32_t outputQueue_ = 0;
    LineErrorCounts seenErrors_{};
};
