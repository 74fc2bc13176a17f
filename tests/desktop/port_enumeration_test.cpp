#include "port_enumeration.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "devices/devices.h"
#include "support/test_env.h"

namespace {

// FTDI devices of the fake D2XX library: one directory entry per device description.
class D2xxListTest : public ::testing::Test {
protected:
    void SetUp() override {
        devicesDir_ = dir_.File("ftdi");
        std::filesystem::create_directory(devicesDir_);
        setenv("FAKE_D2XX_DEVICES", devicesDir_.c_str(), 1);
        setenv("TERMBRIDGE_D2XX_LIBRARY", FAKE_D2XX_LIBRARY, 1);
    }

    void AddDevice(const std::string& description) { WriteWholeFile(devicesDir_ + "/" + description, ""); }

    TempDataDir dir_{ProgramKind::Desktop};
    std::string devicesDir_;
};

}  // namespace

TEST_F(D2xxListTest, NothingWithoutTheLibrary) {
    AddDevice("FT232R USB UART");
    EXPECT_EQ(CountD2xxDevices(), 0);
    EXPECT_TRUE(ListD2xxDevices().empty());
}

TEST_F(D2xxListTest, ListsTheDescriptions) {
    AddDevice("Printer FT");
    AddDevice("FT232R USB UART");
    ASSERT_EQ(PinpadD2xx().LoadD2xx(), 0);
    EXPECT_EQ(CountD2xxDevices(), 2);
    EXPECT_EQ(ListD2xxDevices(), (std::vector<std::string>{"FT232R USB UART", "Printer FT"}));
}

TEST_F(D2xxListTest, NoDeviceGivesAnEmptyList) {
    ASSERT_EQ(PinpadD2xx().LoadD2xx(), 0);
    EXPECT_EQ(CountD2xxDevices(), 0);
    EXPECT_TRUE(ListD2xxDevices().empty());
}

// The library writes every device it finds; only the first 63 are offered.
TEST_F(D2xxListTest, MoreThan63DevicesAreCutTo63) {
    for (int i = 0; i < 70; ++i) AddDevice("Device " + std::to_string(100 + i));
    ASSERT_EQ(PinpadD2xx().LoadD2xx(), 0);
    const std::vector<std::string> devices = ListD2xxDevices();
    ASSERT_EQ(devices.size(), 63u);
    EXPECT_EQ(devices.front(), "Device 100");
    EXPECT_EQ(devices.back(), "Device 162");
}
