// CliConsoleTest.cpp - the progress line and the expert log as the quorvel
// tool writes them.
#include "CliConsole.h"
#include "CliStream.h"
#include "QvTestKit.h"
#include "ZephBuf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

uint32_t now = 0;
uint32_t clock() { return now; }

// A stream into a file of the test's own, read back whole.
class Stream {
public:
    Stream() : path_(dir_.file("stream")), file(std::fopen(path_.c_str(), "w+b")) {}
    ~Stream() {
        if (file != nullptr)
            std::fclose(file);
    }
    std::string text() {
        std::fflush(file);
        return qvtest::readFile(path_);
    }

private:
    qvtest::TempDir dir_;
    std::string path_;

public:
    FILE* file;
};

TEST(CliProgressLineDrawing, RedrawsInPlaceAtMostEveryIntervalAndWipes) {
    Stream err;
    now = 1000;
    {
        CliProgressLine line(err.file, true, clock);
        line.show("first long text");
        now += 50;
        line.show("too soon"); // within the interval: not drawn
        now += 60;
        line.show("short");
        line.show("forced\nline", true);
    }
    // "short" blanks the rest of the longer text and is drawn again over it;
    // the line break never reaches the terminal; the end wipes the line.
    EXPECT_EQ(err.text(), "\rfirst long text"
                          "\rshort          \rshort"
                          "\rforced line"
                          "\r           \r");
}

TEST(CliProgressLineDrawing, CutsToTheWidthAndWritesNothingWhenOff) {
    Stream err;
    {
        CliProgressLine line(err.file, true, clock);
        line.show((std::string(200, 'x')).c_str(), true);
        line.show("esc \x1b[2J", true); // a name's escape sequence never reaches the terminal
    }
    EXPECT_EQ(err.text().substr(0, 1 + CliProgressLine::Width + 1),
              "\r" + std::string(CliProgressLine::Width, 'x') + "\r");
    EXPECT_NE(err.text().find("esc ?[2J"), std::string::npos);
    Stream quiet;
    {
        CliProgressLine line(quiet.file, false, clock);
        line.show("anything", true);
        line.clear();
        CliJobProgress progress(line, "Scanning");
        progress.show({1, 2, 3, 4});
    }
    EXPECT_EQ(quiet.text(), "");
}

TEST(CliProgressLineDrawing, TimeLeftOnlyOnceTheRunHasGoneOnAWhile) {
    Stream err;
    now = 5000;
    {
        CliProgressLine line(err.file, true, clock);
        CliJobProgress progress(line, "Patching");
        progress.show({1, 4, 100, 400});
        now += CliJobProgress::EstimateAfterMs; // 3 s for a quarter: 9 s to go
        progress.show({1, 4, 100, 400});
    }
    EXPECT_NE(err.text().find("\rPatching 1 of 4 files, 100 B of 400 B\r"), std::string::npos) << err.text();
    EXPECT_NE(err.text().find("Patching 1 of 4 files, 100 B of 400 B, about 9 s left"), std::string::npos);
}

class Log {
public:
    Log() { buffer.init(nullptr, 64); }
    ~Log() { buffer.clear(); }
    void add(const char* text) { buffer.appendFormat("%s", text); }
    ZephBuf buffer;
};

TEST(CliExpertConsoleLog, WholeLinesGoOutAndAnOpenLineWaits) {
    Stream out;
    Stream err;
    Log log;
    CliProgressLine line(err.file, true, clock);
    CliStream stream(out.file);
    CliExpertConsole console(stream, line, true, false, nullptr, nullptr, nullptr);
    log.add("REPORT for directory \"d\":\r\n\r\nScanning BINARY file \"a.exe\"...");
    console.showLog(log.buffer);
    EXPECT_EQ(out.text(), "REPORT for directory \"d\":\n\n");
    // The run's progress text stands after the open line for one show.
    int32_t mark = log.buffer.length;
    log.add("41% Complete...");
    now += 1000;
    console.showProgress(log.buffer, mark);
    EXPECT_EQ(err.text(), "\rScanning BINARY file \"a.exe\"... 41% Complete...");
    log.buffer.truncate(mark);
    log.add("no entries found.\r\nDone!\r\n");
    console.showLog(log.buffer);
    EXPECT_EQ(out.text(), "REPORT for directory \"d\":\n\nScanning BINARY file \"a.exe\"...no entries found.\nDone!\n");
    // The progress line was wiped before the log went on.
    EXPECT_EQ(err.text().back(), '\r');
    console.finish(log.buffer);
    EXPECT_EQ(out.text(), "REPORT for directory \"d\":\n\nScanning BINARY file \"a.exe\"...no entries found.\nDone!\n");
}

TEST(CliExpertConsoleLog, FinishWritesAnUnendedLastLineWithALineEnd) {
    Stream out;
    Log log;
    CliProgressLine line(nullptr, false, clock);
    CliStream stream(out.file);
    CliExpertConsole console(stream, line, true, false, nullptr, nullptr, nullptr);
    log.add("REPORT for directory \"x\":\r\n\r\nError!  Cannot create directory list for \"x/*.*\"!");
    console.showLog(log.buffer);
    console.finish(log.buffer);
    EXPECT_EQ(out.text(), "REPORT for directory \"x\":\n\nError!  Cannot create directory list for \"x/*.*\"!\n");
}

TEST(CliExpertConsoleLog, LongOpenLineKeepsItsEndBesideTheProgress) {
    Stream out;
    Stream err;
    Log log;
    CliProgressLine line(err.file, true, clock);
    CliStream stream(out.file);
    CliExpertConsole console(stream, line, false, false, nullptr, nullptr, nullptr);
    std::string open = "Scanning TEXT file \"" + std::string(100, 'n') + ".ini\"...";
    log.add(open.c_str());
    int32_t mark = log.buffer.length;
    log.add("7% Complete...");
    now += 1000;
    console.showProgress(log.buffer, mark);
    std::string drawn = err.text().substr(1);
    EXPECT_EQ(drawn.size(), static_cast<size_t>(CliProgressLine::Width));
    EXPECT_EQ(drawn.substr(0, 3), "...");
    EXPECT_EQ(drawn.substr(drawn.size() - 23), ".ini\"... 7% Complete...");
}

} // namespace

TEST(CliExpertConsoleLog, LongLogKeepsEveryLineEndAcrossItsWritingPieces) {
    // The console converts and writes 64 KiB at a time; a CR at the end of
    // such a piece may begin a line end or stand alone.
    const std::string first(65535, 'x');
    std::string crlf, lf;
    for (int i = 0; i < 40000; ++i) {
        crlf += "ab\r\n";
        lf += "ab\n";
    }
    struct Case {
        std::string log, expected;
    } cases[] = {
        {first + "\r\n" + crlf, first + "\n" + lf},
        {first + "\ry\r\n", first + "\ry\n"},
    };
    for (const Case& c : cases) {
        Stream out;
        Log log;
        CliProgressLine line(nullptr, false, clock);
        CliStream stream(out.file);
        CliExpertConsole console(stream, line, true, false, nullptr, nullptr, nullptr);
        log.buffer.append(c.log.data(), static_cast<int32_t>(c.log.size()));
        console.showLog(log.buffer);
        console.finish(log.buffer);
        EXPECT_EQ(out.text(), c.expected);
    }
}
