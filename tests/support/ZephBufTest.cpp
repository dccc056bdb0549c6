// Tests of the growable byte buffer: growth, terminating zero, cursor rules.
#include "ZephBuf.h"
#include "ZephMem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A tracked manager per test, so every test can check it leaked nothing.
struct ZephBufTest : ::testing::Test {
    ZephMemManager manager{"ZephBufTest", 0, 0, 0, nullptr};
    ZephBuf buffer;

    void SetUp() override { buffer.init(&manager, 8); }
    void TearDown() override {
        buffer.clear();
        EXPECT_EQ(manager.heapCount, 0) << "blocks left behind";
    }
    std::string content() const { return std::string(buffer.data, static_cast<size_t>(buffer.length)); }
    void fill(const char* text) { ASSERT_EQ(buffer.append(text, static_cast<int32_t>(std::strlen(text))), 0); }
};

using ZephBufGrowth = ZephBufTest;

TEST_F(ZephBufGrowth, EmptyFormatOnFreshBufferAllocatesOneGranularity) {
    ASSERT_EQ(buffer.appendFormat("%s", ""), 0);
    EXPECT_EQ(buffer.capacity, 8);
    EXPECT_EQ(buffer.length, 0);
    ASSERT_NE(buffer.data, nullptr);
    EXPECT_EQ(buffer.data[0], 0);
    EXPECT_STREQ(ZephMemBlockOf(buffer.data)->name, "ZephBuf memory buffer");
}

TEST_F(ZephBufGrowth, ZeroBytesOnBufferWithoutBlockGiveNoneButNoFailure) {
    EXPECT_EQ(buffer.claim(0), nullptr);
    EXPECT_EQ(buffer.append("x", 0), -1);
    EXPECT_FALSE(buffer.failed);
    EXPECT_EQ(buffer.capacity, 0);
    EXPECT_EQ(buffer.claim(-1), nullptr);
    EXPECT_TRUE(buffer.failed) << "a negative claim is a failure";
}

TEST_F(ZephBufGrowth, AppendExactlyToCapacityUsesTheSpareByte) {
    fill("abcdefgh");
    EXPECT_EQ(buffer.capacity, 8);
    EXPECT_EQ(buffer.data[8], 0);
    char* before = buffer.data;
    fill("i");
    EXPECT_EQ(buffer.capacity, 16);
    EXPECT_NE(buffer.data, before) << "growth replaces the block";
    EXPECT_EQ(content(), "abcdefghi");
    EXPECT_EQ(buffer.data[9], 0);
}

TEST_F(ZephBufGrowth, FormatGrowsWhenTextWouldEndAtCapacity) {
    ASSERT_EQ(buffer.appendFormat("%s", "abcdefg"), 0);
    EXPECT_EQ(buffer.capacity, 8);
    ASSERT_EQ(buffer.appendFormat("%c", 'h'), 0);
    EXPECT_EQ(buffer.capacity, 16) << "the formatter's zero needs the byte past the text";
    EXPECT_EQ(content(), "abcdefgh");
    EXPECT_EQ(buffer.data[8], 0);
}

TEST_F(ZephBufGrowth, ReserveSetsCapacityFromNEvenWhenSmaller) {
    ASSERT_EQ(buffer.setCapacity(100), 0);
    fill("0123456789");
    ASSERT_EQ(buffer.reserve(17), 0);
    EXPECT_EQ(buffer.capacity, 24);
    EXPECT_EQ(content(), "0123456789");
    EXPECT_EQ(buffer.data[10], 0);
    ASSERT_EQ(buffer.reserve(5), 0) << "content already longer than n";
    EXPECT_EQ(buffer.capacity, 24);
}

TEST_F(ZephBufGrowth, ImpossibleSizeFailsAndKeepsContent) {
    fill("keep");
    char* before = buffer.data;
    EXPECT_EQ(buffer.reserve(INT32_MAX), -1);
    EXPECT_TRUE(buffer.failed);
    EXPECT_EQ(buffer.data, before);
    EXPECT_EQ(content(), "keep");
    buffer.cursor = buffer.length;
    EXPECT_EQ(buffer.claim(INT32_MAX), nullptr) << "cursor + n must not wrap to a small size";
    EXPECT_EQ(content(), "keep");
    buffer.reset();
    EXPECT_FALSE(buffer.failed);
    EXPECT_EQ(buffer.capacity, 8) << "reset keeps the block";
}

TEST_F(ZephBufGrowth, ShrinkingCapacityCutsLengthAndCursor) {
    fill("0123456789");
    ASSERT_EQ(buffer.setCapacity(4), 0);
    EXPECT_EQ(buffer.length, 4);
    EXPECT_EQ(buffer.cursor, 4);
    EXPECT_EQ(buffer.data[4], 0);
    fill("xy");
    EXPECT_EQ(content(), "0123xy");
}

TEST_F(ZephBufGrowth, ClearReleasesAndLeavesAnEmptyUsableBuffer) {
    fill("0123456789");
    buffer.failed = true;
    buffer.clear();
    EXPECT_EQ(manager.heapCount, 0);
    EXPECT_EQ(buffer.data, nullptr);
    EXPECT_EQ(buffer.capacity, 0);
    EXPECT_EQ(buffer.length, 0);
    EXPECT_FALSE(buffer.failed);
    buffer.clear();
    fill("ab");
    EXPECT_EQ(content(), "ab");
    EXPECT_EQ(buffer.data[2], 0);
}

TEST_F(ZephBufGrowth, InitReleasesTheOldBlockAndRaisesGranularity) {
    fill("abc");
    buffer.init(&manager, 0);
    EXPECT_EQ(manager.heapCount, 0);
    EXPECT_EQ(buffer.granularity, 1);
    fill("abc");
    EXPECT_EQ(buffer.capacity, 3);
}

using ZephBufCursor = ZephBufTest;

TEST_F(ZephBufCursor, TruncateKeepsOldBytesUntilTheNextAppend) {
    fill("hello world");
    buffer.truncate(5);
    EXPECT_EQ(buffer.length, 5);
    EXPECT_EQ(buffer.cursor, 5);
    EXPECT_EQ(buffer.data[5], ' ') << "truncate writes no byte";
    fill("!");
    EXPECT_EQ(std::string(buffer.data), "hello!");
    buffer.truncate(-3);
    EXPECT_EQ(buffer.length, 0);
    fill("ab");
    buffer.truncate(10);
    EXPECT_EQ(buffer.length, 2) << "truncate never lengthens";
}

TEST_F(ZephBufCursor, ClaimInsideContentOverlaysIt) {
    fill("abcdef");
    buffer.cursor = 2;
    char* room = buffer.claim(2);
    ASSERT_EQ(room, buffer.data + 2);
    std::memcpy(room, "XY", 2);
    EXPECT_EQ(content(), "abXYef");
    EXPECT_EQ(buffer.cursor, 4);
    buffer.cursor = 5;
    std::memcpy(buffer.claim(3), "123", 3);
    EXPECT_EQ(content(), "abXYe123");
    EXPECT_EQ(buffer.data[8], 0);
}

TEST_F(ZephBufCursor, FormatInsideContentOverwritesAndKeepsTheRest) {
    fill("0123456789");
    buffer.cursor = 2;
    ASSERT_EQ(buffer.appendFormat("%d", 42), 0);
    EXPECT_EQ(content(), "0142456789") << "the byte after the text must survive the formatter's zero";
    EXPECT_EQ(buffer.length, 10);
    EXPECT_EQ(buffer.cursor, 4);
    buffer.cursor = 8;
    ASSERT_EQ(buffer.appendFormat("<%s>", "ab"), 0);
    EXPECT_EQ(content(), "01424567<ab>");
    EXPECT_EQ(buffer.cursor, 12);
    EXPECT_EQ(buffer.data[12], 0);
}

TEST_F(ZephBufCursor, AppendLineEndsWithCrLf) {
    ASSERT_EQ(buffer.appendLine("one"), 0);
    ASSERT_EQ(buffer.appendLine(""), 0);
    EXPECT_EQ(content(), "one\r\n\r\n");
    EXPECT_EQ(buffer.appendLine(nullptr), -1);
    EXPECT_EQ(buffer.appendFormat(nullptr), -1);
    EXPECT_EQ(buffer.append(nullptr, 1), -1);
}

using ZephBufReplace = ZephBufTest;

TEST_F(ZephBufReplace, EqualCountsOverwriteInPlace) {
    fill("abcdef");
    char* before = buffer.data;
    ASSERT_EQ(buffer.replace(2, 2, "XY", 2), 0);
    EXPECT_EQ(content(), "abXYef");
    EXPECT_EQ(buffer.data, before);
    EXPECT_EQ(buffer.cursor, 6);
}

TEST_F(ZephBufReplace, DeleteRangePastTheEndStopsAtTheEnd) {
    fill("abcdef");
    ASSERT_EQ(buffer.replace(4, 100, "Z", 1), 0);
    EXPECT_EQ(content(), "abcdZ");
    EXPECT_EQ(buffer.data[5], 0);
    EXPECT_EQ(buffer.cursor, 5);
    ASSERT_EQ(buffer.replace(99, 0, "!", 1), 0) << "position clamps to the length";
    EXPECT_EQ(content(), "abcdZ!");
}

TEST_F(ZephBufReplace, GrowingAcrossCapacityKeepsHeadAndTail) {
    fill("abcdefgh");
    ASSERT_EQ(buffer.replace(1, 1, "1234", 4), 0);
    EXPECT_EQ(content(), "a1234cdefgh");
    EXPECT_EQ(buffer.capacity, 16);
    EXPECT_EQ(buffer.data[11], 0);
    ASSERT_EQ(buffer.replace(0, 5, nullptr, 0), 0);
    EXPECT_EQ(content(), "cdefgh");
    EXPECT_EQ(buffer.data[6], 0);
}

TEST_F(ZephBufReplace, BadArguments) {
    fill("abc");
    EXPECT_EQ(buffer.replace(0, 1, nullptr, 1), -1);
    EXPECT_EQ(content(), "abc");
    ASSERT_EQ(buffer.replace(-5, -1, "x", 1), 0) << "negatives clamp to 0";
    EXPECT_EQ(content(), "xabc");
    ASSERT_EQ(buffer.replace(1, 1, "zz", -4), 0);
    EXPECT_EQ(content(), "xbc");
}

TEST_F(ZephBufReplace, CursorFollowsTheEdit) {
    struct Case {
        int32_t cursor, position, deleteCount, insertCount, expected;
    } cases[] = {
        {8, 2, 3, 1, 6},  // after the deleted range: moves by the difference
        {5, 2, 3, 1, 3},  // at the end of the range: same
        {8, 2, 1, 4, 11}, // after, growing
        {2, 2, 3, 1, 2},  // at the position: stays
        {1, 2, 3, 1, 1},  // before: stays
        {4, 2, 3, 1, 3},  // inside, shrinking, past the inserted text: to its end
        {3, 2, 4, 2, 3},  // inside, shrinking, within the inserted text: stays
        {3, 2, 2, 4, 3},  // inside, growing: stays
    };
    for (const Case& c : cases) {
        buffer.reset();
        fill("0123456789");
        buffer.cursor = c.cursor;
        ASSERT_EQ(buffer.replace(c.position, c.deleteCount, "ABCD", c.insertCount), 0);
        EXPECT_EQ(buffer.cursor, c.expected) << "cursor " << c.cursor << " replace(" << c.position << ", "
                                             << c.deleteCount << ", " << c.insertCount << ")";
        EXPECT_LE(buffer.cursor, buffer.length);
    }
}

using ZephBufMoveTail = ZephBufTest;

TEST_F(ZephBufMoveTail, KeepsTheTailWhereAskedOrChangesNothing) {
    struct Case {
        int32_t from, to;
        int result;
        const char* content;
    } cases[] = {
        {6, 0, 0, "6789"},            // to the front
        {6, 10, 0, "01234567896789"}, // past the old end
        {2, 3, 0, "01223456789"},     // overlapping, to the right
        {10, 4, 0, "0123"},           // nothing kept
        {8, 14, 0,
         "01234567890123"
         "89"},               // ends exactly at the capacity
        {8, 15, -1, nullptr}, // one byte past it
        {11, 0, -1, nullptr},
        {-1, 0, -1, nullptr},
        {0, -1, -1, nullptr},
    };
    for (const Case& c : cases) {
        buffer.reset();
        fill("0123456789");
        ASSERT_EQ(buffer.setCapacity(16), 0);
        std::memcpy(buffer.data + 10, "0123", 4); // bytes past the content
        buffer.cursor = 3;
        EXPECT_EQ(c.result, buffer.moveTail(c.from, c.to)) << c.from << " to " << c.to;
        const std::string expected = c.content != nullptr ? c.content : "0123456789";
        EXPECT_EQ(expected, content()) << c.from << " to " << c.to;
        EXPECT_EQ(c.result == 0 ? buffer.length : 3, buffer.cursor) << c.from << " to " << c.to;
        if (c.result == 0) {
            EXPECT_EQ(0, buffer.data[buffer.length]) << c.from << " to " << c.to;
        }
    }
    ZephBuf fresh;
    EXPECT_EQ(-1, fresh.moveTail(0, 0)) << "no block";
}

} // namespace
