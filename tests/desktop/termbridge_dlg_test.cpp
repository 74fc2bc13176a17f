#include "termbridge_dlg.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "about_dlg.h"
#include "color_static.h"
#include "config/config_file.h"
#include "config/host_config.h"
#include "link/link_state.h"
#include "link_test_support.h"
#include "pinpad_sim/pinpad_port.h"
#include "config/log.h"
#include "modal_dialogs.h"
#include "numeric_edit.h"
#include "requests/amount_answer.h"
#include "requests/transaction.h"
#include "serial_set_up.h"
#include "support/test_env.h"
#include "trans_dlg.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTransactionState();
        portsDir_ = dir_.File("ports");
        std::filesystem::create_directory(portsDir_);
        setenv("TERMBRIDGE_PORTS_DIR", portsDir_.c_str(), 1);
        const std::string ftdi = dir_.File("ftdi");
        std::filesystem::create_directory(ftdi);
        setenv("FAKE_D2XX_DEVICES", ftdi.c_str(), 1);
        setenv("TERMBRIDGE_D2XX_LIBRARY", FAKE_D2XX_LIBRARY, 1);
    }

    template <typename T>
    T* Child(const char* name) {
        return window_.findChild<T*>(QString::fromLatin1(name));
    }

    // The user enters a transaction in the dialog that the Transaction button opens.
    void EnterTransaction(int typeIndex, const char* digits, const char* reference) {
        const OnNextModal<CTransDlg> user([&](CTransDlg* dialog) {
            dialog->findChild<QComboBox*>(QStringLiteral("typeList"))->setCurrentIndex(typeIndex);
            QTest::keyClicks(dialog->findChild<CNumericEdit*>(QStringLiteral("amountEdit")), digits);
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("referenceEdit")), reference);
            dialog->accept();
        });
        window_.OnTransaction();
        EXPECT_TRUE(user.Acted());
    }

    TempDataDir dir_{ProgramKind::Desktop};
    std::string portsDir_;
    CTermbridgeDlg window_;
};

}  // namespace

TEST_F(MainWindowTest, LayoutAndFirstTexts) {
    EXPECT_EQ(window_.windowTitle(), QStringLiteral("Termbridge RC+ ver v1.17"));
    EXPECT_FALSE(Child<QPushButton>("transactionButton")->isEnabled());

    const struct {
        const char* name;
        QRect rect;
        const char* text;
        QColor colour;
    } lines[] = {
        {"printerLine", QRect(20, 181, 340, 39), "Initializing...   ", Qt::black},
        {"portLine", QRect(20, 160, 340, 20), "COMM PORT NOT OK", QColor(127, 0, 0)},
        {"internetLine", QRect(20, 221, 340, 20), "Testing internet...", QColor(127, 0, 0)},
        {"libraryLine", QRect(20, 241, 340, 20), "Testing DLLs...", Qt::black},
    };
    for (const auto& line : lines) {
        SCOPED_TRACE(line.name);
        auto* status = Child<CColorStatic>(line.name);
        EXPECT_EQ(status->geometry(), line.rect);
        EXPECT_EQ(status->text().toStdString(), line.text);
        EXPECT_EQ(status->TextColour(), line.colour);
    }

    auto* frame = Child<CColorStatic>("displayFrame");
    EXPECT_EQ(frame->geometry(), QRect(276, 16, 158, 103));
    EXPECT_EQ(frame->BackgroundColour(), QColor(189, 183, 107));
    EXPECT_EQ(frame->TextColour(), QColor(Qt::black));
    for (int i = 0; i < CTermbridgeDlg::kDisplayLines; ++i) {
        auto* line = Child<CColorStatic>(QStringLiteral("displayLine%1").arg(i).toLatin1().constData());
        EXPECT_EQ(line->geometry(), QRect(280, 20 + 15 * i, 150, 20)) << i;
        EXPECT_EQ(line->BackgroundColour(), QColor(189, 183, 107)) << i;
        EXPECT_EQ(line->TextColour(), QColor(139, 137, 137)) << i;
        EXPECT_TRUE(line->text().isEmpty()) << i;
    }

    // Every control lies inside the window.
    for (QWidget* child : window_.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(window_.rect().contains(child->geometry())) << child->objectName().toStdString();
    }

    CAboutDlg about;
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("versionText"))->text(),
              QStringLiteral("Termbridge RC+ ver v1.17"));
}

TEST_F(MainWindowTest, EnteredTransactionBecomesPending) {
    const std::uint16_t allowed[] = {0x8810, 0x8860};
    SetAllowedTransactions(allowed, 2);
    window_.EnableTransactionButton(true);
    AmountAnswer.store(0);

    EnterTransaction(1, "1250", "INV-1");
    EXPECT_EQ(AmountAnswer.load(), 1250);
    EXPECT_FALSE(Child<QPushButton>("transactionButton")->isEnabled());

    // A second entry replaces the one still pending.
    EnterTransaction(0, "700", "INV-2");
    std::uint16_t type = 0;
    std::int32_t amount = 0;
    std::string reference;
    ASSERT_EQ(TakePendingTransaction(type, amount, reference), 0);
    EXPECT_EQ(type, 0x8810);
    EXPECT_EQ(amount, 700);
    EXPECT_EQ(reference, "INV-2");
    EXPECT_EQ(GetCurrentGsmNumber(), "");
}

TEST_F(MainWindowTest, CancelledTransactionChangesNothing) {
    const std::uint16_t allowed[] = {0x8810};
    SetAllowedTransactions(allowed, 1);
    window_.EnableTransactionButton(true);
    AmountAnswer.store(5);
    const OnNextModal<CTransDlg> user([](CTransDlg* dialog) { dialog->reject(); });
    window_.OnTransaction();
    EXPECT_FALSE(IsTransactionPending());
    EXPECT_EQ(AmountAnswer.load(), 5);
    EXPECT_TRUE(Child<QPushButton>("transactionButton")->isEnabled());
}

TEST_F(MainWindowTest, EveryWayOutRunsTheExitSequence) {
    const struct {
        const char* name;
        std::function<void(CTermbridgeDlg&)> leave;
    } ways[] = {
        {"Exit button", [](CTermbridgeDlg& w) { w.findChild<QPushButton*>(QStringLiteral("exitButton"))->click(); }},
        {"Escape", [](CTermbridgeDlg& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
        {"close box or Alt+F4", [](CTermbridgeDlg& w) { w.close(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        CTermbridgeDlg window;
        ASSERT_EQ(OpenLog(), 0);
        window.show();
        way.leave(window);
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(window.result(), QDialog::Accepted);
        EXPECT_FALSE(IsLogOpen()) << "the exit sequence closes the log";
    }
}

TEST_F(MainWindowTest, EnterDoesNotEndTheWindow) {
    window_.show();
    Child<QPushButton>("configurationButton")->setFocus();
    const OnNextModal<SerialSetUp> settings([](SerialSetUp* dialog) { dialog->reject(); });
    QTest::keyClick(&window_, Qt::Key_Return);
    EXPECT_TRUE(window_.isVisible());
    EXPECT_FALSE(settings.Acted());
}

TEST_F(MainWindowTest, StartUpWithoutAnyPortEndsTheProgram) {
    QString shown;
    const OnNextModal<QMessageBox> box([&](QMessageBox* message) {
        shown = message->text();
        message->accept();
    });
    EXPECT_FALSE(window_.StartUp());
    EXPECT_EQ(shown, QStringLiteral("No free COM ports found!"));
    EXPECT_NE(dir_.LogText().find("Termbridge starting..."), std::string::npos);
    EXPECT_NE(dir_.LogText().find("No comm ports!"), std::string::npos);
}

TEST_F(MainWindowTest, StartUpWithoutTheFtdiLibraryWarns) {
    setenv("TERMBRIDGE_D2XX_LIBRARY", dir_.File("missing.so").c_str(), 1);
    const DismissEveryBox boxes;
    EXPECT_FALSE(window_.StartUp()) << "no port at all";
    const QStringList& shown = boxes.Texts();
    // The library's own complaint, then the window's warning; the ports come last.
    ASSERT_GE(shown.size(), 3) << shown.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(shown[1], QStringLiteral("Warning: Ftd2xx.dll not accessible! FTD2XX device not used"));
    EXPECT_EQ(shown.back(), QStringLiteral("No free COM ports found!"));
    auto* library = Child<CColorStatic>("libraryLine");
    EXPECT_EQ(library->text(), QStringLiteral("D2XX library NOT installed"));
    EXPECT_EQ(library->TextColour(), QColor(127, 0, 0));
    EXPECT_NE(dir_.LogText().find("Ftd2xx.dll NOT installed"), std::string::npos);
}

TEST_F(MainWindowTest, StartUpWritesDefaultsWhenThereIsNoFile) {
    WriteWholeFile(portsDir_ + "/COM2", "");
    const std::uint16_t allowed[] = {0x8810};
    SetAllowedTransactions(allowed, 1);
    // Port 0 and no FTDI name: the settings come at once, and Cancel ends the program.
    const OnNextModal<SerialSetUp> user([](SerialSetUp* dialog) { dialog->reject(); });
    EXPECT_FALSE(window_.StartUp());
    EXPECT_TRUE(user.Acted());
    EXPECT_EQ(window_.result(), QDialog::Rejected);
    EXPECT_EQ(ReadWholeFile(dir_.File("termbridge.ini")),
              "PRINTER_IP = \"\"\r\n\r\nPRINTER_PORT = \"0\"\r\n\r\nCOM_PORT = \"0\"\r\n\r\n"
              "GSM_USER_NAME = \"\"\r\n\r\nGSM_PASSWORD = \"\"\r\n\r\nD2XX_NAME = \"\"\r\n\r\n"
              "PRINTER_D2XX_DEVICE_NAME = \"\"\r\n\r\nPRINTER_COM_PRN_PORT = \"0\"\r\n\r\n"
              "LOGGING_LEVEL = \"1\"\r\n\r\nPRINTER_WIDTH = \"0\"\r\n\r\nPRINTER_TYPE = \"0\"\r\n\r\n");
    EXPECT_EQ(AllowedTransactionCount(), 0);
    EXPECT_FALSE(Child<QPushButton>("transactionButton")->isEnabled());
    EXPECT_FALSE(IsLogOpen());
}

TEST_F(MainWindowTest, ConfigurationStoresTheChosenPinpadPort) {
    setenv("TERMBRIDGE_RC_PORT", std::to_string(FreeTcpPort()).c_str(), 1);
    std::string error;
    const auto com2 = PinpadPort::CreatePty(portsDir_ + "/COM2", error);
    const auto com5 = PinpadPort::CreatePty(portsDir_ + "/COM5", error);
    ASSERT_NE(com5, nullptr) << error;
    HostConfig config{};
    config.comPort = 2;
    config.loggingLevel = 2;
    SetHostConfig(config);
    ASSERT_EQ(WriteConfiguration(), 0);
    ASSERT_TRUE(window_.StartUp());
    const auto printerTests = [&] { return CountOf(dir_.LogText(), "Printer test thread starting"); };
    ASSERT_TRUE(WaitFor([&] { return printerTests() == 1; }));

    const OnNextModal<SerialSetUp> user([](SerialSetUp* dialog) {
        auto* ports = dialog->findChild<QComboBox*>(QStringLiteral("pinpadPortList"));
        ports->setCurrentIndex(ports->findText(QStringLiteral("COM5")));
        dialog->accept();
    });
    window_.OnConfiguration();
    ASSERT_TRUE(user.Acted());
    EXPECT_TRUE(WaitFor([&] { return printerTests() == 2; }));
    EXPECT_TRUE(WaitFor([] { return SerialPortInitialized.load() == 1; }));
    EXPECT_GT(CountOf(dir_.LogText(), "portC=5"), 0) << "the link runs on the new port";
    ASSERT_EQ(ReadConfiguration(), 0);
    EXPECT_EQ(GetHostConfig().comPort, 5);
    window_.ExitProgram();
}
