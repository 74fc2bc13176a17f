#include "d2xx_device.h"

#include <string>
#include <type_traits>

#include "common/program.h"
#include "common/ui_hook.h"
#include "config/log.h"
#include "devices/d2xx_library.h"

namespace {

void ShowDesktopMessage(const std::string& text) {
    if (IsDesktopProgram()) Ui().ShowMessage(text, "Termbridge", MessageIcon::None);
}

template <auto Member>
void Store(D2xxFunctions& functions, void* symbol) {
    using Pointer = std::remove_reference_t<decltype(functions.*Member)>;
    functions.*Member = reinterpret_cast<Pointer>(symbol);
}

struct Binding {
    const char* name;
    void (*store)(D2xxFunctions&, void*);
};

// The binding order: FT_SetBaudRate and FT_SetDataCharacteristics come before FT_OpenEx, so
// they are there whenever a device could be opened.
constexpr Binding kBindings[] = {
    {"FT_Write", &Store<&D2xxFunctions::FT_Write>},
    {"FT_SetDataCharacteristics", &Store<&D2xxFunctions::FT_SetDataCharacteristics>},
    {"FT_SetBaudRate", &Store<&D2xxFunctions::FT_SetBaudRate>},
    {"FT_Read", &Store<&D2xxFunctions::FT_Read>},
    {"FT_Open", &Store<&D2xxFunctions::FT_Open>},
    {"FT_OpenEx", &Store<&D2xxFunctions::FT_OpenEx>},
    {"FT_ListDevices", &Store<&D2xxFunctions::FT_ListDevices>},
    {"FT_Close", &Store<&D2xxFunctions::FT_Close>},
    {"FT_ResetDevice", &Store<&D2xxFunctions::FT_ResetDevice>},
    {"FT_Purge", &Store<&D2xxFunctions::FT_Purge>},
    {"FT_SetTimeouts", &Store<&D2xxFunctions::FT_SetTimeouts>},
    {"FT_GetQueueStatus", &Store<&D2xxFunctions::FT_GetQueueStatus>},
};

// Calls the function when the library has it; otherwise the desktop says so and the caller
// gets kD2xxFunctionMissing. A null text means the function has no box of its own.
template <typename Function, typename... Args>
FT_STATUS CallOrMissing(Function function, const char* missingText, Args... args) {
    if (function == nullptr) {
        if (missingText != nullptr) ShowDesktopMessage(missingText);
        return kD2xxFunctionMissing;
    }
    return function(args...);
}

}  // namespace

int CD2xxDevice::LoadD2xx() {
    LogMessage("Loading Ftd2xx.dll");
    functions = D2xxFunctions{};
    library = OpenD2xxLibrary();
    if (library == nullptr) {
        ShowDesktopMessage("Error: Can't Load ft8u245.dll");
        return -1;
    }
    for (const Binding& binding : kBindings) {
        void* symbol = FindD2xxSymbol(library, binding.name);
        if (symbol == nullptr) {
            ShowDesktopMessage(std::string("Error: Can't Find ") + binding.name);
            return -1;
        }
        binding.store(functions, symbol);
    }
    return 0;
}

FT_STATUS CD2xxDevice::OpenEx(const char* description) {
    return CallOrMissing(functions.FT_OpenEx, "FT_OpenEx is not valid!",
                         const_cast<char*>(description), FT_OPEN_BY_DESCRIPTION, &handle);
}

FT_STATUS CD2xxDevice::Close() {
    const FT_STATUS status = CallOrMissing(functions.FT_Close, "FT_Close is not valid!", handle);
    // A closed handle is gone; closing it again would hand the library a dangling one.
    handle = nullptr;
    return status;
}

FT_STATUS CD2xxDevice::Read(void* buffer, FtDword count, FtDword& bytesRead) {
    bytesRead = 0;
    return CallOrMissing(functions.FT_Read, "FT_Read is not valid!", handle, buffer, count,
                         &bytesRead);
}

FT_STATUS CD2xxDevice::Write(const void* buffer, FtDword count, FtDword& bytesWritten) {
    bytesWritten = 0;
    return CallOrMissing(functions.FT_Write, "FT_Write is not valid!", handle,
                         const_cast<void*>(buffer), count, &bytesWritten);
}

FT_STATUS CD2xxDevice::SetBaudRate(std::uint32_t baudRate) {
    return CallOrMissing(functions.FT_SetBaudRate, nullptr, handle, baudRate);
}

FT_STATUS CD2xxDevice::SetDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                              std::uint8_t parity) {
    return CallOrMissing(functions.FT_SetDataCharacteristics, nullptr, handle, wordLength,
                         stopBits, parity);
}

FT_STATUS CD2xxDevice::ResetDevice() {
    return CallOrMissing(functions.FT_ResetDevice, "FT_ResetDevice is not valid!", handle);
}

FT_STATUS CD2xxDevice::Purge(std::uint32_t mask) {
    return CallOrMissing(functions.FT_Purge, "FT_Purge is not valid!", handle, mask);
}

FT_STATUS CD2xxDevice::SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) {
    return CallOrMissing(functions.FT_SetTimeouts, "FT_SetTimeouts is not valid!", handle, readMs,
                         writeMs);
}

FT_STATUS CD2xxDevice::ListDevices(void* arg1, void* arg2, FtDword flags) {
    return CallOrMissing(functions.FT_ListDevices, "FT_ListDevices is not valid!", arg1, arg2,
                         flags);
}
