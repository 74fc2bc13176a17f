#include "devices/d2xx_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "common/ui_hook.h"
#include "config/host_config.h"
#include "config/log.h"
#include "support/pty_pair.h"
#include "support/test_env.h"

using namespace std::chrono_literals;

namespace {

class RecordingUi : public UiHook {
public:
    void ShowMessage(const std::string& text, const std::string&, MessageIcon) override {
        messages.push_back(text);
    }
    std::vector<std::string> messages;
};

// A data directory with an open log, the fake library's devices and a recording window.
class D2xxTest : public ::testing::TestWithParam<ProgramKind> {
protected:
    void SetUp() override {
        HostConfig config{};
        config.loggingLevel = 1;
        SetHostConfig(config);
        ASSERT_EQ(OpenLog(), 0);
        SetUiHook(&ui_);
        devices_.Link("Pinpad", pty_.SlavePath());
    }
    void TearDown() override {
        SetUiHook(nullptr);
        unsetenv("TERMBRIDGE_D2XX_LIBRARY");
    }

    static void UseLibrary(const char* path) { setenv("TERMBRIDGE_D2XX_LIBRARY", path, 1); }
    bool Desktop() const { return GetParam() == ProgramKind::Desktop; }
    // The boxes the desktop would have shown; the service shows none.
    std::vector<std::string> Boxes(std::vector<std::string> desktopBoxes) const {
        return Desktop() ? desktopBoxes : std::vector<std::string>{};
    }

    TempDataDir dir_{GetParam()};
    RecordingUi ui_;
    PtyPair pty_;
    DeviceLinkDir devices_{"FAKE_D2XX_DEVICES"};
    CD2xxDevice device_;
};

std::string KindName(const ::testing::TestParamInfo<ProgramKind>& info) {
    return info.param == ProgramKind::Desktop ? "Desktop" : "Service";
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Programs, D2xxTest,
                         ::testing::Values(ProgramKind::Desktop, ProgramKind::Service), KindName);

TEST_P(D2xxTest, MissingLibraryFailsAndEveryOperationReturnsOne) {
    UseLibrary("/nonexistent/libftd2xx.so");
    EXPECT_EQ(device_.LoadD2xx(), -1);
    EXPECT_EQ(device_.library, nullptr);
    EXPECT_EQ(CountOf(dir_.LogText(), "Loading Ftd2xx.dll"), 1);
    EXPECT_EQ(ui_.messages, Boxes({"Error: Can't Load ft8u245.dll"}));

    FtDword count = 0;
    std::uint8_t byte = 0;
    const struct {
        const char* box;  // null: the operation has no box of its own
        std::function<FT_STATUS()> operation;
    } rows[] = {
        {"FT_OpenEx is not valid!", [&] { return device_.OpenEx("Pinpad"); }},
        {"FT_Close is not valid!", [&] { return device_.Close(); }},
        {"FT_Read is not valid!", [&] { return device_.Read(&byte, 1, count); }},
        {"FT_Write is not valid!", [&] { return device_.Write(&byte, 1, count); }},
        {"FT_ResetDevice is not valid!", [&] { return device_.ResetDevice(); }},
        {"FT_Purge is not valid!", [&] { return device_.Purge(FT_PURGE_RX); }},
        {"FT_SetTimeouts is not valid!", [&] { return device_.SetTimeouts(1000, 10000); }},
        {"FT_ListDevices is not valid!",
         [&] { return device_.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY); }},
        {nullptr, [&] { return device_.SetBaudRate(115200); }},
        {nullptr, [&] { return device_.SetDataCharacteristics(FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE); }},
    };
    for (const auto& row : rows) {
        ui_.messages.clear();
        EXPECT_EQ(row.operation(), 1u) << (row.box ? row.box : "no box");
        EXPECT_EQ(ui_.messages, row.box != nullptr ? Boxes({row.box}) : std::vector<std::string>{});
    }
}

TEST_P(D2xxTest, FullLibraryBindsEveryName) {
    UseLibrary(FAKE_D2XX_LIBRARY);
    EXPECT_EQ(device_.LoadD2xx(), 0);
    EXPECT_NE(device_.library, nullptr);
    const D2xxFunctions& f = device_.functions;
    const void* bound[] = {
        reinterpret_cast<const void*>(f.FT_Write),       reinterpret_cast<const void*>(f.FT_SetDataCharacteristics),
        reinterpret_cast<const void*>(f.FT_SetBaudRate), reinterpret_cast<const void*>(f.FT_Read),
        reinterpret_cast<const void*>(f.FT_Open),        reinterpret_cast<const void*>(f.FT_OpenEx),
        reinterpret_cast<const void*>(f.FT_ListDevices), reinterpret_cast<const void*>(f.FT_Close),
        reinterpret_cast<const void*>(f.FT_ResetDevice), reinterpret_cast<const void*>(f.FT_Purge),
        reinterpret_cast<const void*>(f.FT_SetTimeouts), reinterpret_cast<const void*>(f.FT_GetQueueStatus),
    };
    for (const void* function : bound) EXPECT_NE(function, nullptr);
    EXPECT_TRUE(ui_.messages.empty());
}

// The first missing name is reported; what was bound before it keeps working end to end.
TEST_P(D2xxTest, LibraryWithoutGetQueueStatusFailsYetTheDeviceWorks) {
    UseLibrary(FAKE_D2XX_LIBRARY_NO_QUEUE_STATUS);
    EXPECT_EQ(device_.LoadD2xx(), -1);
    EXPECT_NE(device_.library, nullptr);
    EXPECT_EQ(device_.functions.FT_GetQueueStatus, nullptr);
    EXPECT_NE(device_.functions.FT_SetTimeouts, nullptr);
    EXPECT_EQ(ui_.messages, Boxes({"Error: Can't Find FT_GetQueueStatus"}));

    ASSERT_EQ(device_.OpenEx("Pinpad"), FT_OK);
    EXPECT_EQ(device_.SetTimeouts(1000, 10000), FT_OK);
    const Bytes out{0x10, 0x02, 0x41};
    FtDword count = 0;
    EXPECT_EQ(device_.Write(out.data(), 3, count), FT_OK);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(pty_.ReadUntilQuiet(200ms), out);

    pty_.Write({0x06, 0x15});
    std::uint8_t in[2] = {};
    EXPECT_EQ(device_.Read(in, 2, count), FT_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(in[0], 0x06);
    EXPECT_EQ(in[1], 0x15);
    EXPECT_EQ(device_.Close(), FT_OK);
    EXPECT_EQ(device_.handle, nullptr);
}

TEST_P(D2xxTest, OpenByDescriptionListAndReadTimeout) {
    UseLibrary(FAKE_D2XX_LIBRARY);
    ASSERT_EQ(device_.LoadD2xx(), 0);
    FtDword count = 0;
    EXPECT_EQ(device_.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    EXPECT_EQ(count, 1u);
    char name[64] = {};
    char* names[2] = {name, nullptr};
    EXPECT_EQ(device_.ListDevices(names, &count, FT_LIST_ALL | FT_OPEN_BY_DESCRIPTION), FT_OK);
    EXPECT_STREQ(name, "Pinpad");

    EXPECT_NE(device_.OpenEx("Printer"), FT_OK);
    ASSERT_EQ(device_.OpenEx("Pinpad"), FT_OK);
    EXPECT_NE(device_.handle, nullptr);
    EXPECT_EQ(device_.SetTimeouts(200, 10000), FT_OK);
    std::uint8_t byte = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(device_.Read(&byte, 1, count), FT_OK);
    EXPECT_EQ(count, 0u) << "the time-out passed without a byte";
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);

    pty_.CloseMaster();
    EXPECT_NE(device_.Read(&byte, 1, count), FT_OK) << "a hung-up line is a device failure";
    EXPECT_EQ(device_.Close(), FT_OK);
    EXPECT_NE(device_.Close(), FT_OK) << "a closed handle is not handed to the library again";
    EXPECT_TRUE(ui_.messages.empty());
}
