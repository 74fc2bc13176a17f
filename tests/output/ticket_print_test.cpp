#include "output/ticket_print.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "config/config_file.h"
#include "config/log.h"
#include "output/last_ticket.h"
#include "output/recording_print_device.h"
#include "output/windows_print.h"
#include "support/test_env.h"
#include "record_builder.h"

namespace {

struct Drawn {
    int y;
    std::string text;
    int tenths;
};

bool operator==(const Drawn& a, const Drawn& b) {
    return a.y == b.y && a.text == b.text && a.tenths == b.tenths;
}
void PrintTo(const Drawn& d, std::ostream* out) { *out << "(" << d.y << ", \"" << d.text << "\", " << d.tenths << ")"; }

class TicketPrintTest : public ::testing::Test {
protected:
    explicit TicketPrintTest(ProgramKind kind = ProgramKind::Service,
                             DocumentStart start = DocumentStart::Started)
        : dir_(kind), device_(start) {}

    void SetUp() override {
        ResetLastTicketForTests();
        Configure(PrinterKind::WindowsDefault);
        ASSERT_EQ(OpenLog(), 0);
        SetPrintDeviceForTests(&device_);
    }
    void TearDown() override { SetPrintDeviceForTests(nullptr); }

    // Writes the configuration file that printing reads again.
    static void Configure(PrinterKind kind) {
        HostConfig config{};
        config.loggingLevel = 1;
        config.printerType = static_cast<std::int32_t>(kind);
        SetHostConfig(config);
        ASSERT_EQ(WriteConfiguration(), 0);
    }

    std::vector<Drawn> Drawings() const {
        std::vector<Drawn> drawn;
        for (const auto& d : device_.draws) drawn.push_back({d.y, d.text, d.font.tenthsOfPoint});
        return drawn;
    }

    TempDataDir dir_;
    RecordingPrintDevice device_;
};

}  // namespace

TEST_F(TicketPrintTest, HelloTicketPrintsHelloThenSelectsTheBigFont) {
    // The X is a one-character line: no ink, half a big line of gap before the next line.
    const Records ticket = Join({TextRecord("HELLO"), SizeRecord(2, 1), TextRecord("X"), TextRecord("NEXT")});
    EXPECT_EQ(PrintTicket(ticket.data(), ticket.size()), 0);
    EXPECT_EQ(Drawings(), (std::vector<Drawn>{{100, "HELLO", 80}, {180 + 70, "NEXT", 140}}));
    EXPECT_EQ(device_.documentNames, std::vector<std::string>{"Corvanta(c) printout"});
    EXPECT_EQ(device_.endedDocuments, 1);

    const std::string log = dir_.LogText();
    const auto normal = log.find("Setting SIZE NORMAL");
    const auto big = log.find("Setting SIZE BIG");
    ASSERT_NE(normal, std::string::npos);
    ASSERT_NE(big, std::string::npos);
    EXPECT_LT(normal, big) << "every job starts with the normal font";
}

TEST_F(TicketPrintTest, SizeRecordsSwitchTheFontBackAndForth) {
    const Records ticket = Join({SizeRecord(1, 2), TextRecord("big"), SizeRecord(1, 1), TextRecord("normal")});
    ASSERT_EQ(PrintTicket(ticket.data(), ticket.size()), 0);
    EXPECT_EQ(Drawings(), (std::vector<Drawn>{{100, "big", 140}, {240, "normal", 80}}));
}

TEST_F(TicketPrintTest, UnknownTagIsLoggedAndTheRestPrints) {
    const Records ticket = Join({TextRecord("before"), Record(9, "??"), TextRecord("after")});
    ASSERT_EQ(PrintTicket(ticket.data(), ticket.size()), 0);
    EXPECT_EQ(Drawings(), (std::vector<Drawn>{{100, "before", 80}, {180, "after", 80}}));
    EXPECT_EQ(CountOf(dir_.LogText(), "Warning: Unrecognized tag from the copy file \r\n"), 1);
}

TEST_F(TicketPrintTest, LastTicketHoldsTheExactRecordBytes) {
    const Records first = Join({TextRecord("one"), Record(4, std::string("\0\xFF", 2))});
    const Records second = TextRecord("two");
    ASSERT_EQ(PrintTicket(first.data(), first.size()), 0);
    EXPECT_EQ(GetLastTicket(), first);
    ASSERT_EQ(PrintTicket(second.data(), second.size()), 0);
    EXPECT_EQ(GetLastTicket(), second) << "each ticket replaces the last one whole";
}

TEST_F(TicketPrintTest, EmptyTicketIsStoredAndPrintsAnEmptyPage) {
    ASSERT_EQ(PrintTicket(nullptr, 0), 0);
    EXPECT_TRUE(GetLastTicket().empty());
    EXPECT_EQ(device_.documentNames.size(), 1u);
    EXPECT_EQ(device_.endedDocuments, 1);
    EXPECT_TRUE(device_.draws.empty());
}

TEST_F(TicketPrintTest, StoreIsLimitedTo16000Bytes) {
    Records ticket;
    while (ticket.size() < 16100) {
        const Records line = TextRecord(std::string(98, 'r'));
        ticket.insert(ticket.end(), line.begin(), line.end());
    }
    ASSERT_EQ(PrintTicket(ticket.data(), ticket.size()), 0);
    EXPECT_EQ(GetLastTicket(), Records(ticket.begin(), ticket.begin() + 16000));
    EXPECT_EQ(device_.draws.size(), 160u) << "the walk covers the stored bytes";
}

TEST_F(TicketPrintTest, RecordCutShortIsDroppedAndLogged) {
    const Records ticket = Join({TextRecord("whole"), Records{1, 50, 'c', 'u', 't'}});
    ASSERT_EQ(PrintTicket(ticket.data(), ticket.size()), 0);
    EXPECT_EQ(Drawings(), (std::vector<Drawn>{{100, "whole", 80}}));
    EXPECT_EQ(GetLastTicket(), ticket);
    EXPECT_NE(dir_.LogText().find("Warning: ticket record cut short at byte 7, dropped"), std::string::npos);
}

TEST_F(TicketPrintTest, PrinterTypeBecomesDefaultPrinterInMemoryOnly) {
    Configure(PrinterKind::Ethernet);
    const Records ticket = TextRecord("x");
    ASSERT_EQ(PrintTicket(ticket.data(), ticket.size()), 0);
    EXPECT_EQ(GetHostConfig().printerType, static_cast<std::int32_t>(PrinterKind::WindowsDefault));
    ASSERT_EQ(ReadConfiguration(), 0);
    EXPECT_EQ(GetHostConfig().printerType, static_cast<std::int32_t>(PrinterKind::Ethernet));
}

TEST_F(TicketPrintTest, ServiceWithExternalEcrPrinterOnlyKeepsTheTicket) {
    Configure(PrinterKind::ExternalEcr);
    const Records ticket = Join({TextRecord("for the register"), SizeRecord(2, 2)});
    EXPECT_EQ(PrintTicket(ticket.data(), ticket.size()), 0);
    EXPECT_TRUE(device_.documentNames.empty()) << "nothing is printed";
    EXPECT_EQ(GetLastTicket(), ticket);
    EXPECT_NE(dir_.LogText().find("Printer type = external ECR printer, no printing currently, just backuping the "
                                  "ticket. \r\n"),
              std::string::npos);
}

TEST_F(TicketPrintTest, ReadersNeverSeeHalfAReplacedTicket) {
    const Records small(100, 0xAA);
    const Records large(9000, 0xBB);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done.load()) {
            const Records copy = GetLastTicket();
            const bool whole = copy.empty() || copy == small || copy == large;
            if (!whole) torn.fetch_add(1);
        }
    });
    for (int i = 0; i < 300; ++i) {
        const Records& ticket = i % 2 == 0 ? small : large;
        StoreLastTicket(ticket.data(), ticket.size());
    }
    done.store(true);
    reader.join();
    EXPECT_EQ(torn.load(), 0);
}

namespace {

class DesktopTicketPrintTest : public TicketPrintTest {
protected:
    DesktopTicketPrintTest() : TicketPrintTest(ProgramKind::Desktop) {}
};

class NoPrinterTicketPrintTest : public TicketPrintTest {
protected:
    NoPrinterTicketPrintTest() : TicketPrintTest(ProgramKind::Service, DocumentStart::NoDefaultPrinter) {}
};

}  // namespace

TEST_F(DesktopTicketPrintTest, ExternalEcrKindIsUnknownAndTheTicketPrints) {
    Configure(PrinterKind::ExternalEcr);
    const Records ticket = TextRecord("printed");
    EXPECT_EQ(PrintTicket(ticket.data(), ticket.size()), 0);
    EXPECT_EQ(Drawings(), (std::vector<Drawn>{{100, "printed", 80}}));
}

TEST_F(NoPrinterTicketPrintTest, TicketIsStoredEvenWhenNothingCanPrint) {
    const Records ticket = TextRecord("kept");
    EXPECT_EQ(PrintTicket(ticket.data(), ticket.size()), -1);
    EXPECT_EQ(GetLastTicket(), ticket);
    EXPECT_TRUE(device_.draws.empty());
    EXPECT_EQ(device_.endedDocuments, 0);
}
