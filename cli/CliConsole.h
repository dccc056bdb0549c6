// CliConsole.h - the quorvel tool's live output: the progress line on the
// error stream and the expert run's log as it grows.
#ifndef QUORVEL_CLI_CLICONSOLE_H
#define QUORVEL_CLI_CLICONSOLE_H

#include "CliRun.h"
#include "ExpertRun.h"
#include "ZephBuf.h"

#include <cstdint>
#include <cstdio>

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
    // Draws text (cut to Width) unless the last drawing is less than the
    // interval old; force draws anyway.
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

// Shows a job's progress as "<label> <done> of <total> entries, <n> read";
// the first report is drawn at once, so a new run's label never waits.
class CliJobProgress : public CliRunObserver {
public:
    CliJobProgress(CliProgressLine& line, const char* label) : line_(line), label_(label) {}
    void progress(const PatchProgress& now) override;
    // A caught Ctrl-C (CliInterrupt.h) stops the run.
    bool stopRequested() override;

private:
    CliProgressLine& line_;
    const char* label_;
    bool drawn_ = false;
};

// The expert run's log on a stream, as the log box shows it, with terminal
// line ends. Whole lines are written as soon as the run completes them; a
// line still open (a "Scanning" text waiting for its result) is held back
// and shown, with the run's "NN% Complete..." after it, on the progress line
// only. finish() writes what is left. A caught Ctrl-C sets the run's stop
// flag (stop, may be none) at its next look, as closing the page does.
class CliExpertConsole : public ExpertRunSink {
public:
    CliExpertConsole(FILE* out, CliProgressLine& line, int32_t* stop = nullptr);
    ~CliExpertConsole() override;

    void showLog(const ZephBuf& log) override;
    void showProgress(const ZephBuf& log, int32_t textStart) override;
    void pumpMessages() override;
    // Writes the held-back end of log, and a line end when it had none.
    void finish(const ZephBuf& log);

private:
    void write(const char* bytes, int32_t length);

    FILE* out_;
    CliProgressLine& line_;
    int32_t* stop_;
    int32_t written_ = 0; // bytes of the log already on out
    ZephBuf scratch_;     // the text being converted for out
};

#endif
