#pragma once
// The main window: status lines, the pinpad's six-line display and the buttons Transaction,
// Configuration and Exit. Worker threads reach it only through its UI hook.

#include <QDialog>
#include <QTimer>
#include <array>
#include <string>

#include "desktop_ui_hook.h"
#include "port_enumeration.h"
#include "serial_set_up.h"

class CColorStatic;
class QPushButton;

class CTermbridgeDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDisplayLines = 6;
    static constexpr int kDisplayFrame = 6;  // the display's element 6

    explicit CTermbridgeDlg(QWidget* parent = nullptr);
    ~CTermbridgeDlg() override;

    // Start-up before the window is shown: log, configuration, FTDI library, ports, the pinpad
    // link and the printer test. False when the program has to end (no port at all, or the
    // user cancelled the port set-up).
    bool StartUp();

    // Makes sure the pinpad link runs on a port that works, asking the user when it does not.
    // False when the user cancelled; with endOnCancel the window has then ended.
    bool SetUpPinpadPort(bool showFirst, bool endOnCancel);

    // Where the settings dialog finds its ports; tests put their own devices in.
    void SetPortSources(PortSources sources) { portSources_ = std::move(sources); }

    // The periodic checks: port line every second; internet line and link restart every five.
    void OnPortTimer();
    void OnLinkTimer();

    // Reached from worker threads through the UI hook, always on this window's thread.
    void EnableTransactionButton(bool enable);
    void EnableConfigurationButton(bool enable);
    void SetDisplayText(int element, const QString& text);
    void SetPrinterStatus(const QString& text, const QColor& colour);
    void OnGetAmount();

    void OnTransaction();
    void OnConfiguration();
    // Every way out of the window ends here: Exit, the close box, Alt+F4, Escape.
    void ExitProgram();

    void reject() override;

private:
    void CreateButtons();
    void CreateStatusLines();
    void CreateDisplay();
    bool AnyPortFound();
    void LoadLibraries();
    bool WaitForPinpadPort();
    void ShowPortFailure(int state);
    void StorePinpadPort();
    void EndWindow(int result);
    void CloseCleanUp();
    void ShowAbout();

    DesktopUiHook hook_;
    QPushButton* transactionButton_ = nullptr;
    QPushButton* configurationButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    CColorStatic* printerLine_ = nullptr;
    CColorStatic* portLine_ = nullptr;
    CColorStatic* internetLine_ = nullptr;
    CColorStatic* libraryLine_ = nullptr;
    std::array<CColorStatic*, kDisplayLines + 1> display_{};

    bool inSetUp_ = true;  // holds the periodic link restart off
    bool portTested_ = false;
    bool amountDialogOpen_ = false;
    bool exiting_ = false;

    // The pinpad port the window sets the link up with.
    int portNumber_ = 0;
    std::string d2xxDescription_;
    ComPortMap availablePorts_;

    PortSources portSources_;
    QTimer portTimer_;  // timer 1
    QTimer linkTimer_;  // timer 5
};
