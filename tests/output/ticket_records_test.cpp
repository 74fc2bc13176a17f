#include "output/ticket_records.h"

#include <gtest/gtest.h>

#include "record_builder.h"

namespace {

// Writes down what the walk hands over, one word per record.
class Transcript : public TicketRecordHandler {
public:
    void OnTextLine(const char* text) override { events.push_back("text:" + std::string(text)); }
    void OnSize(TicketSize size) override { events.push_back(size == TicketSize::Big ? "big" : "normal"); }
    void OnUnknownTag(std::uint8_t tag) override { events.push_back("unknown:" + std::to_string(tag)); }
    std::vector<std::string> events;
};

struct Walked {
    std::vector<std::string> events;
    std::size_t consumed;
};

// The stream sits in a buffer of exactly its length, so a read past it is caught.
Walked Walk(const Records& stream) {
    Transcript transcript;
    const std::size_t consumed = WalkTicketRecords(stream.data(), stream.size(), transcript);
    return {transcript.events, consumed};
}

}  // namespace

TEST(TicketRecordsTest, RecordsAreHandedOverInOrder) {
    struct Case {
        const char* name;
        Records stream;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"the HELLO ticket", Join({TextRecord("HELLO"), SizeRecord(2, 1), TextRecord("X")}),
         {"text:HELLO", "big", "text:X"}},
        {"both text tags", Join({Record(1, "one"), Record(2, "two")}), {"text:one", "text:two"}},
        {"factors 1 and 1 are normal", SizeRecord(1, 1), {"normal"}},
        {"height 2 is big", SizeRecord(1, 2), {"big"}},
        {"factors 0 are normal", SizeRecord(0, 0), {"normal"}},
        {"size without content is normal", Record(3, ""), {"normal"}},
        {"size with a width only", Record(3, "\x02"), {"big"}},
        {"tag 4 is ignored", Join({Record(4, "opaque"), TextRecord("after")}), {"text:after"}},
        {"unknown tag, then the rest", Join({Record(9, "??"), TextRecord("still")}), {"unknown:9", "text:still"}},
        {"text ends at its first NUL", Record(1, std::string("AB\0CD", 5)), {"text:AB"}},
        {"longest text", TextRecord(std::string(255, 'w')), {"text:" + std::string(255, 'w')}},
        {"empty text", TextRecord(""), {"text:"}},
        {"empty stream", Records{}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Walked walked = Walk(c.stream);
        EXPECT_EQ(walked.events, c.events);
        EXPECT_EQ(walked.consumed, c.stream.size());
    }
}

TEST(TicketRecordsTest, RecordCutByTheEndIsDropped) {
    struct Case {
        const char* name;
        Records stream;
        std::size_t consumed;
    };
    const Records first = TextRecord("kept");
    const Case cases[] = {
        {"content runs past the end", Join({first, Records{1, 10, 'A', 'B'}}), first.size()},
        {"only a tag left", Join({first, Records{1}}), first.size()},
        {"length byte says 255, nothing follows", Join({first, Records{2, 255}}), first.size()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Walked walked = Walk(c.stream);
        EXPECT_EQ(walked.events, std::vector<std::string>{"text:kept"});
        EXPECT_EQ(walked.consumed, c.consumed);
    }
}
