#include "termbridge_dlg.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <thread>

#include "about_dlg.h"
#include "amount_dialog.h"
#include "artwork.h"
#include "color_static.h"
#include "common/program.h"
#include "config/config_file.h"
#include "config/host_config.h"
#include "config/log.h"
#include "devices/devices.h"
#include "dialog_units.h"
#include "internet_check.h"
#include "link/link_state.h"
#include "link/monitoring.h"
#include "output/printer_test.h"
#include "remote/link_hold.h"
#include "remote/rc_server.h"
#include "requests/amount_answer.h"
#include "requests/transaction.h"
#include "trans_dlg.h"

namespace {

const QColor kDisplayBackground(189, 183, 107);
const QColor kDisplayText(139, 137, 137);

constexpr int kPortTimerMs = 1000;
constexpr int kLinkTimerMs = 5000;
constexpr int kPortWaitSteps = 20;
constexpr auto kPortWaitStep = std::chrono::milliseconds(100);
constexpr auto kExitPause = std::chrono::milliseconds(200);
// A printer test gives up on its own within its connection time-outs; the exit does not wait
// longer than that for it.
constexpr int kPrinterTestWaitMs = 10000;

void StartPrinterTestQuietly() { StartPrinterTest(ThreadIdLine::Skip); }

void SetStatus(CColorStatic* line, const QString& text, const QColor& colour) {
    line->setText(text);
    line->SetTextColour(colour);
}

CColorStatic* MakeStatusLine(const QString& text, const QColor& colour, const QRect& rect, QWidget* parent) {
    auto* line = new CColorStatic(text, parent);
    line->setGeometry(rect);
    line->SetTextColour(colour);
    return line;
}

}  // namespace

CTermbridgeDlg::CTermbridgeDlg(QWidget* parent) : QDialog(parent), hook_(*this) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(ProgramIcon());
    setWindowTitle(QString::fromLatin1(Program().versionText));
    setFixedSize(DialogSize(303, 234));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("productPicture"));
    picture->setPixmap(ProductPicture());
    picture->setGeometry(20, 16, 249, 136);

    CreateButtons();
    CreateStatusLines();
    CreateDisplay();

    // Qt cannot extend the window manager's system menu; the about box is on the window's
    // own context menu instead.
    auto* about = new QAction(QStringLiteral("&About Termbridge..."), this);
    connect(about, &QAction::triggered, this, &CTermbridgeDlg::ShowAbout);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    portTimer_.setInterval(kPortTimerMs);
    linkTimer_.setInterval(kLinkTimerMs);
    connect(&portTimer_, &QTimer::timeout, this, &CTermbridgeDlg::OnPortTimer);
    connect(&linkTimer_, &QTimer::timeout, this, &CTermbridgeDlg::OnLinkTimer);

    SetUiHook(&hook_);
}

CTermbridgeDlg::~CTermbridgeDlg() {
    hook_.Close();
    SetUiHook(nullptr);
}

void CTermbridgeDlg::CreateButtons() {
    const auto make = [this](const char* name, const char* text, int left) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(left, 300, 100, 28);
        // Enter must not press whichever button has the focus, nor end the window.
        button->setAutoDefault(false);
        return button;
    };
    transactionButton_ = make("transactionButton", "&Transaction", 20);
    configurationButton_ = make("configurationButton", "&Configuration", 130);
    exitButton_ = make("exitButton", "Exit", 335);
    transactionButton_->setEnabled(false);
    connect(transactionButton_, &QPushButton::clicked, this, &CTermbridgeDlg::OnTransaction);
    connect(configurationButton_, &QPushButton::clicked, this, &CTermbridgeDlg::OnConfiguration);
    connect(exitButton_, &QPushButton::clicked, this, &CTermbridgeDlg::ExitProgram);
}

void CTermbridgeDlg::CreateStatusLines() {
    const QColor red = ToQColor(kDarkRed);
    const QColor black = ToQColor(kDefaultColour);
    printerLine_ = MakeStatusLine(QStringLiteral("Initializing...   "), black, PixelRect(20, 181, 360, 220), this);
    portLine_ = MakeStatusLine(QStringLiteral("COMM PORT NOT OK"), red, PixelRect(20, 160, 360, 180), this);
    internetLine_ = MakeStatusLine(QStringLiteral("Testing internet..."), red, PixelRect(20, 221, 360, 241), this);
    libraryLine_ = MakeStatusLine(QStringLiteral("Testing DLLs..."), black, PixelRect(20, 241, 360, 261), this);
    printerLine_->setObjectName(QStringLiteral("printerLine"));
    portLine_->setObjectName(QStringLiteral("portLine"));
    internetLine_->setObjectName(QStringLiteral("internetLine"));
    libraryLine_->setObjectName(QStringLiteral("libraryLine"));
}

// The frame first, so that the six lines lie on top of it. The lines are 20 pixels high but
// only 15 apart; their text sits at the top so that the next line does not cover it.
void CTermbridgeDlg::CreateDisplay() {
    auto* frame = new CColorStatic(QString(), this);
    frame->setObjectName(QStringLiteral("displayFrame"));
    frame->setGeometry(PixelRect(276, 16, 434, 119));
    frame->setFrameShape(QFrame::Box);
    frame->SetBackgroundColour(kDisplayBackground);
    display_[kDisplayFrame] = frame;

    QFont font = this->font();
    font.setPixelSize(12);
    for (int i = 0; i < kDisplayLines; ++i) {
        auto* line = new CColorStatic(QString(), this);
        line->setObjectName(QStringLiteral("displayLine%1").arg(i));
        line->setGeometry(280, 20 + 15 * i, 150, 20);
        line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        line->setFont(font);
        line->SetBackgroundColour(kDisplayBackground);
        line->SetTextColour(kDisplayText);
        display_[static_cast<std::size_t>(i)] = line;
    }
}

bool CTermbridgeDlg::StartUp() {
    OpenLog();
    ApplyStartupConfiguration();
    LogMessage("Termbridge starting...");
    inSetUp_ = true;
    linkTimer_.start();
    portTimer_.start();
    portTested_ = false;
    LoadLibraries();

    if (!AnyPortFound()) {
        LogMessage("No comm ports!");
        QMessageBox::information(this, QStringLiteral("Termbridge"), QStringLiteral("No free COM ports found!"));
        CloseCleanUp();
        return false;
    }

    const HostConfig config = GetHostConfig();
    portNumber_ = config.comPort;
    d2xxDescription_ = config.d2xxName;

    SerialPortInitialized.store(0);
    ClearAllowedTransactions();
    transactionButton_->setEnabled(false);

    if (!portTested_) {
        if (!SetUpPinpadPort(false, true)) return false;
        portTested_ = true;
    }
    ModifyHostConfig([this](HostConfig& stored) { stored.comPort = portNumber_; });
    WriteConfiguration();
    StartPrinterTestQuietly();
    return true;
}

// COM ports work without the FTDI library; the user is told once that FTDI devices will not.
void CTermbridgeDlg::LoadLibraries() {
    if (PinpadD2xx().LoadD2xx() == 0) {
        LogMessage("Ftd2xx.dll installed ok");
        SetStatus(libraryLine_, QStringLiteral("D2XX library installed"), ToQColor(kDarkGreen));
    } else {
        LogMessage("Ftd2xx.dll NOT installed");
        SetStatus(libraryLine_, QStringLiteral("D2XX library NOT installed"), ToQColor(kDarkRed));
        QMessageBox::warning(this, QStringLiteral("Termbridge"),
                             QStringLiteral("Warning: Ftd2xx.dll not accessible! FTD2XX device not used"));
    }
    PrinterD2xx().LoadD2xx();
}

bool CTermbridgeDlg::AnyPortFound() {
    availablePorts_ = EnumeratePinpadPorts();
    return availablePorts_.any() || CountD2xxDevices() > 0;
}

void CTermbridgeDlg::EnableTransactionButton(bool enable) { transactionButton_->setEnabled(enable); }

void CTermbridgeDlg::EnableConfigurationButton(bool enable) { configurationButton_->setEnabled(enable); }

void CTermbridgeDlg::SetDisplayText(int element, const QString& text) {
    if (element < 0 || element > kDisplayFrame) return;
    display_[static_cast<std::size_t>(element)]->setText(text);
}

void CTermbridgeDlg::SetPrinterStatus(const QString& text, const QColor& colour) {
    SetStatus(printerLine_, text, colour);
}

// The pinpad asks for an amount. A question that comes while the box is still open (the
// pinpad gave up waiting and asked again) is answered by that same box.
void CTermbridgeDlg::OnGetAmount() {
    if (amountDialogOpen_) return;
    amountDialogOpen_ = true;
    AmountDialog dialog(0, this);
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    AmountAnswer.store(confirmed ? dialog.Amount() : -2);
    amountDialogOpen_ = false;
}

void CTermbridgeDlg::OnTransaction() {
    CTransDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted) return;
    AmountAnswer.store(dialog.Amount());
    // The desktop replaces a transaction that is still pending instead of refusing it.
    SetPendingTransaction(dialog.TypeCode(), dialog.Amount(), dialog.ClientGsmNumber(),
                          dialog.MerchantReference(), false);
    transactionButton_->setEnabled(false);
}

bool CTermbridgeDlg::SetUpPinpadPort(bool showFirst, bool endOnCancel) {
    inSetUp_ = true;
    SerialSetUp dialog(StartPrinterTestQuietly, portSources_, this);
    bool succeeded = false;
    for (;;) {
        dialog.SetPinpadPort(d2xxDescription_, portNumber_, availablePorts_);
        const bool noPort = (portNumber_ < 1 || portNumber_ > kMaxComPort) && d2xxDescription_.empty();
        if (showFirst || noPort) {
            if (dialog.exec() != QDialog::Accepted) break;
            availablePorts_ = dialog.AvailablePorts();
        }
        portNumber_ = dialog.PinpadPortNumber();
        d2xxDescription_ = dialog.PinpadDevice();
        StorePinpadPort();
        StartMonitoring(true);
        if (WaitForPinpadPort()) {
            succeeded = true;
            break;
        }
        ShowPortFailure(SerialPortInitialized.load());
        // A thread still trying the old port must not share the line with the next one.
        if (IsSerialThreadAlive()) StopMonitoring();
        showFirst = true;
    }
    if (!succeeded && endOnCancel) EndWindow(QDialog::Rejected);
    inSetUp_ = false;
    return succeeded;
}

// The serial thread takes its line settings from the configuration when it starts.
void CTermbridgeDlg::StorePinpadPort() {
    ModifyHostConfig([this](HostConfig& config) {
        config.comPort = portNumber_;
        const std::size_t length = std::min(d2xxDescription_.size(), sizeof config.d2xxName - 1);
        std::fill(std::begin(config.d2xxName), std::end(config.d2xxName), '\0');
        d2xxDescription_.copy(config.d2xxName, length);
    });
}

bool CTermbridgeDlg::WaitForPinpadPort() {
    for (int step = 0; step < kPortWaitSteps && SerialPortInitialized.load() == 0; ++step) {
        std::this_thread::sleep_for(kPortWaitStep);
    }
    return SerialPortInitialized.load() == 1;
}

void CTermbridgeDlg::ShowPortFailure(int state) {
    const QString text = state == -1 ? QStringLiteral("COM port initialization failed...")
                                     : QStringLiteral("COM port initialization failed due to timeout...");
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Error"), text, QMessageBox::Ok, this);
    box.exec();
}

void CTermbridgeDlg::OnPortTimer() {
    if (SerialPortInitialized.load() == 1) {
        SetStatus(portLine_, QStringLiteral("COM PORT OK"), ToQColor(kDarkGreen));
    } else {
        SetStatus(portLine_, QStringLiteral("COM PORT NOT OK"), ToQColor(kDarkRed));
        transactionButton_->setEnabled(false);
    }
}

void CTermbridgeDlg::OnLinkTimer() {
    if (InternetConnectionConfigured()) {
        SetStatus(internetLine_, QStringLiteral("Internet Available / Configured"), ToQColor(kDarkGreen));
    } else {
        SetStatus(internetLine_, QStringLiteral("Internet Not available"), ToQColor(kDarkRed));
    }
    // A thread that is still opening the port is not the link being down.
    if (SerialPortInitialized.load() != 1 && !inSetUp_ && InsideConfigDialog.load() == 0 && !exiting_ &&
        !IsSerialThreadAlive()) {
        ReadConfiguration();
        StartMonitoring(true);
    }
}

void CTermbridgeDlg::OnConfiguration() {
    // The restart timer must not bring the link back while it is being stopped.
    inSetUp_ = true;
    StopMonitoring();
    ReadConfiguration();
    if (!SetUpPinpadPort(true, false)) return;
    portTested_ = true;
    ModifyHostConfig([this](HostConfig& config) { config.comPort = portNumber_; });
    WriteConfiguration();
}

void CTermbridgeDlg::reject() { ExitProgram(); }

void CTermbridgeDlg::ExitProgram() { EndWindow(QDialog::Accepted); }

// Stops the link and the remote-control server before the window goes, so that no worker
// touches a control or the log after it.
void CTermbridgeDlg::EndWindow(int result) {
    if (exiting_) return;
    exiting_ = true;
    // From here on no worker waits for this window.
    hook_.Close();
    StopMonitoring();
    std::this_thread::sleep_for(kExitPause);
    StopRcServer();
    std::this_thread::sleep_for(kExitPause);
    CloseCleanUp();
    done(result);
    CloseLog();
}

void CTermbridgeDlg::CloseCleanUp() {
    portTimer_.stop();
    linkTimer_.stop();
    const QDeadlineTimer deadline(kPrinterTestWaitMs);
    while (PrinterTestsRunning() > 0 && !deadline.hasExpired()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void CTermbridgeDlg::ShowAbout() {
    CAboutDlg about(this);
    about.exec();
}
