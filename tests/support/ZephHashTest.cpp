// ZephHashTest.cpp - the published XXH64 values, whatever the pieces.
#include "ZephHash.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ZephHash, GivesThePublishedValuesWhateverThePieces) {
    const std::string long100(100, 'x');
    const struct Case {
        std::string bytes;
        uint64_t expected;
    } cases[] = {
        {"", 0xEF46DB3751D8E999ull},
        {"a", 0xD24EC4F1A98C6E5Bull},
        {"abc", 0x44BC2CF5AD770999ull},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ZephHash::of(c.bytes.data(), static_cast<int64_t>(c.bytes.size()))) << c.bytes;
    // Past a 32-byte stripe: fed in pieces of every size, the same digest.
    const uint64_t whole = ZephHash::of(long100.data(), 100);
    for (int64_t piece = 1; piece <= 40; ++piece) {
        ZephHash hash;
        for (int64_t at = 0; at < 100; at += piece)
            hash.update(long100.data() + at, at + piece <= 100 ? piece : 100 - at);
        EXPECT_EQ(whole, hash.digest()) << piece;
    }
}

} // namespace
