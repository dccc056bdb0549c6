// CliSteamLibraries.cpp - Steam's list of library folders, read with care.
#include "CliSteamLibraries.h"

#include "ZephBuf.h"
#include "ZephMem.h"
#include "ZephStr.h"

namespace {

enum TokenKind { TokenEnd, TokenOpen, TokenClose, TokenText, TokenFault };

// Where a block sits: which of its pairs name library folders.
enum BlockRole {
    RoleTop,       // the file: holds "libraryfolders"
    RoleLibraries, // "libraryfolders": "N" "path" (old) or "N" { ... }
    RoleLibrary,   // one library: its "path"
    RoleOther      // anything else, read and passed over
};

class Reader {
public:
    Reader(const char* text, int32_t length, ZephBuf* paths)
        : at_(text), end_(text + (length > 0 ? length : 0)), paths_(paths) {
        token_.init(&ZephMemManagerGlobal, 256);
    }
    ~Reader() { token_.clear(); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool read();
    int32_t line() const { return line_; }
    const char* problem() const { return problem_; }

private:
    TokenKind next();
    TokenKind fault(const char* problem) {
        problem_ = problem;
        return TokenFault;
    }
    bool readBlock(BlockRole role, int32_t depth);
    bool isNumber() const {
        if (token_.length == 0)
            return false;
        for (int32_t i = 0; i < token_.length; ++i) {
            if (token_.data[i] < '0' || token_.data[i] > '9')
                return false;
        }
        return true;
    }
    bool addPath() {
        if (paths_->append(token_.data, token_.length + 1) == 0)
            return true;
        problem_ = "out of memory";
        return false;
    }

    const char* at_;
    const char* end_;
    ZephBuf* paths_;
    ZephBuf token_; // the last text token, unescaped and zero-terminated
    int32_t line_ = 1;
    const char* problem_ = nullptr;
    bool sawLibraries_ = false;
};

TokenKind Reader::next() {
    for (;;) {
        while (at_ < end_ && (*at_ == ' ' || *at_ == '\t' || *at_ == '\r' || *at_ == '\n')) {
            if (*at_ == '\n')
                ++line_;
            ++at_;
        }
        if (end_ - at_ >= 2 && at_[0] == '/' && at_[1] == '/') {
            while (at_ < end_ && *at_ != '\n')
                ++at_;
            continue;
        }
        break;
    }
    if (at_ == end_)
        return TokenEnd;
    if (*at_ == '\0')
        return fault("a zero byte in the text");
    if (*at_ == '{' || *at_ == '}')
        return *at_++ == '{' ? TokenOpen : TokenClose;
    token_.reset();
    const bool quoted = *at_ == '"';
    const int32_t startLine = line_;
    if (quoted)
        ++at_;
    for (;;) {
        if (at_ == end_) {
            if (quoted) {
                line_ = startLine; // where it began is where to look
                return fault("a quoted text has no end");
            }
            break;
        }
        char c = *at_;
        if (c == '\0')
            return fault("a zero byte in the text");
        if (quoted && c == '"') {
            ++at_;
            break;
        }
        if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '{' || c == '}' || c == '"'))
            break;
        ++at_;
        if (c == '\n')
            ++line_;
        if (quoted && c == '\\' && at_ < end_) {
            const char escaped = *at_;
            if (escaped == '\\' || escaped == '"' || escaped == 'n' || escaped == 't') {
                c = escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
                ++at_;
            }
        }
        if (token_.length >= CliSteamTextMax)
            return fault("a text is too long");
        if (token_.append(&c, 1) != 0)
            return fault("out of memory");
    }
    // Terminated for the comparisons and for addPath: the buffer always has
    // a byte past its length, and reset() leaves old bytes there.
    if (token_.data != nullptr)
        token_.data[token_.length] = '\0';
    return TokenText;
}

bool Reader::readBlock(BlockRole role, int32_t depth) {
    if (depth > CliSteamNestingMax) {
        problem_ = "blocks nest too deep";
        return false;
    }
    for (;;) {
        TokenKind kind = next();
        if (kind == TokenFault)
            return false;
        if (kind == TokenEnd) {
            if (role == RoleTop)
                return true;
            problem_ = "a '{' has no '}'";
            return false;
        }
        if (kind == TokenClose) {
            if (role != RoleTop)
                return true;
            problem_ = "a '}' has no '{'";
            return false;
        }
        if (kind == TokenOpen) {
            problem_ = "a block has no key";
            return false;
        }
        // A key: its role decides what its value means.
        BlockRole inner = RoleOther;
        bool valueIsPath = false;
        if (role == RoleTop && ZephStrEqualNoCase(token_.data, "libraryfolders")) {
            inner = RoleLibraries;
            sawLibraries_ = true;
        } else if (role == RoleLibraries && isNumber()) {
            inner = RoleLibrary;
            valueIsPath = true; // the old form: "N" "path"
        } else if (role == RoleLibrary && ZephStrEqualNoCase(token_.data, "path")) {
            valueIsPath = true;
        }
        kind = next();
        if (kind == TokenFault)
            return false;
        if (kind == TokenOpen) {
            if (!readBlock(inner, depth + 1))
                return false;
        } else if (kind == TokenText) {
            if (valueIsPath && token_.length > 0 && !addPath())
                return false;
        } else {
            problem_ = "a key has no value";
            return false;
        }
    }
}

bool Reader::read() {
    if (!readBlock(RoleTop, 0))
        return false;
    if (!sawLibraries_) {
        problem_ = "no libraryfolders block";
        return false;
    }
    return true;
}

} // namespace

int CliReadSteamLibraries(const char* text, int32_t length, ZephBuf* paths, int32_t* problemLine,
                          const char** problem) {
    const int32_t kept = paths->length;
    Reader reader(text != nullptr ? text : "", text != nullptr ? length : 0, paths);
    if (reader.read())
        return 0;
    paths->truncate(kept);
    if (problemLine != nullptr)
        *problemLine = reader.line();
    if (problem != nullptr)
        *problem = reader.problem();
    return -1;
}
