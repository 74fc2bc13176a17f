#include "desktop_ui_hook.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

#include "ansi_qstring.h"
#include "color_static.h"
#include "termbridge_dlg.h"

namespace {

QMessageBox::Icon ToBoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::Exclamation: return QMessageBox::Warning;
        case MessageIcon::Error: return QMessageBox::Critical;
        case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

DesktopUiHook::DesktopUiHook(CTermbridgeDlg& window) : window_(window) {}

void DesktopUiHook::Close() {
    open_.store(false);
    // The queued calls find the hook closed and return, releasing any blocked caller.
    QCoreApplication::sendPostedEvents(&relay_);
}

template <typename Call>
void DesktopUiHook::Post(Call call) {
    if (!open_.load()) return;
    QMetaObject::invokeMethod(
        &relay_,
        [this, call]() {
            if (open_.load()) call(window_);
        },
        Qt::QueuedConnection);
}

void DesktopUiHook::EnableTransactionButton(bool enable) {
    Post([enable](CTermbridgeDlg& window) { window.EnableTransactionButton(enable); });
}

void DesktopUiHook::EnableConfigurationButton(bool enable) {
    Post([enable](CTermbridgeDlg& window) { window.EnableConfigurationButton(enable); });
}

void DesktopUiHook::SetDisplayText(int element, const std::string& text) {
    Post([element, text](CTermbridgeDlg& window) { window.SetDisplayText(element, FromAnsi(text)); });
}

void DesktopUiHook::RequestAmount() {
    Post([](CTermbridgeDlg& window) { window.OnGetAmount(); });
}

void DesktopUiHook::SetPrinterStatus(const std::string& text, StatusColour colour) {
    Post([text, colour](CTermbridgeDlg& window) { window.SetPrinterStatus(FromAnsi(text), ToQColor(colour)); });
}

void DesktopUiHook::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
    if (!open_.load()) return;
    const auto show = [this, text, caption, icon]() {
        if (!open_.load()) return;
        QMessageBox box(ToBoxIcon(icon), FromAnsi(caption), FromAnsi(text), QMessageBox::Ok, &window_);
        box.exec();
    };
    if (QThread::currentThread() == relay_.thread()) {
        show();
    } else {
        QMetaObject::invokeMethod(&relay_, show, Qt::BlockingQueuedConnection);
    }
}
