#pragma once
// The part of FTDI's D2XX interface that we use, with the C signatures of its Linux library
// (where ULONG and DWORD are 32 bits). Shared with the fake library the tests build.

#include <cstdint>

using FT_HANDLE = void*;
using FT_STATUS = std::uint32_t;
using FtDword = std::uint32_t;

inline constexpr FT_STATUS FT_OK = 0;
// What a wrapper returns when the library lacks its function.
inline constexpr FT_STATUS kD2xxFunctionMissing = 1;

inline constexpr FtDword FT_OPEN_BY_DESCRIPTION = 2;
inline constexpr FtDword FT_LIST_NUMBER_ONLY = 0x80000000u;
inline constexpr FtDword FT_LIST_ALL = 0x20000000u;
inline constexpr std::uint32_t FT_PURGE_RX = 1;
inline constexpr std::uint8_t FT_BITS_8 = 8;
inline constexpr std::uint8_t FT_STOP_BITS_1 = 0;
inline constexpr std::uint8_t FT_PARITY_NONE = 0;

extern "C" {
using FT_WriteFn = FT_STATUS (*)(FT_HANDLE, void*, FtDword, FtDword*);
using FT_SetDataCharacteristicsFn = FT_STATUS (*)(FT_HANDLE, std::uint8_t, std::uint8_t, std::uint8_t);
using FT_SetBaudRateFn = FT_STATUS (*)(FT_HANDLE, std::uint32_t);
using FT_ReadFn = FT_STATUS (*)(FT_HANDLE, void*, FtDword, FtDword*);
using FT_OpenFn = FT_STATUS (*)(int, FT_HANDLE*);
using FT_OpenExFn = FT_STATUS (*)(void*, FtDword, FT_HANDLE*);
using FT_ListDevicesFn = FT_STATUS (*)(void*, void*, FtDword);
using FT_CloseFn = FT_STATUS (*)(FT_HANDLE);
using FT_ResetDeviceFn = FT_STATUS (*)(FT_HANDLE);
using FT_PurgeFn = FT_STATUS (*)(FT_HANDLE, std::uint32_t);
using FT_SetTimeoutsFn = FT_STATUS (*)(FT_HANDLE, std::uint32_t, std::uint32_t);
using FT_GetQueueStatusFn = FT_STATUS (*)(FT_HANDLE, FtDword*);
}
