#pragma once
// An FTDI USB-serial device driven through the vendor's D2XX library, which may be missing and
// is loaded at run time. Every wrapper returns the library's status, or kD2xxFunctionMissing
// when the library lacks the function (the desktop program shows a message box first). No
// status ever becomes an exception: callers decide what a non-zero status means.

#include <cstdint>

#include "devices/d2xx_api.h"

// Bound in this order by LoadD2xx.
struct D2xxFunctions {
    FT_WriteFn FT_Write = nullptr;
    FT_SetDataCharacteristicsFn FT_SetDataCharacteristics = nullptr;
    FT_SetBaudRateFn FT_SetBaudRate = nullptr;
    FT_ReadFn FT_Read = nullptr;
    FT_OpenFn FT_Open = nullptr;
    FT_OpenExFn FT_OpenEx = nullptr;
    FT_ListDevicesFn FT_ListDevices = nullptr;
    FT_CloseFn FT_Close = nullptr;
    FT_ResetDeviceFn FT_ResetDevice = nullptr;
    FT_PurgeFn FT_Purge = nullptr;
    FT_SetTimeoutsFn FT_SetTimeouts = nullptr;
    FT_GetQueueStatusFn FT_GetQueueStatus = nullptr;
};

class CD2xxDevice {
public:
    // Loads the library ($TERMBRIDGE_D2XX_LIBRARY, else libftd2xx.so) and binds its functions
    // in order. 0 = all bound; -1 = the library did not load or a name is missing, in which
    // case the functions bound before that name stay usable. The desktop program shows a
    // message box naming the failed step.
    int LoadD2xx();

    FT_STATUS OpenEx(const char* description);  // by description; keeps the handle
    FT_STATUS Close();                          // forgets the handle whatever the status
    FT_STATUS Read(void* buffer, FtDword count, FtDword& bytesRead);
    FT_STATUS Write(const void* buffer, FtDword count, FtDword& bytesWritten);
    FT_STATUS SetBaudRate(std::uint32_t baudRate);
    FT_STATUS SetDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                     std::uint8_t parity);
    FT_STATUS ResetDevice();
    FT_STATUS Purge(std::uint32_t mask);
    FT_STATUS SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs);
    FT_STATUS ListDevices(void* arg1, void* arg2, FtDword flags);

    void* library = nullptr;  // null until the library loaded; never unloaded
    FT_HANDLE handle = nullptr;
    D2xxFunctions functions;
};
