#pragma once
// The line settings, time-outs and status records that CSerialPort passes in and out. They
// keep the field names of the Windows records so that callers read the same on every platform.

#include <cstdint>

// Parity codes (Dcb::Parity).
inline constexpr std::uint8_t kNoParity = 0;
inline constexpr std::uint8_t kOddParity = 1;
inline constexpr std::uint8_t kEvenParity = 2;
inline constexpr std::uint8_t kMarkParity = 3;
inline constexpr std::uint8_t kSpaceParity = 4;

// Stop-bit codes (Dcb::StopBits).
inline constexpr std::uint8_t kOneStopBit = 0;
inline constexpr std::uint8_t kOne5StopBits = 1;
inline constexpr std::uint8_t kTwoStopBits = 2;

// Line settings of an open port.
struct Dcb {
    std::uint32_t BaudRate = 9600;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = kNoParity;
    std::uint8_t StopBits = kOneStopBit;
    bool fOutxCtsFlow = false;     // hardware flow control (RTS/CTS)
    bool fOutxDsrFlow = false;     // no POSIX equivalent; always reported false
    bool fDsrSensitivity = false;  // no POSIX equivalent; always reported false
    bool fOutX = false;            // XON/XOFF on output
    bool fInX = false;             // XON/XOFF on input
};

struct CommConfig {
    Dcb dcb;
};

// Milliseconds; a read total is multiplier * bytes + constant. All zero: wait without limit.
struct CommTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};
// ReadIntervalTimeout of this value with both read totals 0: a read returns at once.
inline constexpr std::uint32_t kMaxTimeout = 0xFFFFFFFFu;

struct ComStat {
    std::uint32_t cbInQue = 0;   // bytes received, not yet read
    std::uint32_t cbOutQue = 0;  // bytes written, not yet sent
};

struct CommProp {
    std::uint32_t dwMaxBaud = 0;
    std::uint32_t dwCurrentTxQueue = 0;  // as last given to Setup, 0 before
    std::uint32_t dwCurrentRxQueue = 0;
};

// Line error flags returned by ClearError.
inline constexpr std::uint32_t kCeRxOver = 0x0001;
inline constexpr std::uint32_t kCeOverrun = 0x0002;
inline constexpr std::uint32_t kCeRxParity = 0x0004;
inline constexpr std::uint32_t kCeFrame = 0x0008;
inline constexpr std::uint32_t kCeBreak = 0x0010;

// Modem status flags returned by GetModemStatus.
inline constexpr std::uint32_t kModemCtsOn = 0x0010;
inline constexpr std::uint32_t kModemDsrOn = 0x0020;
inline constexpr std::uint32_t kModemRingOn = 0x0040;
inline constexpr std::uint32_t kModemRlsdOn = 0x0080;

// Purge flags, combinable.
inline constexpr std::uint32_t kPurgeTxAbort = 0x0001;
inline constexpr std::uint32_t kPurgeRxAbort = 0x0002;
inline constexpr std::uint32_t kPurgeTxClear = 0x0004;
inline constexpr std::uint32_t kPurgeRxClear = 0x0008;
