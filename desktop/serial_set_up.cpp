#include "serial_set_up.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "ansi_qstring.h"
#include "config/config_file.h"
#include "config/host_config.h"
#include "dialog_units.h"

namespace {

struct NamedValue {
    const char* text;
    int value;
};

constexpr NamedValue kTracingLevels[] = {{"Detailed", 2}, {"Normal", 1}, {"OFF", 0}};
constexpr NamedValue kPaperWidths[] = {{"57 mm", 0}, {"79 mm", 1}};
// PRINTER_TYPE is the index of the entry.
constexpr const char* kPrinterTypes[] = {"None", "Default Windows printer", "Ticket printer COM port",
                                         "Ticket printer IP"};

constexpr int kPrinterTypeCount = static_cast<int>(std::size(kPrinterTypes));
constexpr std::size_t kMaxD2xxDevices = 63;
constexpr int kGsmTextLimit = 64;
constexpr int kPrinterIpLimit = 63;
constexpr int kPrinterPortLimit = 6;

const QString kD2xxPrefix = QStringLiteral("D2XX-");
const QString kComPrefix = QStringLiteral("COM");

template <std::size_t N>
void CopyText(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

void FillList(QComboBox* list, const NamedValue* entries, std::size_t count) {
    list->clear();
    for (std::size_t i = 0; i < count; ++i) list->addItem(QString::fromLatin1(entries[i].text), entries[i].value);
}

// The entry for a value, or none when no entry has it.
void SelectValue(QComboBox* list, int value) { list->setCurrentIndex(list->findData(value)); }

// The list's value when an entry is selected, else the value kept so far.
template <typename T>
T SelectedValueOr(const QComboBox* list, T kept) {
    return list->currentIndex() >= 0 ? static_cast<T>(list->currentData().toInt()) : kept;
}

// Case-insensitive prefix match, except that a "COMn" never picks a longer number (COM3 is
// not COM30).
bool MatchesPreselection(const QString& entry, const QString& wanted) {
    if (!entry.startsWith(wanted, Qt::CaseInsensitive)) return false;
    return entry.size() == wanted.size() || !wanted.startsWith(kComPrefix, Qt::CaseInsensitive);
}

void SelectPreselected(QComboBox* list, const QString& wanted) {
    list->setCurrentIndex(-1);
    for (int i = 0; i < list->count(); ++i) {
        if (MatchesPreselection(list->itemText(i), wanted)) {
            list->setCurrentIndex(i);
            return;
        }
    }
}

QString PortPreselection(int comPort, const char* d2xxName) {
    if (comPort > 0) return kComPrefix + QString::number(comPort);
    return kD2xxPrefix + QString::fromLatin1(d2xxName);
}

int PortNumberAfterCom(const QString& entry) {
    return static_cast<int>(std::strtoul(entry.mid(kComPrefix.size()).toLatin1().constData(), nullptr, 10));
}

QLineEdit* MakeEdit(const char* name, int limit, const QRect& rect, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(limit);
    edit->setGeometry(rect);
    return edit;
}

QComboBox* MakeList(const char* name, int topUnits, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(DialogRect(69, topUnits, 95, 14));
    return list;
}

// A label too wide for its column wraps onto a second line, centred on the same row.
void AddLabel(const char* text, int topUnits, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    QRect rect = DialogRect(4, topUnits, 62, 10);
    if (label->fontMetrics().horizontalAdvance(label->text()) > rect.width()) {
        label->setWordWrap(true);
        rect.adjust(0, -rect.height() / 2, 0, rect.height() / 2);
    }
    label->setGeometry(rect);
}

}  // namespace

SerialSetUp::SerialSetUp(std::function<void()> startPrinterTest, PortSources sources, QWidget* parent)
    : QDialog(parent), startPrinterTest_(std::move(startPrinterTest)), sources_(std::move(sources)) {
    setWindowTitle(QStringLiteral("Communication settings"));
    UseDialogFont(this);
    setFixedSize(DialogSize(171, 208));

    // Created in tab order.
    AddLabel("Pinpad comm port", 6, this);
    pinpadPortList_ = MakeList("pinpadPortList", 4, this);
    AddLabel("Tracing level", 28, this);
    tracingLevelList_ = MakeList("tracingLevelList", 26, this);
    AddLabel("GSM user", 48, this);
    gsmUserEdit_ = MakeEdit("gsmUserEdit", kGsmTextLimit, PixelRect(100, 70, 250, 90), this);
    AddLabel("GSM password", 60, this);
    gsmPasswordEdit_ = MakeEdit("gsmPasswordEdit", kGsmTextLimit, PixelRect(100, 97, 250, 117), this);
    AddLabel("Printer type", 90, this);
    printerTypeList_ = MakeList("printerTypeList", 88, this);
    AddLabel("Printer IP", 103, this);
    printerIpEdit_ = MakeEdit("printerIpEdit", kPrinterIpLimit, PixelRect(100, 169, 250, 189), this);
    AddLabel("Printer port", 121, this);
    printerPortEdit_ = MakeEdit("printerPortEdit", kPrinterPortLimit, PixelRect(100, 196, 250, 216), this);
    AddLabel("Printer comm port", 142, this);
    printerPortList_ = MakeList("printerPortList", 140, this);
    AddLabel("Printer paper width", 163, this);
    paperWidthList_ = MakeList("paperWidthList", 161, this);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(DialogRect(117, 189, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setGeometry(DialogRect(4, 189, 50, 14));
    connect(ok, &QPushButton::clicked, this, &SerialSetUp::accept);
    connect(cancel, &QPushButton::clicked, this, &SerialSetUp::reject);

    // Only a choice of the user counts, not the selection the dialog makes itself.
    connect(printerTypeList_, &QComboBox::activated, this, &SerialSetUp::OnPrinterTypeChosen);
}

void SerialSetUp::SetPinpadPort(const std::string& device, int port, const ComPortMap& available) {
    pinpadDevice_ = device;
    pinpadPort_ = port;
    availablePorts_ = available;
}

void SerialSetUp::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) Prepare();
    QDialog::showEvent(event);
}

// Runs each time the dialog is shown: the pinpad link is stopped then, so every port can be
// tried.
void SerialSetUp::Prepare() {
    availablePorts_ = sources_.enumerateComPorts();
    std::vector<std::string> devices = sources_.listD2xxDevices();
    if (devices.size() > kMaxD2xxDevices) devices.resize(kMaxD2xxDevices);

    const HostConfig config = GetHostConfig();
    const QString pinpadWanted = PortPreselection(config.comPort, config.d2xxName);
    const QString printerWanted = PortPreselection(config.printerComPrnPort, config.printerD2xxDeviceName);

    gsmUserEdit_->setText(QString::fromLatin1(config.gsmUserName));
    gsmPasswordEdit_->setText(QString::fromLatin1(config.gsmPassword));
    printerIpEdit_->setText(QString::fromLatin1(config.printerIp));
    printerPortEdit_->setText(QString::number(config.printerPort));

    FillList(paperWidthList_, kPaperWidths, std::size(kPaperWidths));
    FillList(tracingLevelList_, kTracingLevels, std::size(kTracingLevels));
    printerTypeList_->clear();
    for (const char* name : kPrinterTypes) printerTypeList_->addItem(QString::fromLatin1(name));

    SelectPrinterType(config.printerType);
    SelectValue(paperWidthList_, config.printerWidth);
    SelectValue(tracingLevelList_, config.loggingLevel);

    FillPortLists(devices);
    SelectPreselected(pinpadPortList_, pinpadWanted);
    SelectPreselected(printerPortList_, printerWanted);
}

void SerialSetUp::FillPortLists(const std::vector<std::string>& devices) {
    QStringList entries;
    for (const std::string& device : devices) entries << kD2xxPrefix + FromAnsi(device);
    for (int n = 1; n <= kMaxComPort; ++n) {
        if (availablePorts_.test(static_cast<std::size_t>(n - 1))) entries << kComPrefix + QString::number(n);
    }
    for (QComboBox* list : {pinpadPortList_, printerPortList_}) {
        list->clear();
        list->addItems(entries);
    }
}

void SerialSetUp::SelectPrinterType(int type) {
    printerTypeList_->setCurrentIndex(type >= 0 && type < kPrinterTypeCount ? type : -1);
    SetControlsForPrinterType(type);
}

void SerialSetUp::SetControlsForPrinterType(int type) {
    if (type < 0 || type >= kPrinterTypeCount) return;
    const bool comPrinter = type == static_cast<int>(PrinterKind::ComPort);
    const bool networkPrinter = type == static_cast<int>(PrinterKind::Ethernet);
    paperWidthList_->setEnabled(comPrinter || networkPrinter);
    printerPortList_->setEnabled(comPrinter);
    printerIpEdit_->setEnabled(networkPrinter);
    printerPortEdit_->setEnabled(networkPrinter);
    if (!networkPrinter) {
        printerIpEdit_->clear();
        printerPortEdit_->clear();
    }
}

// The record follows the choice at once; Cancel does not take it back, the next read does.
void SerialSetUp::OnPrinterTypeChosen(int index) {
    ModifyHostConfig([index](HostConfig& config) { config.printerType = index; });
    SetControlsForPrinterType(index);
}

void SerialSetUp::TakePinpadPort(HostConfig& config) {
    if (pinpadPortList_->currentIndex() < 0) return;
    const QString entry = pinpadPortList_->currentText();
    if (entry.startsWith(kD2xxPrefix)) {
        const std::string device = ToAnsi(entry.mid(kD2xxPrefix.size()), sizeof config.d2xxName - 1);
        CopyText(config.d2xxName, device);
        pinpadDevice_ = device;
        config.comPort = 0;
    } else if (entry.startsWith(kComPrefix)) {
        config.comPort = PortNumberAfterCom(entry);
        CopyText(config.d2xxName, "");
        pinpadDevice_.clear();
    }
}

void SerialSetUp::TakePrinterPort(HostConfig& config) const {
    if (printerPortList_->currentIndex() < 0) return;
    const QString entry = printerPortList_->currentText();
    if (entry.startsWith(kD2xxPrefix)) {
        CopyText(config.printerD2xxDeviceName, ToAnsi(entry.mid(kD2xxPrefix.size())));
        config.printerComPrnPort = 0;
    } else if (entry.startsWith(kComPrefix)) {
        CopyText(config.printerD2xxDeviceName, "");
        config.printerComPrnPort = PortNumberAfterCom(entry);
    }
}

void SerialSetUp::accept() {
    HostConfig config = GetHostConfig();
    TakePinpadPort(config);
    TakePrinterPort(config);
    CopyText(config.printerIp, ToAnsi(printerIpEdit_->text(), kPrinterIpLimit));
    config.printerPort = static_cast<std::int32_t>(
        std::strtol(printerPortEdit_->text().toLatin1().constData(), nullptr, 10));
    pinpadPort_ = config.comPort;
    CopyText(config.gsmUserName, ToAnsi(gsmUserEdit_->text(), kGsmTextLimit));
    CopyText(config.gsmPassword, ToAnsi(gsmPasswordEdit_->text(), kGsmTextLimit));
    config.loggingLevel = SelectedValueOr(tracingLevelList_, config.loggingLevel);
    config.printerWidth = SelectedValueOr(paperWidthList_, config.printerWidth);
    // Without a selection the type stays as it was rather than becoming -1.
    if (printerTypeList_->currentIndex() >= 0) config.printerType = printerTypeList_->currentIndex();
    ClearUnusedPrinterFields(config);
    SetHostConfig(config);
    WriteConfiguration();
    if (startPrinterTest_) startPrinterTest_();
    QDialog::accept();
}
