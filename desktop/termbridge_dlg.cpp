#include "termbridge_dlg.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "about_dlg.h"
#include "amount_dialog.h"
#include "artwork.h"
#include "color_static.h"
#include "common/program.h"
#include "config/config_file.h"
#include "config/host_config.h"
#include "config/log.h"
#include "dialog_units.h"
#include "link/link_state.h"
#include "requests/amount_answer.h"
#include "requests/transaction.h"
#include "serial_set_up.h"
#include "trans_dlg.h"

namespace {

const QColor kDisplayBackground(189, 183, 107);
const QColor kDisplayText(139, 137, 137);

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
    portTested_ = false;

    if (!AnyPortFound()) {
        LogMessage("No comm ports!");
        QMessageBox::information(this, QStringLiteral("Termbridge"), QStringLiteral("No free COM ports found!"));
        return false;
    }

    const HostConfig config = GetHostConfig();
    portNumber_ = config.comPort;
    d2xxDescription_ = config.d2xxName;

    SerialPortInitialized.store(0);
    ClearAllowedTransactions();
    transactionButton_->setEnabled(false);
    return true;
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

void CTermbridgeDlg::OnConfiguration() {
    ReadConfiguration();
    SerialSetUp dialog(startPrinterTest_, PortSources{}, this);
    dialog.SetPinpadPort(d2xxDescription_, portNumber_, availablePorts_);
    if (dialog.exec() != QDialog::Accepted) return;
    portNumber_ = dialog.PinpadPortNumber();
    d2xxDescription_ = dialog.PinpadDevice();
    availablePorts_ = dialog.AvailablePorts();
    portTested_ = true;
    ModifyHostConfig([this](HostConfig& config) { config.comPort = portNumber_; });
    WriteConfiguration();
}

void CTermbridgeDlg::reject() { ExitProgram(); }

void CTermbridgeDlg::ExitProgram() {
    if (exiting_) return;
    exiting_ = true;
    // From here on no worker waits for this window.
    hook_.Close();
    done(QDialog::Accepted);
    CloseLog();
}

void CTermbridgeDlg::ShowAbout() {
    CAboutDlg about(this);
    about.exec();
}
