#include "ticket_layout.h"

#include <string>

TicketLayout::TicketLayout(PrintDevice& device)
    : device_(device), font_{kTicketTypeface, kNormalFontTenths} {}

void TicketLayout::SetSize(TicketSize size) {
    const bool big = size == TicketSize::Big;
    font_.tenthsOfPoint = big ? kBigFontTenths : kNormalFontTenths;
    lineHeight_ = big ? kBigLineHeight : kNormalLineHeight;
}

void TicketLayout::Draw(const std::string& segment) {
    // An empty piece would draw nothing anyway.
    if (!segment.empty()) device_.DrawText(kLeftMargin, linePosition_, segment, font_);
}

void TicketLayout::PrintLine(std::string_view text) {
    text = text.substr(0, kMaxPrintLine);
    std::string segment;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            segment += text[i];
            continue;
        }
        // A backslash is never printed; with n behind it, it breaks the line.
        if (i + 1 < text.size() && text[i + 1] == 'n') {
            Draw(segment);
            linePosition_ += lineHeight_ / 2;
            segment.clear();
            ++i;
        }
    }
    if (segment.size() >= 2) {
        Draw(segment);
        linePosition_ += lineHeight_;
    } else if (segment.size() == 1) {
        linePosition_ += lineHeight_ / 2;
    }
}
