#include "ticket_records.h"

#include <cstring>

namespace {

constexpr std::size_t kRecordHeader = 2;
// Content is copied into a zeroed buffer of this size, so a text always ends in a NUL.
constexpr std::size_t kContentBuffer = 256;

enum : std::uint8_t { kTagText = 1, kTagText2 = 2, kTagSize = 3, kTagIgnored = 4 };

}  // namespace

std::size_t WalkTicketRecords(const std::uint8_t* stream, std::size_t length, TicketRecordHandler& handler) {
    std::size_t position = 0;
    while (position + kRecordHeader <= length) {
        const std::uint8_t tag = stream[position];
        const std::size_t contentLength = stream[position + 1];
        if (position + kRecordHeader + contentLength > length) break;

        char content[kContentBuffer] = {};
        std::memcpy(content, stream + position + kRecordHeader, contentLength);
        position += kRecordHeader + contentLength;

        switch (tag) {
            case kTagText:
            case kTagText2:
                handler.OnTextLine(content);
                break;
            case kTagSize: {
                const auto width = static_cast<std::uint8_t>(content[0]);
                const auto height = static_cast<std::uint8_t>(content[1]);
                handler.OnSize(width > 1 || height > 1 ? TicketSize::Big : TicketSize::Normal);
                break;
            }
            case kTagIgnored:
                break;
            default:
                handler.OnUnknownTag(tag);
                break;
        }
    }
    return position;
}
