#pragma once
// The record stream of a ticket: tag (1 byte), content length n (1 byte), n content bytes.
// Tags 1 and 2 are text lines, 3 the character size (width and height factor), 4 is
// accepted and ignored; anything else is not a ticket tag.

#include <cstddef>
#include <cstdint>

#include "output/ticket_layout.h"

class TicketRecordHandler {
public:
    virtual ~TicketRecordHandler() = default;
    // The content up to its first NUL, at most 255 characters.
    virtual void OnTextLine(const char* text) = 0;
    virtual void OnSize(TicketSize size) = 0;
    virtual void OnUnknownTag(std::uint8_t /*tag*/) {}
};

// Hands every record that lies wholly inside the length to the handler, in order. A
// record cut short by the end is dropped. Returns the bytes walked over.
std::size_t WalkTicketRecords(const std::uint8_t* stream, std::size_t length, TicketRecordHandler& handler);

// Lays the records out on a page, the way a printed ticket looks.
class LayoutRecordHandler : public TicketRecordHandler {
public:
    explicit LayoutRecordHandler(TicketLayout& layout) : layout_(layout) {}
    void OnTextLine(const char* text) override { layout_.PrintLine(text); }
    void OnSize(TicketSize size) override { layout_.SetSize(size); }

private:
    TicketLayout& layout_;
};
