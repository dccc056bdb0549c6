// ZephMemReportTest.cpp - the memory manager's guard reports (line and dump
// in the report file) and its feed into a metric manager.
#include "ZephLib.h"
#include "ZephMem.h"
#include "ZephMetricManager.h"

#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const ReportName = "guards.log";

std::string hex16(const void* pointer) {
    char text[32];
    std::snprintf(text, sizeof text, "%016" PRIx64, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(pointer)));
    return text;
}

// The dump the report file must hold: prefix "    ", 32 bytes a line, the
// text column in brackets, the last line's hex column padded to line up.
std::string dumpOf(const unsigned char* data, size_t length) {
    std::string out;
    for (size_t start = 0; start < length; start += 32) {
        char head[32];
        std::snprintf(head, sizeof head, "    %8.8d : ", static_cast<int>(start));
        std::string hexColumn, textColumn;
        size_t end = start + 32 < length ? start + 32 : length;
        for (size_t i = start; i < end; ++i) {
            char pair[8];
            std::snprintf(pair, sizeof pair, "%2.2x ", data[i]);
            hexColumn += pair;
            textColumn += std::isprint(data[i]) ? static_cast<char>(data[i]) : '.';
        }
        hexColumn.append((32 - (end - start)) * 3, ' ');
        out += head + hexColumn + "    [" + textColumn + "]\r\n";
    }
    return out;
}

void damage(void* at) { std::memcpy(at, "XXXX", 4); }

// Runs in a directory of its own, so the report file can have a short
// relative name (the manager keeps at most 31 characters of it).
class ZephMemReportFixture : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    fs::path previous = fs::current_path();
    ZephMemManager manager{"reports", LockMutex | CheckGuards, 0, 0, nullptr};

    void SetUp() override {
        fs::current_path(dir.path());
        ASSERT_EQ(0, manager.setReportFile(ReportName));
    }
    void TearDown() override {
        char why[256] = {};
        EXPECT_EQ(0, ZephMemCheck(&manager, why, sizeof why)) << why;
        EXPECT_EQ(0u, manager.state & ZephMemReporting);
        fs::current_path(previous);
    }

    std::string report() const {
        bool ok = false;
        std::string text = qvtest::readFile(dir.file(ReportName), &ok);
        return ok ? text : "(no report file)";
    }

    // The block's bytes from its caller's pointer on, taken before release.
    static std::vector<unsigned char> snapshot(void* user, size_t length) {
        auto* from = static_cast<unsigned char*>(user);
        return std::vector<unsigned char>(from, from + length);
    }

    // Checks one report: its line (the time stamp by pattern, the rest
    // exactly) and its dump.
    static void expectReport(const std::string& text, const std::string& lineAfterStamp,
                             const std::vector<unsigned char>& dumped) {
        const size_t lineEnd = text.find("\r\n");
        ASSERT_NE(std::string::npos, lineEnd) << text;
        const std::string line = text.substr(0, lineEnd);
        static const std::regex stamp("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                      "[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}");
        ASSERT_GE(line.size(), 24u) << line;
        EXPECT_TRUE(std::regex_match(line.substr(0, 24), stamp)) << line;
        EXPECT_EQ(lineAfterStamp, line.substr(24));
        EXPECT_EQ(dumpOf(dumped.data(), dumped.size()), text.substr(lineEnd + 2));
    }
};

} // namespace

TEST_F(ZephMemReportFixture, DamagedFrontGuardReportsUnderrunAndTheBlockIsStillReleased) {
    void* user = ZephMemAlloc(&manager, 40, 0, "ZephBuf memory buffer");
    ASSERT_NE(nullptr, user);
    for (int i = 0; i < 40; ++i)
        static_cast<char*>(user)[i] = static_cast<char>('0' + i);
    damage(static_cast<char*>(user) - 4);
    const uint32_t serial = ZephMemBlockOf(user)->serial;
    const std::vector<unsigned char> dumped = snapshot(user, 48);
    ZephMemFree(user);

    char expected[256];
    std::snprintf(expected, sizeof expected,
                  " #%4u: $%s       40 bytes [   1K], id=0, \"ZephBuf memory buffer\" MEMORY "
                  "BUFFER UNDERRUN!!! (at $%s!!!)",
                  serial, hex16(user).c_str(), hex16(user).c_str());
    expectReport(report(), expected, dumped);
    EXPECT_EQ(0, manager.totalBytes);
    EXPECT_EQ(0, manager.heapBytes);
    EXPECT_EQ(0, manager.heapCount);
}

TEST_F(ZephMemReportFixture, DamagedRearGuardReportsOverrunAtTheGuard) {
    void* keep = ZephMemAlloc(&manager, 3000, 0, "kept");
    void* user = ZephMemAlloc(&manager, 2000, 0, "_ZEPHFILE buffer");
    ASSERT_NE(nullptr, user);
    std::memset(user, 0x90, 2000);
    damage(static_cast<char*>(user) + 2000);
    const uint32_t serial = ZephMemBlockOf(user)->serial;
    const std::vector<unsigned char> dumped = snapshot(user, 2008);
    ZephMemFree(user);

    char expected[256];
    std::snprintf(expected, sizeof expected,
                  " #%4u: $%s     2000 bytes [   2K], id=0, \"_ZEPHFILE buffer\" MEMORY BUFFER "
                  "OVERRUN!!! (at $%s!!!)",
                  serial, hex16(user).c_str(), hex16(static_cast<char*>(user) + 2000).c_str());
    expectReport(report(), expected, dumped);
    EXPECT_EQ(3000, manager.totalBytes);
    EXPECT_EQ(1, manager.heapCount);
    ZephMemFree(keep);
}

TEST_F(ZephMemReportFixture, BothGuardsDamagedGiveOnlyTheUnderrunReport) {
    ZephMemManager pool("pool", CheckGuards, 4096, 0, nullptr);
    ASSERT_EQ(0, pool.setReportFile(ReportName));
    void* user = ZephMemAlloc(&pool, 8, PoolOnly, "pool block");
    ASSERT_NE(nullptr, user);
    std::memcpy(user, "12345678", 8);
    damage(static_cast<char*>(user) - 4);
    damage(static_cast<char*>(user) + 8);
    const uint32_t serial = ZephMemBlockOf(user)->serial;
    const std::vector<unsigned char> dumped = snapshot(user, 16);
    ZephMemFree(user);

    char expected[256];
    std::snprintf(expected, sizeof expected,
                  " #%4u: $%s        8 bytes [   1K], id=0, \"pool block\" MEMORY BUFFER "
                  "UNDERRUN!!! (at $%s!!!)",
                  serial, hex16(user).c_str(), hex16(user).c_str());
    expectReport(report(), expected, dumped);
    EXPECT_EQ(0, pool.totalBytes);
    EXPECT_EQ(0, pool.poolBytes);
    char why[256] = {};
    EXPECT_EQ(0, ZephMemCheck(&pool, why, sizeof why)) << why;
}

TEST_F(ZephMemReportFixture, DumpOfAShortNameEndsWithItsTerminator) {
    // Heap blocks hold exactly the name and its terminator after the rear
    // guard; the sanitizer build would catch a dump reaching past them.
    for (const char* name : {"ab", "a", ""}) {
        fs::remove(ReportName);
        void* user = ZephMemAlloc(&manager, 5, 0, name);
        ASSERT_NE(nullptr, user);
        std::memcpy(user, "hello", 5);
        damage(static_cast<char*>(user) + 5);
        const size_t length = 5 + 4 + std::strlen(name) + 1;
        const std::vector<unsigned char> dumped = snapshot(user, length);
        const uint32_t serial = ZephMemBlockOf(user)->serial;
        ZephMemFree(user);
        char expected[256];
        std::snprintf(expected, sizeof expected,
                      " #%4u: $%s        5 bytes [   1K], id=0, \"%s\" MEMORY BUFFER "
                      "OVERRUN!!! (at $%s!!!)",
                      serial, hex16(user).c_str(), name, hex16(static_cast<char*>(user) + 5).c_str());
        SCOPED_TRACE(std::string("name \"") + name + "\"");
        expectReport(report(), expected, dumped);
    }
}

TEST_F(ZephMemReportFixture, NameTooLongForTheLineIsCutAndTheLineKeepsItsEnd) {
    const std::string name(700, 'n');
    void* user = ZephMemAlloc(&manager, 1, 0, name.c_str());
    ASSERT_NE(nullptr, user);
    damage(static_cast<char*>(user) + 1);
    ZephMemFree(user);
    const std::string text = report();
    const std::string line = text.substr(0, text.find("\r\n"));
    EXPECT_EQ(511u, line.size());
    const std::string end = "\" MEMORY BUFFER OVERRUN!!! (at $" + hex16(static_cast<char*>(user) + 1) + "!!!)";
    ASSERT_GT(line.size(), end.size());
    EXPECT_EQ(end, line.substr(line.size() - end.size()));
    EXPECT_NE(std::string::npos, line.find(", id=0, \"nnnn"));
}

TEST_F(ZephMemReportFixture, EachDamagedReleaseWritesItsOwnReport) {
    void* first = ZephMemAlloc(&manager, 4, 0, "first");
    void* second = ZephMemAlloc(&manager, 4, 0, "second");
    void* intact = ZephMemAlloc(&manager, 4, 0, "intact");
    damage(static_cast<char*>(first) + 4);
    damage(static_cast<char*>(second) - 4);
    ZephMemFree(first);
    ZephMemFree(intact);
    ZephMemFree(second);
    const std::string text = report();
    EXPECT_NE(std::string::npos, text.find("\"first\" MEMORY BUFFER OVERRUN!!!"));
    EXPECT_NE(std::string::npos, text.find("\"second\" MEMORY BUFFER UNDERRUN!!!"));
    EXPECT_EQ(std::string::npos, text.find("intact"));
    EXPECT_LT(text.find("first"), text.find("second"));
    EXPECT_EQ(0, manager.heapCount);
}

TEST_F(ZephMemReportFixture, NoReportWithoutFileOrWithoutCheckGuards) {
    // CheckGuards with no report file examines nothing.
    ASSERT_EQ(0, manager.setReportFile(""));
    void* user = ZephMemAlloc(&manager, 16, 0, "quiet");
    damage(static_cast<char*>(user) - 4);
    damage(static_cast<char*>(user) + 16);
    ZephMemFree(user);
    EXPECT_FALSE(fs::exists(ReportName));
    EXPECT_EQ(0, manager.totalBytes);

    ZephMemManager unchecked("unchecked", 0, 0, 0, nullptr);
    ASSERT_EQ(0, unchecked.setReportFile(ReportName));
    user = ZephMemAlloc(&unchecked, 16, 0, "quiet");
    damage(static_cast<char*>(user) + 16);
    ZephMemFree(user);
    EXPECT_FALSE(fs::exists(ReportName));
    EXPECT_EQ(0, unchecked.heapCount);
}

TEST(ZephMemReportFile, PathsThatDoNotFitAreRefusedNotCut) {
    ZephMemManager manager("m", CheckGuards, 0, 0, nullptr);
    const std::string fits(31, 'f');
    EXPECT_EQ(0, manager.setReportFile(fits.c_str()));
    EXPECT_EQ(fits, manager.reportFile);
    EXPECT_EQ(-1, manager.setReportFile((fits + "g").c_str()));
    EXPECT_EQ(fits, manager.reportFile);
    EXPECT_EQ(0, manager.setReportFile(nullptr));
    EXPECT_STREQ("", manager.reportFile);
}

TEST(ZephMemMetricFeed, AllocationsAndReleasesFeedTheMetricManager) {
    ASSERT_EQ(ZephLib::startup(ZEPH_LIB_BANNER, 0), 0); // installs the feed
    ZephMetricManager metrics;
    ZephMemManager manager("metered", LockMutex | ReportMetrics, 4096, 0, &metrics);
    auto recordOf = [&](const char* tag, int32_t* events, int32_t* count, int32_t* amount) {
        const char* cursor = nullptr;
        ZephMetricField *e = nullptr, *c = nullptr, *a = nullptr;
        const char* name = nullptr;
        while (metrics.walk(cursor, &cursor, &e, &c, &a, &name) == 0) {
            if (std::strcmp(name, tag) == 0) {
                *events = e->get();
                *count = c->get();
                *amount = a->get();
                return true;
            }
        }
        return false;
    };
    int32_t events = -1, count = -1, amount = -1;

    void* once = ZephMemAlloc(&manager, 100, 0, "once");
    ZephMemFree(once);
    ASSERT_TRUE(recordOf("once", &events, &count, &amount));
    EXPECT_EQ(1, events);
    EXPECT_EQ(0, count);
    EXPECT_EQ(0, amount);

    void* a1 = ZephMemAlloc(&manager, 10, 0, "alpha");
    void* b1 = ZephMemAlloc(&manager, 20, UsePool, "beta");
    void* a2 = ZephMemAlloc(&manager, 30, UsePool, "ALPHA");
    ZephMemFree(a1);
    ZephMemFree(b1);
    ASSERT_TRUE(recordOf("alpha", &events, &count, &amount));
    EXPECT_EQ(2, events);
    EXPECT_EQ(1, count);
    EXPECT_EQ(30, amount);
    ASSERT_TRUE(recordOf("beta", &events, &count, &amount));
    EXPECT_EQ(1, events);
    EXPECT_EQ(0, count);
    EXPECT_EQ(0, amount);
    EXPECT_EQ(4, metrics.events);
    EXPECT_EQ(1, metrics.countTotal);
    EXPECT_EQ(30, metrics.amountTotal);
    ZephMemFree(a2);
    EXPECT_EQ(0, metrics.countTotal);
    EXPECT_EQ(0, metrics.amountTotal);
    EXPECT_EQ(3, metrics.records);
    ZephLib::shutdown();
}

TEST(ZephMemMetricFeed, NothingIsFedWithoutTheOptionAndNothingBreaksWithoutAMetricManager) {
    ZephMetricManager metrics;
    ZephMemManager plain("plain", 0, 0, 0, &metrics);
    ZephMemFree(ZephMemAlloc(&plain, 8, 0, "plain"));
    EXPECT_EQ(0, metrics.records);

    ZephMemManager unfed("unfed", ReportMetrics, 0, 0, nullptr);
    void* p = ZephMemAlloc(&unfed, 8, 0, "unfed");
    ASSERT_NE(nullptr, p);
    ZephMemFree(p);
    EXPECT_EQ(0, unfed.totalBytes);
}
