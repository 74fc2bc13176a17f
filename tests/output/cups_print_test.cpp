// Prints through a real CUPS server: a private cupsd with a raw queue whose device is a
// loopback listener playing the printer.

#include <gtest/gtest.h>

#include <future>

#include "config/config_file.h"
#include "config/log.h"
#include "output/ticket_print.h"
#include "output/windows_print.h"
#include "support/test_env.h"
#include "loopback_tcp.h"
#include "private_cups.h"
#include "record_builder.h"

namespace {

// The text pdftotext finds in a PDF.
std::string PdfText(const std::string& document, const std::string& scratchDir) {
    const std::string path = scratchDir + "/received.pdf";
    WriteWholeFile(path, document);
    const std::string command = "pdftotext -layout " + path + " " + path + ".txt";
    if (std::system(command.c_str()) != 0) return "";
    return ReadWholeFile(path + ".txt");
}

}  // namespace

TEST(CupsPrintTest, TicketArrivesAtTheDefaultQueueAsOneNamedJob) {
    const std::string why = PrivateCupsServer::Unavailable();
    if (!why.empty()) GTEST_SKIP() << why;

    TempDataDir dir;
    HostConfig config{};
    config.loggingLevel = 2;
    config.printerType = static_cast<std::int32_t>(PrinterKind::WindowsDefault);
    SetHostConfig(config);
    ASSERT_EQ(WriteConfiguration(), 0);
    ASSERT_EQ(OpenLog(), 0);

    PrivateCupsServer cups;
    ASSERT_TRUE(cups.Start()) << ReadWholeFile(cups.directory() + "/log/error_log");
    LoopbackListener printer;
    ASSERT_TRUE(cups.AddDefaultSocketQueue("tickets", printer.port()));

    // The printer side: take the job's bytes while the host prints.
    auto received = std::async(std::launch::async, [&printer] {
        ScopedFd connection = printer.Accept(std::chrono::seconds(60));
        return connection.valid() ? ReadUntilClosed(connection.get(), std::chrono::seconds(60)) : std::string();
    });

    const Records ticket = Join({TextRecord("CORVANTA TEST SHOP"), SizeRecord(2, 2), TextRecord("TOTAL 10.00 EUR"),
                                 SizeRecord(1, 1), TextRecord("Thank you\\nGoodbye")});
    ASSERT_EQ(PrintTicket(ticket.data(), ticket.size()), 0) << dir.LogText();

    const std::string document = received.get();
    ASSERT_EQ(document.rfind("%PDF-", 0), 0u) << "a raw queue passes the PDF on unchanged";
    const std::string text = PdfText(document, dir.path());
    EXPECT_NE(text.find("CORVANTA TEST SHOP"), std::string::npos) << text;
    EXPECT_NE(text.find("TOTAL 10.00 EUR"), std::string::npos) << text;
    EXPECT_NE(text.find("Thank you"), std::string::npos) << text;
    EXPECT_NE(text.find("Goodbye"), std::string::npos) << text;

    EXPECT_TRUE(WaitFor([&] { return cups.PageLog().find("Corvanta(c) printout") != std::string::npos; },
                        std::chrono::seconds(30)))
        << cups.PageLog();
    EXPECT_EQ(dir.LogText().find("Error"), std::string::npos) << dir.LogText();
}

TEST(CupsPrintTest, ServerWithoutDefaultQueueMeansNoDefaultPrinter) {
    const std::string why = PrivateCupsServer::Unavailable();
    if (!why.empty()) GTEST_SKIP() << why;

    TempDataDir dir;
    HostConfig config{};
    config.loggingLevel = 1;
    SetHostConfig(config);
    ASSERT_EQ(OpenLog(), 0);

    PrivateCupsServer cups;
    ASSERT_TRUE(cups.Start());
    EXPECT_EQ(BeginWindowsPrint(), -1);
    EXPECT_NE(dir.LogText().find("Error during printing - no default printer installed \r\n"), std::string::npos);
}
