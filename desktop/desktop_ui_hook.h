#pragma once
// The desktop's side of the UI hook. Worker threads never touch a widget: every call becomes
// a queued call that the main thread runs, and only ShowMessage waits for it (unless it is
// already on the main thread). After Close() every call is dropped, so a worker that the
// exit sequence is stopping cannot wait for a window that no longer serves it.

#include <QObject>
#include <atomic>

#include "common/ui_hook.h"

class CTermbridgeDlg;

class DesktopUiHook : public UiHook {
public:
    // Built on the main thread, by the window it serves.
    explicit DesktopUiHook(CTermbridgeDlg& window);

    // On the main thread. A worker already waiting for its box is let go at once, so that a
    // stop of that worker that follows on the main thread does not wait for it in vain.
    void Close();

    void EnableTransactionButton(bool enable) override;
    void EnableConfigurationButton(bool enable) override;
    void SetDisplayText(int element, const std::string& text) override;
    void RequestAmount() override;
    void SetPrinterStatus(const std::string& text, StatusColour colour) override;
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;

private:
    template <typename Call>
    void Post(Call call);

    CTermbridgeDlg& window_;
    QObject relay_;  // lives on the main thread; queued calls run in its context
    std::atomic<bool> open_{true};
};
