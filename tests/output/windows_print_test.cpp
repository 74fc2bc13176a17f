#include "output/windows_print.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/ui_hook.h"
#include "config/host_config.h"
#include "config/log.h"
#include "output/recording_print_device.h"
#include "support/test_env.h"

namespace {

struct Shown {
    std::string text;
    MessageIcon icon;
};

class RecordingUi : public UiHook {
public:
    void ShowMessage(const std::string& text, const std::string& /*caption*/, MessageIcon icon) override {
        shown.push_back({text, icon});
    }
    std::vector<Shown> shown;
};

struct Draw {
    int y;
    std::string text;
};

bool operator==(const Draw& a, const Draw& b) { return a.y == b.y && a.text == b.text; }
void PrintTo(const Draw& d, std::ostream* out) { *out << "(" << d.y << ", \"" << d.text << "\")"; }

class WindowsPrintTest : public ::testing::Test {
protected:
    explicit WindowsPrintTest(DocumentStart start = DocumentStart::Started,
                              ProgramKind kind = ProgramKind::Service)
        : dir_(kind), device_(start) {}

    void SetUp() override {
        HostConfig config{};
        config.loggingLevel = 1;
        SetHostConfig(config);
        ASSERT_EQ(OpenLog(), 0);
        SetPrintDeviceForTests(&device_);
        SetUiHook(&ui_);
    }
    void TearDown() override {
        SetPrintDeviceForTests(nullptr);
        SetUiHook(nullptr);
    }

    // Prints the lines in one job, then a marker line that shows where the next line would go.
    std::vector<Draw> Print(const std::vector<std::string>& lines, TicketSize size = TicketSize::Normal) {
        EXPECT_EQ(BeginWindowsPrint(), 0);
        SetWindowsPrintSize(size);
        for (const auto& line : lines) PrintWindowsLine(line.c_str());
        PrintWindowsLine("@@");
        EndWindowsPrint();
        std::vector<Draw> draws;
        for (const auto& d : device_.draws) draws.push_back({d.y, d.text});
        return draws;
    }

    TempDataDir dir_;
    RecordingPrintDevice device_;
    RecordingUi ui_;
};

}  // namespace

TEST_F(WindowsPrintTest, LinesFollowTheSplittingRules) {
    struct Case {
        const char* name;
        std::string line;
        std::vector<Draw> draws;  // the last one is the marker line
    };
    const Case cases[] = {
        {"plain line, full advance", "HELLO", {{100, "HELLO"}, {180, "@@"}}},
        {"one character, half advance and no ink", "-", {{140, "@@"}}},
        {"a lone line end, half advance and no ink", "\n", {{140, "@@"}}},
        {"line end characters are kept", "AB\r\n", {{100, "AB\r\n"}, {180, "@@"}}},
        {"backslash n breaks half a line lower", "AB\\nCD", {{100, "AB"}, {140, "CD"}, {220, "@@"}}},
        {"single letters around a break", "A\\nB", {{100, "A"}, {180, "@@"}}},
        {"break at the start draws nothing first", "\\nCD", {{140, "CD"}, {220, "@@"}}},
        {"percent sign has no meaning", "100% %s %d", {{100, "100% %s %d"}, {180, "@@"}}},
        {"other escapes lose their backslash", "a\\bc\\\\d", {{100, "abcd"}, {180, "@@"}}},
        {"trailing backslash is dropped", "AB\\", {{100, "AB"}, {180, "@@"}}},
        {"empty line changes nothing", "", {{100, "@@"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        device_.draws.clear();
        EXPECT_EQ(Print({c.line}), c.draws);
    }
}

TEST_F(WindowsPrintTest, EveryDrawStartsAtTheLeftMarginInTheTicketFont) {
    Print({"first", "second"});
    ASSERT_EQ(device_.draws.size(), 3u);
    EXPECT_EQ(device_.draws[0].x, 100);
    EXPECT_EQ(device_.draws[0].y, 100);
    for (const auto& d : device_.draws) {
        EXPECT_EQ(d.x, 100);
        EXPECT_EQ(d.font, (PrintFont{"Liberation Serif", 80}));
    }
}

TEST_F(WindowsPrintTest, BigFontAdvancesFullAndHalfLinesOf140) {
    EXPECT_EQ(Print({"AA", "BB", "-", "CC\\nDD"}, TicketSize::Big),
              (std::vector<Draw>{{100, "AA"}, {240, "BB"}, {450, "CC"}, {520, "DD"}, {660, "@@"}}));
    for (const auto& d : device_.draws) EXPECT_EQ(d.font.tenthsOfPoint, 140);
}

TEST_F(WindowsPrintTest, SizeChangesApplyToTheFollowingLines) {
    ASSERT_EQ(BeginWindowsPrint(), 0);
    SetWindowsPrintSize(TicketSize::Normal);
    PrintWindowsLine("n1");
    SetWindowsPrintSize(TicketSize::Big);
    PrintWindowsLine("b1");
    PrintWindowsLine("b2");
    SetWindowsPrintSize(TicketSize::Normal);
    PrintWindowsLine("n2");
    EndWindowsPrint();

    const std::vector<std::pair<int, int>> expected = {{100, 80}, {180, 140}, {320, 140}, {460, 80}};
    ASSERT_EQ(device_.draws.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(device_.draws[i].y, expected[i].first) << i;
        EXPECT_EQ(device_.draws[i].font.tenthsOfPoint, expected[i].second) << i;
    }
    const std::string log = dir_.LogText();
    EXPECT_EQ(CountOf(log, "Setting SIZE NORMAL \r\n"), 2);
    EXPECT_EQ(CountOf(log, "Setting SIZE BIG \r\n"), 1);
}

TEST_F(WindowsPrintTest, LongLineIsCutAt1023Characters) {
    Print({std::string(2000, 'x')});
    ASSERT_FALSE(device_.draws.empty());
    EXPECT_EQ(device_.draws[0].text, std::string(1023, 'x'));
}

TEST_F(WindowsPrintTest, OneJobPerTicketWithItsName) {
    Print({"one"});
    Print({"two"});
    EXPECT_EQ(device_.documentNames, (std::vector<std::string>{"Corvanta(c) printout", "Corvanta(c) printout"}));
    EXPECT_EQ(device_.endedDocuments, 2);
    EXPECT_EQ(device_.draws[0].y, 100) << "every job starts at the top";
    EXPECT_EQ(device_.draws[2].y, 100);
}

namespace {

struct FailureCase {
    const char* name;
    DocumentStart start;
    ProgramKind kind;
    const char* logLine;
    const char* box;  // nullptr: no message box
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class PrintFailureTest : public WindowsPrintTest, public ::testing::WithParamInterface<FailureCase> {
protected:
    PrintFailureTest() : WindowsPrintTest(GetParam().start, GetParam().kind) {}
};

}  // namespace

TEST_P(PrintFailureTest, BeginFailsWithItsMessages) {
    const FailureCase& c = GetParam();
    EXPECT_EQ(BeginWindowsPrint(), -1);
    EXPECT_EQ(device_.endedDocuments, 0);
    EXPECT_NE(dir_.LogText().find(std::string(c.logLine) + " \r\n"), std::string::npos);
    if (c.box == nullptr) {
        EXPECT_TRUE(ui_.shown.empty());
    } else {
        ASSERT_EQ(ui_.shown.size(), 1u);
        EXPECT_EQ(ui_.shown[0].text, c.box);
        EXPECT_EQ(ui_.shown[0].icon, MessageIcon::Information);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PrintFailureTest,
    ::testing::Values(
        FailureCase{"NoDefaultPrinterDesktop", DocumentStart::NoDefaultPrinter, ProgramKind::Desktop,
                    "Error during printing - no default printer installed",
                    "**NO DEFAULT PRINTER FOUND, PRINTING ABORTED**"},
        FailureCase{"JobNotStartedDesktop", DocumentStart::JobNotStarted, ProgramKind::Desktop,
                    "Error during printing - no default printer installed - 2",
                    "**PRINTER <StartDoc> FUNCTION FAILED, PRINTING ABORTED**\n"},
        FailureCase{"NoDefaultPrinterService", DocumentStart::NoDefaultPrinter, ProgramKind::Service,
                    "Error during printing - no default printer installed", nullptr},
        FailureCase{"JobNotStartedService", DocumentStart::JobNotStarted, ProgramKind::Service,
                    "Error during printing - no default printer installed - 2", nullptr}),
    [](const ::testing::TestParamInfo<FailureCase>& row) { return std::string(row.param.name); });
