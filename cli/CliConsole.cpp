// CliConsole.cpp - progress line and expert log for the quorvel tool.
#include "CliConsole.h"

#include "CliStream.h"
#include "CliText.h"
#include "ZephStr.h"
#include "ZephTick.h"

#include <cstring>

CliProgressLine::CliProgressLine(FILE* stream, bool enabled, uint32_t (*tickCount)())
    : stream_(stream), enabled_(enabled && stream != nullptr),
      tickCount_(tickCount != nullptr ? tickCount : ZephTickCount) {}

void CliProgressLine::show(const char* text, bool force) {
    if (!enabled_)
        return;
    uint32_t now = tickCount_();
    if (!force && drawnOnce_ && now - lastDrawn_ < IntervalMs)
        return;
    drawnOnce_ = true;
    lastDrawn_ = now;
    char line[Width + 1];
    ZephStrCopy(line, text, sizeof line);
    // A line break would leave the line behind for good, and an escape
    // sequence in a file's name must not reach the terminal.
    for (char* c = line; *c != '\0'; ++c) {
        if (*c == '\t' || *c == '\r' || *c == '\n')
            *c = ' ';
        else if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F)
            *c = '?';
    }
    int width = ZephStrLength(line);
    int blanks = drawnWidth_ > width ? drawnWidth_ - width : 0;
    std::fprintf(stream_, "\r%s%*s", line, blanks, "");
    if (blanks > 0)
        std::fprintf(stream_, "\r%s", line);
    std::fflush(stream_);
    drawnWidth_ = width;
}

void CliProgressLine::clear() {
    if (!enabled_ || drawnWidth_ == 0)
        return;
    std::fprintf(stream_, "\r%*s\r", drawnWidth_, "");
    std::fflush(stream_);
    drawnWidth_ = 0;
}

CliJobProgress::CliJobProgress(CliProgressLine& line, const char* label)
    : line_(line), label_(label), started_(line.now()) {}

void CliJobProgress::show(const CliRunProgress& now) {
    if (!line_.isEnabled())
        return;
    // The rate so far, applied to what is left; only once the run has gone
    // on long enough for the rate to mean something.
    int32_t secondsLeft = -1;
    const uint32_t elapsed = line_.now() - started_;
    if (elapsed >= EstimateAfterMs && now.bytesDone > 0 && now.bytesTotal >= now.bytesDone) {
        const double left = static_cast<double>(elapsed) * static_cast<double>(now.bytesTotal - now.bytesDone) /
                            static_cast<double>(now.bytesDone) / 1000.0;
        secondsLeft = left > 359999.0 ? 359999 : static_cast<int32_t>(left + 0.5);
    }
    char text[CliProgressLine::Width + 1];
    CliFormatProgress(label_, now.filesDone, now.filesTotal, now.bytesDone, now.bytesTotal, secondsLeft, text,
                      sizeof text);
    line_.show(text, !drawn_);
    drawn_ = true;
}

CliExpertConsole::CliExpertConsole(CliStream& out, CliProgressLine& line, bool showLog, bool escape, int32_t* stop,
                                   bool (*stopRequested)(void* context), void* context)
    : out_(out), line_(line), showLog_(showLog), escape_(escape), stop_(stop), stopRequested_(stopRequested),
      context_(context) {}

void CliExpertConsole::write(const char* bytes, int32_t length) {
    if (length <= 0 || !showLog_)
        return;
    line_.clear();
    // A slice at a time: a run's log can come in pieces of many megabytes,
    // and the text for the terminal then never needs more than one slice.
    constexpr int32_t Slice = 64 * 1024;
    for (int32_t start = 0; start < length;) {
        int32_t count = length - start < Slice ? length - start : Slice;
        if (start + count < length && bytes[start + count - 1] == '\r')
            ++count; // a CR LF stays in one slice
        if (CliAppendTerminalBytes(out_.buffer(), bytes + start, count, escape_) != 0) {
            out_.buffer()->reset();
            if (!escape_)
                out_.buffer()->append(bytes + start, count); // no memory: as it stands
        }
        out_.flush();
        start += count;
    }
}

void CliExpertConsole::showLog(const ZephBuf& log) {
    // A new run starts its log afresh.
    if (log.length < written_)
        written_ = 0;
    int32_t end = log.length;
    while (end > written_ && log.data[end - 1] != '\n')
        --end;
    if (end > written_) {
        write(log.data + written_, end - written_);
        written_ = end;
    }
}

void CliExpertConsole::showProgress(const ZephBuf& log, int32_t textStart) {
    if (!line_.isEnabled() || textStart < written_ || textStart > log.length)
        return;
    // The open line, then the run's progress text after it.
    char text[CliProgressLine::Width + 1] = {};
    int32_t openLength = textStart - written_;
    int32_t progressLength = log.length - textStart;
    int32_t room = CliProgressLine::Width - (progressLength + 1);
    if (room < 0)
        room = 0;
    if (openLength > room) {
        // Keep the end of the open line, where the file's name stands.
        int32_t skip = openLength - room;
        std::memcpy(text, log.data + written_ + skip, static_cast<size_t>(room));
        if (room >= 3)
            std::memcpy(text, "...", 3);
        openLength = room;
    } else {
        std::memcpy(text, log.data + written_, static_cast<size_t>(openLength));
    }
    text[openLength] = '\0';
    if (openLength > 0)
        ZephStrAppend(text, " ", sizeof text);
    int32_t used = ZephStrLength(text);
    int32_t copy = progressLength < CliProgressLine::Width - used ? progressLength : CliProgressLine::Width - used;
    if (copy > 0) {
        std::memcpy(text + used, log.data + textStart, static_cast<size_t>(copy));
        text[used + copy] = '\0';
    }
    line_.show(text);
}

void CliExpertConsole::pumpMessages() {
    if (stop_ != nullptr && stopRequested_ != nullptr && stopRequested_(context_))
        *stop_ = 1;
}

void CliExpertConsole::finish(const ZephBuf& log) {
    showLog(log);
    if (log.length > written_) {
        write(log.data + written_, log.length - written_);
        written_ = log.length;
        write("\n", 1);
    }
    line_.clear();
}
