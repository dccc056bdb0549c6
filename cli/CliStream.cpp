// CliStream.cpp - buffered output that remembers a failed write.
#include "CliStream.h"

#include "ZephMem.h"
#include "ZephSysConsole.h"

#include <cerrno>

CliStream::CliStream(FILE* stream) : stream_(stream) { text_.init(&ZephMemManagerGlobal, 4096); }

CliStream::~CliStream() {
    flush();
    text_.clear();
}

int CliStream::flush() {
    if (stream_ != nullptr && !broken_ && text_.length > 0) {
        errno = 0;
        const auto length = static_cast<size_t>(text_.length);
        if (std::fwrite(text_.data, 1, length, stream_) != length || std::fflush(stream_) != 0) {
            broken_ = true;
            errorNumber_ = errno != 0 ? errno : EIO;
            closedPipe_ = ZephSysWriteHitClosedPipe(errno);
        }
    }
    text_.reset();
    return broken_ ? -1 : 0;
}
