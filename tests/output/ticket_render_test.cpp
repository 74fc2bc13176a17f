#include "output/ticket_render.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/test_env.h"
#include "record_builder.h"

namespace {

const Records kSample = Join({TextRecord("CORVANTA SHOP"), TextRecord("-"), SizeRecord(2, 2),
                              TextRecord("TOTAL 10.00 EUR"), SizeRecord(1, 1), TextRecord("Thank you\\nBye"),
                              Record(4, "x"), Record(9, "skipped")});

}  // namespace

TEST(TicketRenderTest, TextFollowsThePrintedLayout) {
    // The separator leaves a gap, the break inside the last line does not.
    EXPECT_EQ(RenderTicketText(kSample), "CORVANTA SHOP\n\nTOTAL 10.00 EUR\nThank you\nBye\n");
}

TEST(TicketRenderTest, TextIsUtf8WithoutControlCharacters) {
    EXPECT_EQ(RenderTicketText(TextRecord("\x80 5,00 \xE9t\xE9\r\n")), "\xE2\x82\xAC 5,00 \xC3\xA9t\xC3\xA9\n");
    EXPECT_EQ(RenderTicketText(Records{}), "");
}

TEST(TicketRenderTest, PdfHoldsTheTicketText) {
    TempDataDir dir;
    const std::string path = dir.File("ticket.pdf");
    ASSERT_EQ(RenderTicketPdf(kSample, path), 0);
    EXPECT_EQ(ReadWholeFile(path).rfind("%PDF-", 0), 0u);

    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext is not installed";
    ASSERT_EQ(std::system(("pdftotext " + path + " " + path + ".txt").c_str()), 0);
    const std::string text = ReadWholeFile(path + ".txt");
    for (const char* line : {"CORVANTA SHOP", "TOTAL 10.00 EUR", "Thank you", "Bye"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    }
    EXPECT_EQ(text.find("skipped"), std::string::npos);
}

TEST(TicketRenderTest, PdfToAPlaceThatCannotBeWrittenFails) {
    EXPECT_EQ(RenderTicketPdf(kSample, "/nonexistent-dir/ticket.pdf"), -1);
}
