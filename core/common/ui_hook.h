#pragma once
// How worker threads of the core reach the desktop's main window. The service installs
// nothing and every call is a no-op; the desktop implements it with queued calls onto
// its main thread, except ShowMessage, which blocks the caller until the box is closed.

#include <cstdint>
#include <string>

// RGB colours as the window uses them.
struct StatusColour {
    std::uint8_t red, green, blue;
    bool isDefault;  // the control's own default text colour
};
inline constexpr StatusColour kDefaultColour{0, 0, 0, true};
inline constexpr StatusColour kDarkRed{127, 0, 0, false};
inline constexpr StatusColour kDarkGreen{0, 127, 0, false};

enum class MessageIcon { None, Information, Exclamation, Error };

class UiHook {
public:
    virtual ~UiHook() = default;

    virtual void EnableTransactionButton(bool /*enable*/) {}
    virtual void EnableConfigurationButton(bool /*enable*/) {}
    // Terminal display: text lines 0 to 5 and the frame, element 6.
    virtual void SetDisplayText(int /*element*/, const std::string& /*text*/) {}
    // WM_GET_AMOUNT: ask the user for an amount; the answer goes to AmountAnswer.
    virtual void RequestAmount() {}
    virtual void SetPrinterStatus(const std::string& /*text*/, StatusColour /*colour*/) {}
    // Modal message box with an OK button; returns when the user closed it.
    virtual void ShowMessage(const std::string& /*text*/, const std::string& /*caption*/,
                             MessageIcon /*icon*/) {}
};

// Installs the hook of the running program; nullptr restores the silent one.
void SetUiHook(UiHook* hook);
UiHook& Ui();
