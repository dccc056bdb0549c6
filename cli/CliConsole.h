// CliConsole.h - the quorvel tool's live output: the progress line on the
// error stream and the expert run's log as it grows.
#ifndef QUORVEL_CLI_CLICONSOLE_H
#define QUORVEL_CLI_CLICONSOLE_H

#include "CliRun.h"
#include "ExpertRun.h"
#include "ZephBuf.h"

#include <cstdint>
#include <cstdio>

class CliStream;

// One line on a terminal, redrawn in place ("\r", the text, blanks over the
// rest of the previous text) at most every 100 ms, and wiped before anything
// else is written. A line that is not enabled writes nothing at all, so
// output to files and pipes carries nothing extra.
class CliProgressLine {
public:
    // Longest text drawn: wider lines would wrap, and "\r" would then return
    // to the last row only.
    static constexpr int Width = 79;
    static constexpr uint32_t IntervalMs = 100;

    // tickCount none: ZephTickCount. Tests give a clock of their own.
    CliProgressLine(FILE* stream, bool enabled, uint32_t (*tickCount)() = nullptr);
    ~CliProgressLine() { clear(); }
    CliProgressLine(const CliProgressLine&) = delete;
    CliProgressLine& operator=(const CliProgressLine&) = delete;

    bool isEnabled() const { return enabled_; }
    uint32_t now() const { return tickCount_(); }
    // Draws text (cut to Width, line breaks and tabs as blanks, other
    // control bytes as '?') unless the last
    // drawing is less than the interval old; force draws anyway.
    void show(const char* text, bool force = false);
    // Wipes the line when one is drawn, leaving the cursor at its start.
    void clear();

private:
    FILE* stream_;
    bool enabled_;
    uint32_t (*tickCount_)();
    bool drawnOnce_ = false;
    uint32_t lastDrawn_ = 0;
    int drawnWidth_ = 0;
};

// A run's progress as "<label> <done> of <total> files, <bytes> of <total>",
// with an estimate of the time left once the run has gone on for
// EstimateAfterMs; the first report is drawn at once, so a new run's label
// never waits.
class CliJobProgress {
public:
    static constexpr uint32_t EstimateAfterMs = 3000;

    CliJobProgress(CliProgressLine& line, const char* label);
    void show(const CliRunProgress& now);

private:
    CliProgressLine& line_;
    const char* label_;
    uint32_t started_;
    bool drawn_ = false;
};

// The expert run's log on a stream, as the log box shows it, with terminal
// line ends (and, with escape, nothing that could steer the terminal).
// Whole lines are written as soon as the run completes them; a line still
// open (a "Scanning" text waiting for its result) is held back and shown,
// with the run's "NN% Complete..." after it, on the progress line only.
// finish() writes what is left. A console that does not show its log writes
// nothing to out. At each of the run's pumps the run's stop flag (stop, may
// be none) is set when stopRequested says so, as closing the page does.
class CliExpertConsole : public ExpertRunSink {
public:
    CliExpertConsole(CliStream& out, CliProgressLine& line, bool showLog, bool escape, int32_t* stop,
                     bool (*stopRequested)(void* context), void* context);

    void showLog(const ZephBuf& log) override;
    void showProgress(const ZephBuf& log, int32_t textStart) override;
    void pumpMessages() override;
    // Writes the held-back end of log, and a line end when it had none.
    void finish(const ZephBuf& log);

private:
    void write(const char* bytes, int32_t length);

    CliStream& out_;
    CliProgressLine& line_;
    bool showLog_;
    bool escape_;
    int32_t* stop_;
    bool (*stopRequested_)(void* context);
    void* context_;
    int32_t written_ = 0; // bytes of the log already on out
};

#endif
