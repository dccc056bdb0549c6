// CliStream.h - one of the quorvel tool's output streams: text is composed
// in a buffer and written in whole pieces, and a failed write is remembered
// so that the run can end cleanly between two files instead of dying half
// way (a closed pipe) or going on blind (a full disk).
#ifndef QUORVEL_CLI_CLISTREAM_H
#define QUORVEL_CLI_CLISTREAM_H

#include "ZephBuf.h"

#include <cstdio>

class CliStream {
public:
    // stream may be none: everything is then dropped, without an error.
    explicit CliStream(FILE* stream);
    ~CliStream();
    CliStream(const CliStream&) = delete;
    CliStream& operator=(const CliStream&) = delete;

    // Where the next text is composed; flush writes it.
    ZephBuf* buffer() { return &text_; }
    // Writes the buffer and empties it. Once a write has failed nothing more
    // is written (the buffer is still emptied). 0, or -1 after a failure.
    int flush();
    // A write failed; errorNumber is its errno value, and hitClosedPipe
    // tells whether the reader of a pipe had gone.
    bool isBroken() const { return broken_; }
    int errorNumber() const { return errorNumber_; }
    bool hitClosedPipe() const { return closedPipe_; }
    FILE* file() const { return stream_; }

private:
    FILE* stream_;
    ZephBuf text_;
    bool broken_ = false;
    int errorNumber_ = 0;
    bool closedPipe_ = false;
};

#endif
