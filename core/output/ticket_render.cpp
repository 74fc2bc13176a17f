#include "ticket_render.h"

#include <fstream>
#include <optional>

#include "output/ansi_text.h"
#include "output/pdf_page.h"
#include "output/recording_print_device.h"
#include "output/ticket_records.h"
#include "output/windows_print.h"

namespace {

void Render(std::span<const std::uint8_t> records, PrintDevice& device) {
    device.BeginDocument(kPrintJobName);
    TicketLayout layout(device);
    LayoutRecordHandler handler(layout);
    WalkTicketRecords(records.data(), records.size(), handler);
    device.EndDocument();
}

int LineHeightOf(const PrintFont& font) {
    return font.tenthsOfPoint == kBigFontTenths ? kBigLineHeight : kNormalLineHeight;
}

// Draws onto one PDF page that ends up in a file.
class PdfFileDevice : public PrintDevice {
public:
    DocumentStart BeginDocument(const std::string& /*name*/) override {
        page_.emplace(kDefaultPage);
        return DocumentStart::Started;
    }
    void DrawText(int x, int y, const std::string& text, const PrintFont& font) override {
        page_->DrawText(x, y, text, font);
    }
    void EndDocument() override { document_ = page_->Finish(); }

    const std::string& document() const { return document_; }

private:
    std::optional<PdfPage> page_;
    std::string document_;
};

}  // namespace

std::string RenderTicketText(std::span<const std::uint8_t> records) {
    RecordingPrintDevice device;
    Render(records, device);
    std::string text;
    int nextLine = kTopMargin;
    for (const TextDraw& draw : device.draws) {
        if (draw.y > nextLine) text += '\n';
        text += AnsiToUtf8(draw.text);
        text += '\n';
        nextLine = draw.y + LineHeightOf(draw.font);
    }
    return text;
}

int RenderTicketPdf(std::span<const std::uint8_t> records, const std::string& path) {
    PdfFileDevice device;
    Render(records, device);
    if (device.document().empty()) return -1;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(device.document().data(), static_cast<std::streamsize>(device.document().size()));
    out.close();
    return out ? 0 : -1;
}
