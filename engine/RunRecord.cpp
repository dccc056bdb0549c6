// RunRecord.cpp - a run's record as text: blocks of lines, each closed by the
// checksum of its bytes.
//
//   quorvel-journal 1                      first line: the format's version
//   run 7 patch 1718000000                 header block: id, kind, time
//   folder /games/Talon%20INT              names and strings encoded (below)
//   identity 0000000000000803 00000000001a2b3c
//   strings 198.51.100.177 play.quorvel.test
//   undoes 6                               undo runs only
//   files 2                                file blocks an all-or-nothing run has
//   sum 5f0c0e9a4c3b2a19                   XXH64 of the block's bytes before it
//   file GAME.INI ~ .qv1a2b3c4d.tmp 0      target, source (~: itself), temporary, binary
//   before 120 0123456789abcdef            size and hash, or "absent"
//   after 118 fedcba9876543210
//   edits 2 198.51.100.177 play.quorvel.test   count, default old and new bytes
//   at 8 40                                each edit: its gap, and old and new bytes
//   sum ...                                when they are not the defaults (gap:old:new)
//   end                                    the run is over; nothing follows
//   sum ...
//
// Encoded texts keep the bytes 0x21-0x7E but '%', ':' and '~' as they are;
// every other byte is %XX, and the empty text is "~".
#include "RunRecord.h"

#include "PatchSearch.h"
#include "ZephHash.h"
#include "ZephMem.h"
#include "ZephStr.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char Magic[] = "quorvel-journal ";
constexpr int32_t TokensPerLine = 16;
constexpr const char* KindNames[] = {"none", "patch", "expert", "undo"};

bool isPlain(unsigned char c) { return c > 0x20 && c < 0x7F && c != '%' && c != ':' && c != '~'; }

int appendEncoded(ZephBuf* out, const char* bytes, int32_t length) {
    if (length <= 0)
        return out->append("~", 1);
    static const char Hex[] = "0123456789ABCDEF";
    for (int32_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (isPlain(c)) {
            if (out->append(bytes + i, 1) != 0)
                return -1;
        } else {
            const char escaped[3] = {'%', Hex[c >> 4], Hex[c & 15]};
            if (out->append(escaped, 3) != 0)
                return -1;
        }
    }
    return 0;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Decodes the token [from, to) into out (capacity bytes, terminated). False
// when it is not an encoded text or does not fit.
bool decode(const char* from, const char* to, char* out, int32_t capacity, int32_t* length) {
    *length = 0;
    if (to - from == 1 && *from == '~') {
        out[0] = '\0';
        return true;
    }
    if (from == to)
        return false;
    int32_t n = 0;
    for (const char* p = from; p < to; ++p) {
        int value;
        if (*p == '%') {
            if (to - p < 3 || hexValue(p[1]) < 0 || hexValue(p[2]) < 0)
                return false;
            value = hexValue(p[1]) * 16 + hexValue(p[2]);
            p += 2;
        } else if (isPlain(static_cast<unsigned char>(*p))) {
            value = static_cast<unsigned char>(*p);
        } else {
            return false;
        }
        if (n + 1 >= capacity)
            return false;
        out[n++] = static_cast<char>(value);
    }
    out[n] = '\0';
    *length = n;
    return true;
}

// The words of one line, split at single spaces.
struct Words {
    const char* start[8];
    const char* end[8];
    int count = 0;

    // False for more than 8 words or an empty word.
    bool split(const char* line, const char* lineEnd) {
        count = 0;
        const char* p = line;
        while (p < lineEnd) {
            const char* q = p;
            while (q < lineEnd && *q != ' ')
                ++q;
            if (q == p || count == 8)
                return false;
            start[count] = p;
            end[count] = q;
            ++count;
            p = q < lineEnd ? q + 1 : q;
            if (q < lineEnd && p == lineEnd)
                return false; // a trailing space
        }
        return true;
    }
    bool is(int i, const char* word) const {
        const size_t n = std::strlen(word);
        return i < count && static_cast<size_t>(end[i] - start[i]) == n && std::memcmp(start[i], word, n) == 0;
    }
    // A decimal number of at most 18 digits.
    bool number(int i, int64_t* value) const {
        if (i >= count || end[i] - start[i] > 18)
            return false;
        int64_t v = 0;
        for (const char* p = start[i]; p < end[i]; ++p) {
            if (*p < '0' || *p > '9')
                return false;
            v = v * 10 + (*p - '0');
        }
        *value = v;
        return true;
    }
    // 16 lower-case hex digits.
    bool hex64(int i, uint64_t* value) const {
        if (i >= count || end[i] - start[i] != 16)
            return false;
        uint64_t v = 0;
        for (const char* p = start[i]; p < end[i]; ++p) {
            if (!((*p >= '0' && *p <= '9') || (*p >= 'a' && *p <= 'f')))
                return false;
            v = (v << 4) | static_cast<uint64_t>(hexValue(*p));
        }
        *value = v;
        return true;
    }
    bool text(int i, char* out, int32_t capacity) const {
        int32_t length = 0;
        return i < count && decode(start[i], end[i], out, capacity, &length);
    }
};

bool readContent(const Words& words, RunContent* content) {
    if (words.count == 2 && words.is(1, "absent")) {
        *content = RunContent{};
        return true;
    }
    int64_t size = 0;
    if (words.count != 3 || !words.number(1, &size) || !words.hex64(2, &content->hash))
        return false;
    content->present = true;
    content->size = size;
    return true;
}

int appendContent(ZephBuf* out, const char* key, const RunContent& content) {
    if (!content.present)
        return out->appendFormat("%s absent\n", key);
    return out->appendFormat("%s %lld %016llx\n", key, static_cast<long long>(content.size),
                             static_cast<unsigned long long>(content.hash));
}

// Closes the block that began at start with its sum line; on failure takes
// the whole block back.
int closeBlock(ZephBuf* out, int32_t start, int result) {
    if (result == 0) {
        const uint64_t sum = ZephHash::of(out->data + start, out->length - start);
        result = out->appendFormat("sum %016llx\n", static_cast<unsigned long long>(sum));
    }
    if (result != 0) {
        out->truncate(start);
        if (out->data != nullptr)
            out->data[start] = '\0';
    }
    return result == 0 ? 0 : -1;
}

} // namespace

void RunRecord::init(ZephMemManager* newManager) {
    release();
    manager = newManager;
    text.init(newManager, 4096);
    names.init(newManager, 4096);
}

void RunRecord::release() {
    text.clear();
    names.clear();
    ZephMemFree(files);
    files = nullptr;
    fileCount = 0;
    fileCapacity = 0;
    header = RunHeader{};
    version = 0;
    complete = false;
    damaged = false;
    tornTail = false;
    validLength = 0;
}

bool RunRecord::isUnderstood() const { return version == RunRecordVersion && header.kind != RunKindNone; }

bool RunRecord::hasAllFiles() const { return isUnderstood() && !damaged && fileCount >= header.files; }

int RunRecord::appendHeader(const RunHeader& run) {
    const int32_t start = text.length;
    int result = text.appendFormat("%s%ld\nrun %lu %s %lld\nfolder ", Magic, static_cast<long>(RunRecordVersion),
                                   static_cast<unsigned long>(run.id), KindNames[run.kind < 0 || run.kind > 3 ? 0 : run.kind],
                                   static_cast<long long>(run.time));
    result = result != 0 ? -1 : appendEncoded(&text, run.folder, ZephStrLength(run.folder));
    result = result != 0 ? -1
                         : text.appendFormat("\nidentity %016llx %016llx\nstrings ", static_cast<unsigned long long>(run.volume),
                                             static_cast<unsigned long long>(run.file));
    result = result != 0 ? -1 : appendEncoded(&text, run.oldString, ZephStrLength(run.oldString));
    result = result != 0 ? -1 : text.append(" ", 1);
    result = result != 0 ? -1 : appendEncoded(&text, run.newString, ZephStrLength(run.newString));
    result = result != 0 ? -1 : text.append("\n", 1);
    if (result == 0 && run.kind == RunKindUndo)
        result = text.appendFormat("undoes %lu\n", static_cast<unsigned long>(run.undoes));
    result = result != 0 ? -1 : text.appendFormat("files %ld\n", static_cast<long>(run.files));
    return closeBlock(&text, start, result);
}

int RunRecord::appendFile(const RunFileRecord& file, const char* defaultOld, int32_t defaultOldLength,
                          const char* defaultNew, int32_t defaultNewLength, const ZephBuf* edits) {
    const int32_t start = text.length;
    int result = text.append("file ", 5);
    result = result != 0 ? -1 : appendEncoded(&text, file.target, ZephStrLength(file.target));
    result = result != 0 ? -1 : text.append(" ", 1);
    result = result != 0 ? -1 : appendEncoded(&text, file.source, ZephStrLength(file.source));
    result = result != 0 ? -1 : text.append(" ", 1);
    result = result != 0 ? -1 : appendEncoded(&text, file.temporary, ZephStrLength(file.temporary));
    result = result != 0 ? -1 : text.appendFormat(" %d\n", file.binary != 0 ? 1 : 0);
    result = result != 0 ? -1 : appendContent(&text, "before", file.before);
    result = result != 0 ? -1 : appendContent(&text, "after", file.after);
    result = result != 0 ? -1 : text.appendFormat("edits %ld ", static_cast<long>(file.editCount));
    result = result != 0 ? -1 : appendEncoded(&text, defaultOld, defaultOldLength);
    result = result != 0 ? -1 : text.append(" ", 1);
    result = result != 0 ? -1 : appendEncoded(&text, defaultNew, defaultNewLength);
    result = result != 0 ? -1 : text.append("\n", 1);
    if (result == 0 && edits != nullptr && edits->length > 0)
        result = text.append(edits->data, edits->length);
    return closeBlock(&text, start, result);
}

int RunRecord::appendEnd() {
    const int32_t start = text.length;
    return closeBlock(&text, start, text.append("end\n", 4));
}

namespace {

// Reads the blocks of a record's text; see RunRecord::parse.
class Parser {
public:
    explicit Parser(RunRecord& record) : r_(record), text_(record.text.data), length_(record.text.length) {}
    int run();

private:
    enum Block { BlockBad, BlockHeader, BlockFile, BlockEnd };
    Block readBlock(const char* start, const char* end, int32_t* memoryFailed);
    bool readHeader(const char* start, const char* end);
    bool readFile(const char* start, const char* end, int32_t* memoryFailed);
    bool addName(const Words& words, int i, const char** name);

    RunRecord& r_;
    const char* text_;
    int32_t length_;
};

int Parser::run() {
    r_.version = 0;
    r_.complete = false;
    r_.damaged = false;
    r_.tornTail = false;
    r_.validLength = 0;
    r_.fileCount = 0;
    r_.header = RunHeader{};
    if (length_ <= 0 || text_ == nullptr) {
        r_.tornTail = true;
        return 0;
    }
    const char* end = text_ + length_;
    const char* firstLine = static_cast<const char*>(std::memchr(text_, '\n', static_cast<size_t>(length_)));
    const size_t magicLength = sizeof Magic - 1;
    if (firstLine == nullptr) {
        r_.tornTail = true;
        return 0;
    }
    int64_t version = 0;
    Words words;
    if (static_cast<size_t>(firstLine - text_) <= magicLength || std::memcmp(text_, Magic, magicLength) != 0 ||
        !words.split(text_ + magicLength, firstLine) || !words.number(0, &version) || version <= 0) {
        r_.damaged = true;
        return 0;
    }
    r_.version = static_cast<int32_t>(version);
    if (version != RunRecordVersion)
        return 0; // another version's record: not to be read by this one
    r_.names.reset();
    if (r_.names.reserve(length_ + 1) != 0)
        return -1;
    // The names never outgrow the text, so that the block never moves.
    const char* blockStart = text_;
    bool first = true;
    for (;;) {
        if (blockStart == end)
            return 0;
        // The block runs to its sum line.
        const char* p = first ? firstLine + 1 : blockStart;
        const char* sumLine = nullptr;
        const char* blockEnd = nullptr;
        while (p < end) {
            const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            if (lineEnd == nullptr)
                break;
            if (lineEnd - p == 20 && std::memcmp(p, "sum ", 4) == 0) {
                sumLine = p;
                blockEnd = lineEnd + 1;
                break;
            }
            p = lineEnd + 1;
        }
        const bool last = blockEnd == nullptr || blockEnd == end;
        uint64_t sum = 0;
        if (sumLine != nullptr && (!words.split(sumLine, blockEnd - 1) || !words.hex64(1, &sum)))
            sumLine = nullptr;
        if (sumLine == nullptr || sum != ZephHash::of(blockStart, sumLine - blockStart)) {
            // A last block cut short or garbled is a write a crash cut short:
            // it never became part of the record.
            if (last)
                r_.tornTail = true;
            else
                r_.damaged = true;
            return 0;
        }
        int32_t memoryFailed = 0;
        const Block block = readBlock(first ? firstLine + 1 : blockStart, sumLine, &memoryFailed);
        if (memoryFailed != 0)
            return -1;
        if (block == BlockBad || (first != (block == BlockHeader)) || r_.complete) {
            r_.damaged = true;
            return 0;
        }
        if (block == BlockEnd)
            r_.complete = true;
        r_.validLength = static_cast<int32_t>(blockEnd - text_);
        first = false;
        blockStart = blockEnd;
    }
}

Parser::Block Parser::readBlock(const char* start, const char* end, int32_t* memoryFailed) {
    if (end - start >= 4 && std::memcmp(start, "run ", 4) == 0)
        return readHeader(start, end) ? BlockHeader : BlockBad;
    if (end - start >= 5 && std::memcmp(start, "file ", 5) == 0)
        return readFile(start, end, memoryFailed) ? BlockFile : BlockBad;
    if (end - start == 4 && std::memcmp(start, "end\n", 4) == 0)
        return BlockEnd;
    return BlockBad;
}

bool Parser::readHeader(const char* start, const char* end) {
    RunHeader& h = r_.header;
    uint32_t seen = 0;
    for (const char* p = start; p < end;) {
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        Words w;
        if (lineEnd == nullptr || !w.split(p, lineEnd))
            return false;
        int64_t a = 0, b = 0;
        if (w.is(0, "run") && w.count == 4 && w.number(1, &a) && w.number(3, &b) && a > 0 && a <= UINT32_MAX) {
            h.id = static_cast<uint32_t>(a);
            h.time = b;
            for (int kind = RunKindPatch; kind <= RunKindUndo; ++kind)
                if (w.is(2, KindNames[kind]))
                    h.kind = kind;
            if (h.kind == RunKindNone)
                return false;
            seen |= 1;
        } else if (w.is(0, "folder") && w.count == 2 && w.text(1, h.folder, sizeof h.folder)) {
            seen |= 2;
        } else if (w.is(0, "identity") && w.count == 3 && w.hex64(1, &h.volume) && w.hex64(2, &h.file)) {
            seen |= 4;
        } else if (w.is(0, "strings") && w.count == 3 && w.text(1, h.oldString, sizeof h.oldString) &&
                   w.text(2, h.newString, sizeof h.newString)) {
            seen |= 8;
        } else if (w.is(0, "undoes") && w.count == 2 && w.number(1, &a) && a > 0 && a <= UINT32_MAX) {
            h.undoes = static_cast<uint32_t>(a);
            seen |= 16;
        } else if (w.is(0, "files") && w.count == 2 && w.number(1, &a) && a <= INT32_MAX) {
            h.files = static_cast<int32_t>(a);
            seen |= 32;
        } else {
            return false;
        }
        p = lineEnd + 1;
    }
    const uint32_t needed = 1 | 2 | 4 | 8 | 32 | (h.kind == RunKindUndo ? 16u : 0u);
    if (seen != needed) {
        h = RunHeader{};
        return false;
    }
    return true;
}

bool Parser::addName(const Words& words, int i, const char** name) {
    // Room was reserved for all of them: the block never moves.
    char* at = r_.names.data + r_.names.length;
    const int32_t room = r_.names.capacity - r_.names.length;
    int32_t length = 0;
    if (i >= words.count || !decode(words.start[i], words.end[i], at, room, &length) ||
        static_cast<int32_t>(std::strlen(at)) != length)
        return false; // no zero byte inside a name
    r_.names.length += length + 1;
    r_.names.cursor = r_.names.length;
    *name = at;
    return true;
}

bool Parser::readFile(const char* start, const char* end, int32_t* memoryFailed) {
    RunFileRecord file;
    uint32_t seen = 0;
    for (const char* p = start; p < end;) {
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (lineEnd == nullptr)
            return false;
        if (lineEnd - p >= 3 && std::memcmp(p, "at ", 3) == 0) {
            // At-lines follow the edits line; their tokens are read by
            // RunEditReader.
            if ((seen & 8) == 0 || file.edits + file.editsLength != p)
                return false;
            file.editsLength = static_cast<int32_t>(lineEnd + 1 - file.edits);
            p = lineEnd + 1;
            continue;
        }
        Words w;
        if (!w.split(p, lineEnd))
            return false;
        int64_t a = 0;
        if (w.is(0, "file") && w.count == 5 && w.number(4, &a) && a <= 1) {
            if (!addName(w, 1, &file.target) || !addName(w, 2, &file.source) || !addName(w, 3, &file.temporary))
                return false;
            file.binary = static_cast<int32_t>(a);
            seen |= 1;
        } else if (w.is(0, "before") && readContent(w, &file.before)) {
            seen |= 2;
        } else if (w.is(0, "after") && readContent(w, &file.after)) {
            seen |= 4;
        } else if (w.is(0, "edits") && w.count == 4 && w.number(1, &a) && a <= INT32_MAX) {
            file.editCount = static_cast<int32_t>(a);
            file.edits = p;
            file.editsLength = static_cast<int32_t>(lineEnd + 1 - p);
            seen |= 8;
        } else {
            return false;
        }
        p = lineEnd + 1;
    }
    if (seen != 15 || file.target[0] == '\0')
        return false;
    RunEditReader check;
    if (!check.begin(file))
        return false;
    if (r_.fileCount == r_.fileCapacity) {
        const int32_t capacity = r_.fileCapacity == 0 ? 16 : r_.fileCapacity * 2;
        auto* grown = static_cast<RunFileRecord*>(ZephMemAlloc(
            r_.manager, static_cast<int32_t>(sizeof(RunFileRecord)) * capacity, 0, "RunRecord files"));
        if (grown == nullptr) {
            *memoryFailed = 1;
            return false;
        }
        for (int32_t i = 0; i < r_.fileCount; ++i)
            grown[i] = r_.files[i];
        ZephMemFree(r_.files);
        r_.files = grown;
        r_.fileCapacity = capacity;
    }
    r_.files[r_.fileCount++] = file;
    return true;
}

} // namespace

int RunRecord::parse() { return Parser(*this).run(); }

int RunEditsCollect(const PatchFinder& finder, const char* data, int32_t length, int32_t limit, ZephBuf* tokens,
                    int32_t* count) {
    *count = 0;
    const int32_t oldLength = finder.needleLength;
    int32_t previousEnd = 0;
    int32_t onLine = 0;
    for (int32_t q = finder.find(data, length, 0); q >= 0 && *count < limit;
         q = finder.find(data, length, q + oldLength)) {
        if (tokens->append(onLine == 0 ? "at " : " ", onLine == 0 ? 3 : 1) != 0 ||
            tokens->appendFormat("%ld", static_cast<long>(q - previousEnd)) != 0)
            return -1;
        // The bytes found differ from the string only in letter case.
        if (std::memcmp(data + q, finder.needle, static_cast<size_t>(oldLength)) != 0 &&
            (tokens->append(":", 1) != 0 || appendEncoded(tokens, data + q, oldLength) != 0))
            return -1;
        if (++onLine == TokensPerLine) {
            if (tokens->append("\n", 1) != 0)
                return -1;
            onLine = 0;
        }
        previousEnd = q + oldLength;
        ++*count;
    }
    if (onLine > 0 && tokens->append("\n", 1) != 0)
        return -1;
    return 0;
}

bool RunEditReader::begin(const RunFileRecord& file) {
    failed = true;
    if (file.edits == nullptr || file.editsLength < 6)
        return false;
    const char* end = file.edits + file.editsLength;
    const char* lineEnd = static_cast<const char*>(std::memchr(file.edits, '\n', static_cast<size_t>(end - file.edits)));
    Words w;
    if (lineEnd == nullptr || !w.split(file.edits, lineEnd) || w.count != 4 ||
        !decode(w.start[2], w.end[2], defaultOld, sizeof defaultOld, &defaultOldLength) ||
        !decode(w.start[3], w.end[3], defaultNew, sizeof defaultNew, &defaultNewLength))
        return false;
    at_ = lineEnd + 1;
    end_ = end;
    left_ = file.editCount;
    failed = false;
    return true;
}

bool RunEditReader::next() {
    if (failed)
        return false;
    if (left_ == 0) {
        failed = at_ != end_; // more tokens than the count
        return false;
    }
    if (at_ < end_ && (at_[-1] == '\n') && end_ - at_ >= 3 && std::memcmp(at_, "at ", 3) == 0)
        at_ += 3;
    const char* tokenEnd = at_;
    while (tokenEnd < end_ && *tokenEnd != ' ' && *tokenEnd != '\n')
        ++tokenEnd;
    if (tokenEnd == at_ || tokenEnd == end_) {
        failed = true;
        return false;
    }
    // gap[:old[:new]], an empty part standing for the default.
    const char* colon1 = static_cast<const char*>(std::memchr(at_, ':', static_cast<size_t>(tokenEnd - at_)));
    const char* gapEnd = colon1 != nullptr ? colon1 : tokenEnd;
    Words w;
    w.count = 1;
    w.start[0] = at_;
    w.end[0] = gapEnd;
    if (!w.number(0, &gap)) {
        failed = true;
        return false;
    }
    oldBytes = defaultOld;
    oldLength = defaultOldLength;
    newBytes = defaultNew;
    newLength = defaultNewLength;
    if (colon1 != nullptr) {
        const char* colon2 =
            static_cast<const char*>(std::memchr(colon1 + 1, ':', static_cast<size_t>(tokenEnd - colon1 - 1)));
        const char* oldEnd = colon2 != nullptr ? colon2 : tokenEnd;
        if (oldEnd > colon1 + 1) {
            if (!decode(colon1 + 1, oldEnd, old_, sizeof old_, &oldLength)) {
                failed = true;
                return false;
            }
            oldBytes = old_;
        }
        if (colon2 != nullptr && tokenEnd > colon2 + 1) {
            if (!decode(colon2 + 1, tokenEnd, new_, sizeof new_, &newLength)) {
                failed = true;
                return false;
            }
            newBytes = new_;
        }
    }
    at_ = tokenEnd + 1;
    --left_;
    return true;
}

int RunRebuildBefore(const RunFileRecord& file, const char* current, int64_t length, ZephBuf* out) {
    out->reset();
    if (file.before.size > INT32_MAX - 1 || out->reserve(static_cast<int32_t>(file.before.size)) != 0)
        return -1;
    RunEditReader edits;
    if (!edits.begin(file))
        return -1;
    int64_t at = 0;
    while (edits.next()) {
        if (edits.gap > length - at || edits.newLength > length - at - edits.gap ||
            std::memcmp(current + at + edits.gap, edits.newBytes, static_cast<size_t>(edits.newLength)) != 0)
            return -1;
        if (out->length + edits.gap + edits.oldLength > INT32_MAX - 1 ||
            out->append(current + at, static_cast<int32_t>(edits.gap)) != 0 ||
            out->append(edits.oldBytes, edits.oldLength) != 0)
            return -1;
        at += edits.gap + edits.newLength;
    }
    if (edits.failed || out->length + (length - at) > INT32_MAX - 1)
        return -1;
    if (length > at && out->append(current + at, static_cast<int32_t>(length - at)) != 0)
        return -1;
    return 0;
}

int RunEditsInvert(const RunFileRecord& file, RunEditReader* reader, ZephBuf* tokens) {
    if (!reader->begin(file))
        return -1;
    int32_t onLine = 0;
    while (reader->next()) {
        if (tokens->append(onLine == 0 ? "at " : " ", onLine == 0 ? 3 : 1) != 0 ||
            tokens->appendFormat("%lld", static_cast<long long>(reader->gap)) != 0)
            return -1;
        // Swapped: this edit's new bytes are the old ones of the inverse.
        const bool oldOwn = reader->newBytes != reader->defaultNew;
        const bool newOwn = reader->oldBytes != reader->defaultOld;
        if (oldOwn || newOwn) {
            if (tokens->append(":", 1) != 0 ||
                (oldOwn && appendEncoded(tokens, reader->newBytes, reader->newLength) != 0))
                return -1;
            if (newOwn && (tokens->append(":", 1) != 0 || appendEncoded(tokens, reader->oldBytes, reader->oldLength) != 0))
                return -1;
        }
        if (++onLine == TokensPerLine) {
            if (tokens->append("\n", 1) != 0)
                return -1;
            onLine = 0;
        }
    }
    if (reader->failed || (onLine > 0 && tokens->append("\n", 1) != 0))
        return -1;
    // The inverse's defaults.
    char swap[RunTextSize];
    std::memcpy(swap, reader->defaultOld, sizeof swap);
    const int32_t swapLength = reader->defaultOldLength;
    std::memcpy(reader->defaultOld, reader->defaultNew, sizeof swap);
    reader->defaultOldLength = reader->defaultNewLength;
    std::memcpy(reader->defaultNew, swap, sizeof swap);
    reader->defaultNewLength = swapLength;
    return 0;
}
