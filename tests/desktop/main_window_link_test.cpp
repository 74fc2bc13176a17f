// The main window against the pinpad simulator on a pty: start-up, the periodic checks and the
// exit, with the real serial thread and remote-control server.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include "color_static.h"
#include "config/config_file.h"
#include "config/host_config.h"
#include "config/log.h"
#include "link/link_state.h"
#include "link/monitoring.h"
#include "link/stop_request.h"
#include "link_test_support.h"
#include "modal_dialogs.h"
#include "numeric_edit.h"
#include "pinpad_sim/pinpad_session.h"
#include "remote/link_hold.h"
#include "remote/rc_server.h"
#include "requests/transaction.h"
#include "serial_set_up.h"
#include "support/test_env.h"
#include "termbridge_dlg.h"
#include "trans_dlg.h"

namespace {

using namespace std::chrono_literals;

constexpr int kComPort = 3;
const QColor kGreen(0, 127, 0);
const QColor kRed(127, 0, 0);

class MainWindowLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTransactionState();
        SetStopRequest(0);
        SerialPortInitialized.store(0);
        InsideConfigDialog.store(0);
        const std::string ports = dir_.File("ports");
        const std::string ftdi = dir_.File("ftdi");
        std::filesystem::create_directories(ports);
        std::filesystem::create_directories(ftdi);
        portsDir_ = ports;
        setenv("TERMBRIDGE_PORTS_DIR", ports.c_str(), 1);
        setenv("FAKE_D2XX_DEVICES", ftdi.c_str(), 1);
        setenv("TERMBRIDGE_D2XX_LIBRARY", FAKE_D2XX_LIBRARY, 1);
        setenv("TERMBRIDGE_RC_PORT", std::to_string(FreeTcpPort()).c_str(), 1);
    }

    void TearDown() override {
        window_.ExitProgram();
        stop_.store(true);
        if (session_.joinable()) session_.join();
        SetUiHook(nullptr);
    }

    void WriteConfig(int comPort, const char* d2xxName = "") {
        HostConfig config{};
        config.loggingLevel = 2;
        config.comPort = comPort;
        std::strncpy(config.d2xxName, d2xxName, sizeof config.d2xxName - 1);
        SetHostConfig(config);
        ASSERT_EQ(WriteConfiguration(), 0);
    }

    // The simulator's line at COM<port>, served by a session on its own thread.
    void StartPinpad(int port) {
        std::string error;
        line_ = PinpadPort::CreatePty(portsDir_ + "/COM" + std::to_string(port), error);
        ASSERT_NE(line_, nullptr) << error;
        session_ = std::thread([this] {
            LinkTimings timings;
            timings.peerTimeout = 20s;
            PinpadLink link(*line_, {}, timings, &stop_);
            SessionOptions options;
            options.paymentPort = FreeTcpPort();  // no payment host: the sale is declined
            options.pollInterval = 100ms;
            result_ = RunPinpadSession(link, options, [](const std::string&) {}, &stop_);
            sessionDone_.store(true);
        });
    }

    template <typename T>
    T* Child(const char* name) {
        return window_.findChild<T*>(QString::fromLatin1(name));
    }

    CColorStatic* Line(const char* name) { return Child<CColorStatic>(name); }

    TempDataDir dir_{ProgramKind::Desktop};
    std::string portsDir_;
    CTermbridgeDlg window_;
    std::unique_ptr<PinpadPort> line_;
    std::thread session_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> sessionDone_{false};
    SessionResult result_;
};

}  // namespace

TEST_F(MainWindowLinkTest, StartsOnTheConfiguredPortServesASaleAndExits) {
    WriteConfig(kComPort);
    StartPinpad(kComPort);
    const OnNextModal<SerialSetUp> settings([](SerialSetUp* dialog) { dialog->reject(); });
    ASSERT_TRUE(window_.StartUp());
    EXPECT_FALSE(settings.Acted()) << "a working port needs no settings";
    window_.show();

    EXPECT_EQ(Line("libraryLine")->text(), QStringLiteral("D2XX library installed"));
    EXPECT_EQ(Line("libraryLine")->TextColour(), kGreen);
    EXPECT_TRUE(PumpUntil([&] { return Line("portLine")->text() == QStringLiteral("COM PORT OK"); }));
    EXPECT_EQ(Line("portLine")->TextColour(), kGreen);
    EXPECT_NE(ReadWholeFile(dir_.File("termbridge.ini")).find("COM_PORT = \"3\""), std::string::npos);

    // The simulator announces itself: allowed types, then WELCOME on line 2, centred.
    EXPECT_TRUE(PumpUntil([&] { return Line("displayLine2")->text() == QStringLiteral("      WELCOME"); }));
    auto* transaction = Child<QPushButton>("transactionButton");
    ASSERT_TRUE(PumpUntil([&] { return transaction->isEnabled(); }));
    EXPECT_TRUE(PumpUntil([&] { return Line("internetLine")->text() != QStringLiteral("Testing internet..."); }));

    const OnNextModal<CTransDlg> user([](CTransDlg* dialog) {
        QTest::keyClicks(dialog->findChild<CNumericEdit*>(QStringLiteral("amountEdit")), "1250");
        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("referenceEdit")), "INV-7");
        dialog->accept();
    });
    transaction->click();
    ASSERT_TRUE(user.Acted());
    // No printer on this machine: the ticket ends in a box, which the serial thread waits for.
    const DismissEveryBox boxes;
    ASSERT_TRUE(PumpUntil([&] { return sessionDone_.load(); }, 30s));
    EXPECT_TRUE(boxes.Texts().contains(QStringLiteral("**NO DEFAULT PRINTER FOUND, PRINTING ABORTED**")));
    ASSERT_EQ(result_.exitCode, kExitDone) << result_.error;
    ASSERT_EQ(result_.sales.size(), 1u);
    EXPECT_EQ(result_.sales[0].transaction.amount, 1250);
    EXPECT_EQ(result_.sales[0].transaction.reference, "INV-7");

    // Exit: link, server and log stopped; only the three 200 ms pauses on top of the stop.
    const auto started = std::chrono::steady_clock::now();
    Child<QPushButton>("exitButton")->click();
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_FALSE(window_.isVisible());
    EXPECT_FALSE(IsSerialThreadAlive());
    EXPECT_EQ(SerialPortInitialized.load(), 0);
    EXPECT_EQ(RcListenerState.load(), 0);
    EXPECT_FALSE(IsLogOpen());
    EXPECT_GE(took, 1600ms);
    const std::string log = dir_.LogText();
    EXPECT_EQ(log.find("Serial thread is stuck!"), std::string::npos) << "the thread ended when asked";
}

TEST_F(MainWindowLinkTest, PortThatFailsShowsTheBoxThenTheSettings) {
    const struct {
        const char* name;
        const char* d2xxName;
        const char* box;
    } cases[] = {
        // A plain file takes the COM port's place: it opens but is no serial line.
        {"COM port never comes up", "", "COM port initialization failed due to timeout..."},
        {"FTDI device missing", "NO SUCH PINPAD", "COM port initialization failed..."},
    };
    WriteWholeFile(portsDir_ + "/COM4", "");
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        CTermbridgeDlg window;
        WriteConfig(4, row.d2xxName);
        QString shown, caption;
        const OnNextModal<QMessageBox> box([&](QMessageBox* message) {
            shown = message->text();
            caption = message->windowTitle();
            message->accept();
        });
        const OnNextModal<SerialSetUp> user([](SerialSetUp* dialog) { dialog->reject(); });
        EXPECT_FALSE(window.StartUp());
        EXPECT_EQ(shown.toStdString(), row.box);
        EXPECT_EQ(caption, QStringLiteral("Error"));
        EXPECT_TRUE(user.Acted()) << "the settings follow the box";
        EXPECT_EQ(window.result(), QDialog::Rejected);
        EXPECT_FALSE(IsSerialThreadAlive());
        EXPECT_EQ(RcListenerState.load(), 0);
        EXPECT_FALSE(IsLogOpen());
    }
}

TEST_F(MainWindowLinkTest, TimersShowALinkThatWentDownAndRestartIt) {
    WriteConfig(kComPort);
    StartPinpad(kComPort);
    ASSERT_TRUE(window_.StartUp());
    auto* transaction = Child<QPushButton>("transactionButton");
    ASSERT_TRUE(PumpUntil([&] { return transaction->isEnabled(); }));

    // The link goes down while a remote-control client holds it stopped.
    InsideConfigDialog.store(1);
    StopMonitoring();
    window_.OnPortTimer();
    EXPECT_EQ(Line("portLine")->text(), QStringLiteral("COM PORT NOT OK"));
    EXPECT_EQ(Line("portLine")->TextColour(), kRed);
    EXPECT_FALSE(transaction->isEnabled());
    window_.OnLinkTimer();
    EXPECT_FALSE(IsSerialThreadAlive()) << "no restart while the client holds the link";

    InsideConfigDialog.store(0);
    window_.OnLinkTimer();
    EXPECT_TRUE(PumpUntil([&] { return SerialPortInitialized.load() == 1; }));
    window_.OnPortTimer();
    EXPECT_EQ(Line("portLine")->text(), QStringLiteral("COM PORT OK"));
}
