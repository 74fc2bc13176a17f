#include "serial_set_up.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "config/config_file.h"
#include "config/host_config.h"
#include "support/test_env.h"

namespace {

const std::vector<std::string> kDevices{"FT232R USB UART", "Printer FT"};

// A record with the fields the dialog shows; the rest zero.
struct Settings {
    int comPort = 0;
    const char* d2xxName = "";
    int printerComPort = 0;
    const char* printerD2xx = "";
    int printerType = 0;
    const char* printerIp = "";
    int printerPort = 0;
    int loggingLevel = 1;
    int printerWidth = 0;
    const char* gsmUser = "";
    const char* gsmPassword = "";
};

HostConfig MakeConfig(const Settings& s) {
    HostConfig config{};
    config.comPort = s.comPort;
    std::snprintf(config.d2xxName, sizeof config.d2xxName, "%s", s.d2xxName);
    config.printerComPrnPort = s.printerComPort;
    std::snprintf(config.printerD2xxDeviceName, sizeof config.printerD2xxDeviceName, "%s", s.printerD2xx);
    config.printerType = s.printerType;
    std::snprintf(config.printerIp, sizeof config.printerIp, "%s", s.printerIp);
    config.printerPort = s.printerPort;
    config.loggingLevel = static_cast<std::int8_t>(s.loggingLevel);
    config.printerWidth = static_cast<std::int8_t>(s.printerWidth);
    std::snprintf(config.gsmUserName, sizeof config.gsmUserName, "%s", s.gsmUser);
    std::snprintf(config.gsmPassword, sizeof config.gsmPassword, "%s", s.gsmPassword);
    return config;
}

class SerialSetUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        portsDir_ = dir_.File("ports");
        std::filesystem::create_directory(portsDir_);
        setenv("TERMBRIDGE_PORTS_DIR", portsDir_.c_str(), 1);
    }

    // Each port is a plain file that opens like a free device.
    void MakePorts(const std::vector<int>& ports) {
        for (const auto& entry : std::filesystem::directory_iterator(portsDir_)) std::filesystem::remove(entry);
        for (const int n : ports) WriteWholeFile(portsDir_ + "/COM" + std::to_string(n), "");
    }

    std::unique_ptr<SerialSetUp> Open(const Settings& settings) {
        SetHostConfig(MakeConfig(settings));
        PortSources sources;
        sources.listD2xxDevices = [] { return kDevices; };
        auto dialog = std::make_unique<SerialSetUp>([this] { ++printerTests_; }, sources);
        dialog->show();
        return dialog;
    }

    template <typename T>
    static T* Child(SerialSetUp& dialog, const char* name) {
        return dialog.findChild<T*>(QString::fromLatin1(name));
    }

    static std::string Selected(SerialSetUp& dialog, const char* list) {
        auto* box = Child<QComboBox>(dialog, list);
        return box->currentIndex() < 0 ? "(none)" : box->currentText().toStdString();
    }

    // What a user's choice in a list does.
    static void Choose(SerialSetUp& dialog, const char* list, const char* entry) {
        auto* box = Child<QComboBox>(dialog, list);
        const int index = box->findText(QString::fromLatin1(entry));
        ASSERT_GE(index, 0) << entry;
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    std::string ConfigFileText() const { return ReadWholeFile(dir_.File("termbridge.ini")); }

    TempDataDir dir_{ProgramKind::Desktop};
    std::string portsDir_;
    int printerTests_ = 0;
};

}  // namespace

TEST_F(SerialSetUpTest, PortListsHoldFtdiDevicesThenComPorts) {
    MakePorts({12, 3, 4});
    auto dialog = Open({});
    for (const char* list : {"pinpadPortList", "printerPortList"}) {
        auto* box = Child<QComboBox>(*dialog, list);
        QStringList entries;
        for (int i = 0; i < box->count(); ++i) entries << box->itemText(i);
        EXPECT_EQ(entries.join(u'|').toStdString(), "D2XX-FT232R USB UART|D2XX-Printer FT|COM3|COM4|COM12") << list;
    }
    EXPECT_TRUE(dialog->AvailablePorts().test(2));
    EXPECT_EQ(dialog->AvailablePorts().count(), 3u);
}

TEST_F(SerialSetUpTest, PortHeldByAnotherProgramIsNotOffered) {
    MakePorts({3, 4});
    const std::string held = portsDir_ + "/COM4";
    const int fd = ::open(held.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const ComPortMap ports = EnumeratePinpadPorts();
    ::close(fd);
    EXPECT_TRUE(ports.test(2));
    EXPECT_FALSE(ports.test(3));
}

TEST_F(SerialSetUpTest, Preselection) {
    const struct {
        const char* name;
        std::vector<int> ports;
        Settings settings;
        const char* pinpad;
        const char* printer;
        const char* tracing;
        const char* width;
        const char* type;
    } cases[] = {
        {"COM ports", {3, 4}, {.comPort = 3, .printerComPort = 4, .printerType = 2, .loggingLevel = 2, .printerWidth = 1},
         "COM3", "COM4", "Detailed", "79 mm", "Ticket printer COM port"},
        {"FTDI devices", {3}, {.d2xxName = "FT232R USB UART", .printerD2xx = "Printer FT", .printerType = 3, .loggingLevel = 0},
         "D2XX-FT232R USB UART", "D2XX-Printer FT", "OFF", "57 mm", "Ticket printer IP"},
        {"configured ports missing; COM3 does not pick COM30", {4, 30},
         {.comPort = 3, .printerComPort = 30, .printerType = 4, .printerWidth = 5},
         "(none)", "COM30", "Normal", "(none)", "(none)"},
        {"nothing configured picks the first FTDI device", {3}, {.printerType = 1},
         "D2XX-FT232R USB UART", "D2XX-FT232R USB UART", "Normal", "57 mm", "Default Windows printer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MakePorts(c.ports);
        auto dialog = Open(c.settings);
        EXPECT_EQ(Selected(*dialog, "pinpadPortList"), c.pinpad);
        EXPECT_EQ(Selected(*dialog, "printerPortList"), c.printer);
        EXPECT_EQ(Selected(*dialog, "tracingLevelList"), c.tracing);
        EXPECT_EQ(Selected(*dialog, "paperWidthList"), c.width);
        EXPECT_EQ(Selected(*dialog, "printerTypeList"), c.type);
    }
}

TEST_F(SerialSetUpTest, EditsShowTheRecord) {
    MakePorts({3});
    auto dialog = Open({.printerType = 3, .printerIp = "10.0.0.7", .printerPort = 9100, .gsmUser = "shop",
                        .gsmPassword = "pa ss "});
    EXPECT_EQ(Child<QLineEdit>(*dialog, "gsmUserEdit")->text().toStdString(), "shop");
    EXPECT_EQ(Child<QLineEdit>(*dialog, "gsmPasswordEdit")->text().toStdString(), "pa ss ");
    EXPECT_EQ(Child<QLineEdit>(*dialog, "gsmPasswordEdit")->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(Child<QLineEdit>(*dialog, "printerIpEdit")->text().toStdString(), "10.0.0.7");
    EXPECT_EQ(Child<QLineEdit>(*dialog, "printerPortEdit")->text().toStdString(), "9100");
    EXPECT_EQ(Child<QLineEdit>(*dialog, "gsmUserEdit")->geometry(), QRect(100, 70, 150, 20));
    EXPECT_EQ(Child<QLineEdit>(*dialog, "printerPortEdit")->geometry(), QRect(100, 196, 150, 20));
}

TEST_F(SerialSetUpTest, ControlsFollowThePrinterType) {
    MakePorts({3});
    const struct {
        const char* type;
        bool width, portList, ip, port;
    } cases[] = {
        {"None", false, false, false, false},
        {"Default Windows printer", false, false, false, false},
        {"Ticket printer COM port", true, true, false, false},
        {"Ticket printer IP", true, false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        auto dialog = Open({.printerType = 3, .printerIp = "10.0.0.7", .printerPort = 9100});
        Choose(*dialog, "printerTypeList", c.type);
        EXPECT_EQ(Child<QComboBox>(*dialog, "paperWidthList")->isEnabled(), c.width);
        EXPECT_EQ(Child<QComboBox>(*dialog, "printerPortList")->isEnabled(), c.portList);
        auto* ip = Child<QLineEdit>(*dialog, "printerIpEdit");
        auto* port = Child<QLineEdit>(*dialog, "printerPortEdit");
        EXPECT_EQ(ip->isEnabled(), c.ip);
        EXPECT_EQ(port->isEnabled(), c.port);
        EXPECT_EQ(ip->text().isEmpty(), !c.ip) << "a disabled edit is emptied";
        EXPECT_EQ(port->text().isEmpty(), !c.port);
    }
}

// The choice reaches the record at once and Cancel does not take it back; the file stays.
TEST_F(SerialSetUpTest, PrinterTypeChoiceOutlivesCancel) {
    MakePorts({3});
    auto dialog = Open({.comPort = 3, .printerType = 3});
    Choose(*dialog, "printerTypeList", "None");
    EXPECT_EQ(GetHostConfig().printerType, 0);
    dialog->reject();
    EXPECT_EQ(GetHostConfig().printerType, 0);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("termbridge.ini")));
    EXPECT_EQ(printerTests_, 0);
}

TEST_F(SerialSetUpTest, OkWritesTheFile) {
    const Settings ipPrinter{.comPort = 3, .printerComPort = 4, .printerType = 3, .printerIp = "10.0.0.7",
                             .printerPort = 9100, .loggingLevel = 2, .printerWidth = 1, .gsmUser = "shop",
                             .gsmPassword = "pa ss "};
    const struct {
        const char* name;
        Settings settings;
        std::vector<std::pair<const char*, const char*>> choices;  // list, entry
        const char* file;
        int pinpadPort;
        const char* pinpadDevice;
    } cases[] = {
        {"printer None clears the printer; tracing OFF",
         ipPrinter,
         {{"pinpadPortList", "COM4"}, {"tracingLevelList", "OFF"}, {"printerTypeList", "None"}},
         "PRINTER_IP = \"\"\r\n\r\nPRINTER_PORT = \"0\"\r\n\r\nCOM_PORT = \"4\"\r\n\r\n"
         "GSM_USER_NAME = \"shop\"\r\n\r\nGSM_PASSWORD = \"pa ss \"\r\n\r\nD2XX_NAME = \"\"\r\n\r\n"
         "PRINTER_D2XX_DEVICE_NAME = \"\"\r\n\r\nPRINTER_COM_PRN_PORT = \"0\"\r\n\r\n"
         "LOGGING_LEVEL = \"0\"\r\n\r\nPRINTER_WIDTH = \"0\"\r\n\r\nPRINTER_TYPE = \"0\"\r\n\r\n",
         4, ""},
        {"IP printer keeps address and port, drops the COM port",
         ipPrinter,
         {},
         "PRINTER_IP = \"10.0.0.7\"\r\n\r\nPRINTER_PORT = \"9100\"\r\n\r\nCOM_PORT = \"3\"\r\n\r\n"
         "GSM_USER_NAME = \"shop\"\r\n\r\nGSM_PASSWORD = \"pa ss \"\r\n\r\nD2XX_NAME = \"\"\r\n\r\n"
         "PRINTER_D2XX_DEVICE_NAME = \"\"\r\n\r\nPRINTER_COM_PRN_PORT = \"0\"\r\n\r\n"
         "LOGGING_LEVEL = \"2\"\r\n\r\nPRINTER_WIDTH = \"1\"\r\n\r\nPRINTER_TYPE = \"3\"\r\n\r\n",
         3, ""},
        {"FTDI pinpad and FTDI COM printer",
         {.comPort = 3, .printerType = 2, .printerIp = "stale", .printerPort = 1},
         {{"pinpadPortList", "D2XX-FT232R USB UART"}, {"printerPortList", "D2XX-Printer FT"}},
         "PRINTER_IP = \"\"\r\n\r\nPRINTER_PORT = \"0\"\r\n\r\nCOM_PORT = \"0\"\r\n\r\n"
         "GSM_USER_NAME = \"\"\r\n\r\nGSM_PASSWORD = \"\"\r\n\r\nD2XX_NAME = \"FT232R USB UART\"\r\n\r\n"
         "PRINTER_D2XX_DEVICE_NAME = \"Printer FT\"\r\n\r\nPRINTER_COM_PRN_PORT = \"0\"\r\n\r\n"
         "LOGGING_LEVEL = \"1\"\r\n\r\nPRINTER_WIDTH = \"0\"\r\n\r\nPRINTER_TYPE = \"2\"\r\n\r\n",
         0, "FT232R USB UART"},
        {"from an FTDI pinpad to COM4; a type the desktop does not know stays",
         {.d2xxName = "FT232R USB UART", .printerType = 4},
         {{"pinpadPortList", "COM4"}},
         "PRINTER_IP = \"\"\r\n\r\nPRINTER_PORT = \"0\"\r\n\r\nCOM_PORT = \"4\"\r\n\r\n"
         "GSM_USER_NAME = \"\"\r\n\r\nGSM_PASSWORD = \"\"\r\n\r\nD2XX_NAME = \"\"\r\n\r\n"
         "PRINTER_D2XX_DEVICE_NAME = \"FT232R USB UART\"\r\n\r\nPRINTER_COM_PRN_PORT = \"0\"\r\n\r\n"
         "LOGGING_LEVEL = \"1\"\r\n\r\nPRINTER_WIDTH = \"0\"\r\n\r\nPRINTER_TYPE = \"4\"\r\n\r\n",
         4, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MakePorts({3, 4});
        printerTests_ = 0;
        auto dialog = Open(c.settings);
        dialog->SetPinpadPort("old device", 9, ComPortMap{});
        for (const auto& [list, entry] : c.choices) Choose(*dialog, list, entry);
        dialog->accept();
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(ConfigFileText(), c.file);
        EXPECT_EQ(dialog->PinpadPortNumber(), c.pinpadPort);
        EXPECT_EQ(dialog->PinpadDevice(), c.pinpadDevice);
        EXPECT_EQ(printerTests_, 1);
    }
}
