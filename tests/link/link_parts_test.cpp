// The link's parts alone: the dump and live-frame decoders on tables of byte sequences, and the
// queue that holds the link's problems until they may be shown.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "link/dump_decoder.h"
#include "link/fake_link_clock.h"
#include "link/live_frame_decoder.h"
#include "link/message_queue.h"

namespace zepra {
namespace {

using Bytes = std::vector<std::uint8_t>;

void AppendFloat(Bytes& bytes, float value) {
    const auto word = std::bit_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(word >> shift));
}

Bytes Values(std::initializer_list<float> values) {
    Bytes bytes;
    for (float value : values) AppendFloat(bytes, value);
    return bytes;
}

// ---------------------------------------------------------------- DumpDecoder

// Feeds the decoder what it asks for, piece by piece, and returns the dumps it gave.
std::vector<GroupDump> Decode(DumpDecoder& decoder, const Bytes& stream) {
    std::vector<GroupDump> dumps;
    std::size_t at = 0;
    while (stream.size() - at >= static_cast<std::size_t>(decoder.bytesNeeded())) {
        const auto needed = static_cast<std::size_t>(decoder.bytesNeeded());
        if (auto dump = decoder.take(std::span(stream).subspan(at, needed))) {
            dumps.push_back(std::move(*dump));
        }
        at += needed;
    }
    return dumps;
}

std::uint32_t Bits(double value) {
    return std::bit_cast<std::uint32_t>(static_cast<float>(value));
}

TEST(DumpDecoder, FramesDumpsByTheirLengthByte) {
    struct Case {
        const char* name;
        float high;
        float low;
        std::vector<float> readings;
    };
    std::vector<float> many(255);  // the most a length byte can announce
    for (std::size_t k = 0; k < many.size(); ++k) many[k] = static_cast<float>(k) + 0.5f;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {"three readings", 500.0f, 100.0f, {120.0f, 130.5f, 140.25f}},
        {"no readings", 100.0f, 50.0f, {}},
        {"255 readings", 600.0f, 40.5f, many},
        {"values kept as sent", -0.0f, nan, {nan, 1e-45f, -3.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto count = static_cast<std::uint8_t>(c.readings.size());
        Bytes data = Values({c.high, c.low});
        for (float reading : c.readings) AppendFloat(data, reading);

        DumpDecoder decoder;
        EXPECT_EQ(decoder.bytesNeeded(), 1);
        EXPECT_EQ(decoder.dataBytes(), 0);
        EXPECT_FALSE(decoder.take(Bytes{count}));
        EXPECT_EQ(decoder.phase(), DumpDecoder::Phase::Receiving);
        EXPECT_EQ(decoder.bytesNeeded(), (count + 2) * 4);
        EXPECT_EQ(decoder.dataBytes(), (count + 2) * 4);
        const std::optional<GroupDump> dump = decoder.take(data);
        ASSERT_TRUE(dump);
        EXPECT_EQ(dump->readingCount, count);
        EXPECT_EQ(Bits(dump->highLimit), Bits(c.high));
        EXPECT_EQ(Bits(dump->lowLimit), Bits(c.low));
        ASSERT_EQ(dump->readings.size(), c.readings.size());
        for (std::size_t k = 0; k < c.readings.size(); ++k) {
            EXPECT_EQ(Bits(dump->readings[k]), Bits(c.readings[k])) << k;
        }
        EXPECT_EQ(decoder.phase(), DumpDecoder::Phase::WaitingForLength);
        EXPECT_EQ(decoder.bytesNeeded(), 1);
    }
}

TEST(DumpDecoder, DumpsBackToBackAndRefusedCountsAndReset) {
    DumpDecoder decoder;
    Bytes stream = {1};
    const Bytes first = Values({10.0f, 5.0f, 7.5f});
    stream.insert(stream.end(), first.begin(), first.end());
    stream.push_back(0);
    const Bytes second = Values({20.0f, 1.0f});
    stream.insert(stream.end(), second.begin(), second.end());
    const std::vector<GroupDump> dumps = Decode(decoder, stream);
    ASSERT_EQ(dumps.size(), 2u);
    EXPECT_EQ(dumps[0].readings, std::vector<double>{7.5});
    EXPECT_EQ(dumps[1].highLimit, 20.0);
    EXPECT_TRUE(dumps[1].readings.empty());

    // A piece of another size than asked for is refused and changes nothing.
    const Bytes two = {2, 0};
    EXPECT_FALSE(decoder.take(two));
    EXPECT_EQ(decoder.phase(), DumpDecoder::Phase::WaitingForLength);
    EXPECT_FALSE(decoder.take(std::span(two).first(1)));
    EXPECT_FALSE(decoder.take(std::span(two).first(1)));  // 1 byte, but 16 are wanted
    EXPECT_EQ(decoder.bytesNeeded(), 16);
    decoder.reset();  // a new request: the dump under way is forgotten
    EXPECT_EQ(decoder.bytesNeeded(), 1);
}

// ---------------------------------------------------------------- ReadLiveFrame

TEST(ReadLiveFrame, TellsWhatEachFrameMeans) {
    const auto frame = [](std::uint8_t flag, std::uint32_t word) {
        return LiveFrame{
            flag, static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
            static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
    };
    const auto bits = [](float value) { return std::bit_cast<std::uint32_t>(value); };
    struct Case {
        const char* name;
        LiveFrame frame;
        LiveFrameKind kind;
        double value;
    };
    const Case cases[] = {
        {"a reading", frame(0x01, bits(123.25f)), LiveFrameKind::Reading, 123.25},
        {"other flag bits do not matter", frame(0xFF, bits(8.5f)), LiveFrameKind::Reading, 8.5},
        {"flag bit 0 clear", frame(0x00, bits(123.25f)), LiveFrameKind::Ignored, 0},
        {"flag 2", frame(0x02, bits(123.25f)), LiveFrameKind::Ignored, 0},
        {"no reading", frame(0x01, 0x44A8C000), LiveFrameKind::NoReading, 0},
        {"overload", frame(0x01, 0x44A8E000), LiveFrameKind::Overload, 0},
        {"no reading, flag clear", frame(0x00, 0x44A8C000), LiveFrameKind::Ignored, 0},
        {"1350.0 is the no-reading word", frame(0x01, bits(1350.0f)), LiveFrameKind::NoReading, 0},
        {"NaN", frame(0x01, 0x7FC00000), LiveFrameKind::NoReading, 0},
        {"infinity", frame(0x01, 0x7F800000), LiveFrameKind::NoReading, 0},
        {"minus infinity", frame(0x01, 0xFF800000), LiveFrameKind::NoReading, 0},
        {"zero", frame(0x01, 0), LiveFrameKind::Reading, 0.0},
        {"a negative value is passed on", frame(0x01, bits(-2.5f)), LiveFrameKind::Reading, -2.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LiveFrameMeaning meaning = ReadLiveFrame(c.frame);
        EXPECT_EQ(meaning.kind, c.kind);
        EXPECT_EQ(meaning.value, c.value);
    }
}

// ---------------------------------------------------------------- LiveFrameDecoder

TEST(LiveFrameDecoder, CutsFramesAcrossPiecesAndDropsAFrameCutByAQuietLine) {
    struct Piece {
        std::int64_t atMs;
        Bytes bytes;
        std::size_t frames;  // completed by this piece
        int partial;         // bytes of the unfinished frame after it
    };
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
    };
    const Case cases[] = {
        {"whole frames", {{0, Bytes(10, 1), 2, 0}}},
        {"one byte at a time", {{0, {1}, 0, 1}, {1, {2}, 0, 2}, {2, {3, 4}, 0, 4}, {3, {5}, 1, 0}}},
        {"a frame and a piece", {{0, Bytes(7, 1), 1, 2}, {49, Bytes(3, 1), 1, 0}}},
        {"a quiet line drops the piece", {{0, Bytes(3, 1), 0, 3}, {50, Bytes(5, 1), 1, 0}}},
        {"quiet measured from the last arrival",
         {{0, {1}, 0, 1}, {40, {1}, 0, 2}, {89, Bytes(3, 1), 1, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveFrameDecoder decoder;
        for (const Piece& piece : c.pieces) {
            decoder.dropIfQuiet(piece.atMs);  // the caller looks before it takes in new bytes
            EXPECT_EQ(decoder.feed(piece.bytes, piece.atMs).size(), piece.frames);
            EXPECT_EQ(decoder.partialBytes(), piece.partial);
        }
    }
}

TEST(LiveFrameDecoder, QuietDeadlineAndReset) {
    LiveFrameDecoder decoder;
    EXPECT_FALSE(decoder.quietDeadline());
    decoder.feed(Bytes{1, 2}, 100);
    EXPECT_EQ(decoder.quietDeadline(), 100 + kPartialFrameQuietMs);
    EXPECT_FALSE(decoder.dropIfQuiet(100 + kPartialFrameQuietMs - 1));
    EXPECT_TRUE(decoder.dropIfQuiet(100 + kPartialFrameQuietMs));
    EXPECT_FALSE(decoder.quietDeadline());
    decoder.feed(Bytes{1, 2, 3}, 200);
    decoder.reset();
    EXPECT_EQ(decoder.partialBytes(), 0);
    EXPECT_EQ(decoder.feed(Bytes(5, 9), 201).size(), 1u);
}

// ---------------------------------------------------------------- MessageQueue

LinkProblem Gone(const char* reason) {
    return {LinkProblem::Kind::DeviceGone, {}, reason};
}

TEST(MessageQueue, DeliversAfterTheHandlerInOrderOneAtATime) {
    testing::FakeLinkClock clock;
    std::vector<std::string> shown;
    bool open = false;
    std::function<void()> whileOpen;
    MessageQueue queue(clock, [&](const LinkProblem& problem) {
        EXPECT_FALSE(open) << "a box on top of a box";
        open = true;
        shown.push_back(problem.reason);
        if (whileOpen) std::exchange(whileOpen, nullptr)();
        open = false;
    });
    queue.post(Gone("a"));
    queue.post(Gone("b"));
    EXPECT_TRUE(shown.empty()) << "shown from inside the handler";
    // While the first box is open the program runs on: a new problem and its posted work wait.
    whileOpen = [&] {
        queue.post(Gone("c"));
        clock.runPosted();
        EXPECT_EQ(shown.size(), 1u);
    };
    clock.runPosted();
    EXPECT_EQ(shown, (std::vector<std::string>{"a", "b", "c"}));
    queue.post(Gone("d"));
    clock.runPosted();
    EXPECT_EQ(shown.back(), "d");
}

TEST(MessageQueue, GoneWhileABoxIsOpenDeliversNothingMore) {
    testing::FakeLinkClock clock;
    std::vector<std::string> shown;
    std::unique_ptr<MessageQueue> queue;
    queue = std::make_unique<MessageQueue>(clock, [&](const LinkProblem& problem) {
        shown.push_back(problem.reason);
        queue.reset();  // the program closes the link while the box is open
    });
    queue->post(Gone("a"));
    queue->post(Gone("b"));
    clock.runPosted();
    EXPECT_EQ(shown, std::vector<std::string>{"a"});
}

}  // namespace
}  // namespace zepra
