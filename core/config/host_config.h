#pragma once
// The 476-byte settings record. The same bytes are the configuration block of the
// remote-control protocol, so the layout is fixed and little-endian.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>

enum class PrinterKind : std::int32_t {
    None = 0,
    WindowsDefault = 1,
    ComPort = 2,
    Ethernet = 3,
    ExternalEcr = 4,  // understood by the service only
};

struct HostConfig {
    char printerIp[64];                // PRINTER_IP
    std::int32_t printerPort;          // PRINTER_PORT
    std::int32_t printerComPrnPort;    // PRINTER_COM_PRN_PORT, 0 = none
    char printerD2xxDeviceName[68];    // PRINTER_D2XX_DEVICE_NAME
    std::int32_t comPort;              // COM_PORT, 0 = none
    char d2xxName[65];                 // D2XX_NAME; non-empty selects the FTDI pinpad
    char gsmUserName[65];              // GSM_USER_NAME
    char gsmPassword[65];              // GSM_PASSWORD
    std::int8_t loggingLevel;          // LOGGING_LEVEL: 0 off, 1 normal, 2 detailed
    std::int8_t printerWidth;          // PRINTER_WIDTH: 0 = 57 mm, 1 = 79 mm
    char logPath[131];                 // set by each successful read, never stored in the file
    std::int32_t printerType;          // PRINTER_TYPE, a PrinterKind value
};

static_assert(std::endian::native == std::endian::little, "HostConfig travels as raw little-endian bytes");
static_assert(sizeof(HostConfig) == 476);
static_assert(offsetof(HostConfig, printerIp) == 0);
static_assert(offsetof(HostConfig, printerPort) == 64);
static_assert(offsetof(HostConfig, printerComPrnPort) == 68);
static_assert(offsetof(HostConfig, printerD2xxDeviceName) == 72);
static_assert(offsetof(HostConfig, comPort) == 140);
static_assert(offsetof(HostConfig, d2xxName) == 144);
static_assert(offsetof(HostConfig, gsmUserName) == 209);
static_assert(offsetof(HostConfig, gsmPassword) == 274);
static_assert(offsetof(HostConfig, loggingLevel) == 339);
static_assert(offsetof(HostConfig, printerWidth) == 340);
static_assert(offsetof(HostConfig, logPath) == 341);
static_assert(offsetof(HostConfig, printerType) == 472);

// The process-wide record. Readers get a whole copy, so none ever sees a record that
// another thread is half-way through replacing.
HostConfig GetHostConfig();
void SetHostConfig(const HostConfig& config);
// Changes the record in place under its lock (read-modify-write in one step).
void ModifyHostConfig(const std::function<void(HostConfig&)>& change);

// LOGGING_LEVEL of the current record, read at every log call without taking the lock.
int CurrentLogLevel();
