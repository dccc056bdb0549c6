// ScanFuzz.cpp - differential fuzzer: the fast search and the one-pass
// rewrite against the plain byte-by-byte loop of the replacement rules.
//
// Input layout: [flags][old length][new length][granularity][old...][new...][content...]
// flags bit 0: binary kind; bit 1: rewrite; bit 2: build the content from
// pieces of the old string (mixed case, zero bytes) so that candidates
// overlap and occurrences are common; bit 3: leave the buffer's own cursor
// inside the content; bits 4-7: start position of the scan, and after how
// many occurrences the expert run's pass stops (0: never).
#include "PatchRules.h"
#include "PatchSearch.h"
#include "ZephBuf.h"
#include "ZephStr.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The match test exactly as the rules state it: the byte after the content
// is a zero, and a zero byte ends the test.
bool referenceMatch(const std::string& content, size_t p, const std::string& old) {
    const char* at = content.c_str() + p;
    for (size_t i = 0; i < old.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(at[i]);
        if (b == 0 || ZephStrFold(b) != ZephStrFold(static_cast<unsigned char>(old[i])))
            return false;
    }
    return true;
}

// The scan of one file, one position at a time, replacing with std::string.
int32_t referenceScan(std::string& content, size_t start, const std::string& old, const std::string& repl, bool binary,
                      bool rewrite) {
    int32_t matches = 0;
    size_t p = start;
    while (p < content.size()) {
        if (!referenceMatch(content, p, old)) {
            ++p;
            continue;
        }
        ++matches;
        if (!rewrite) {
            p += old.size();
        } else if (binary) {
            std::memset(&content[p], 0, old.size());
            std::memcpy(&content[p], repl.data(), repl.size() < old.size() ? repl.size() : old.size());
            p += old.size();
        } else {
            content.replace(p, old.size(), repl);
            p += repl.size();
        }
    }
    return matches;
}

// The expert run's loop one position at a time: every occurrence's offset
// in the content as it stands, stopping right after the stopAfter-th.
std::vector<int32_t> referenceRewriteUntil(std::string& content, const std::string& old, const std::string& repl,
                                           bool binary, int32_t stopAfter) {
    std::vector<int32_t> at;
    size_t p = 0;
    while (p < content.size() && (stopAfter == 0 || static_cast<int32_t>(at.size()) < stopAfter)) {
        if (!referenceMatch(content, p, old)) {
            ++p;
            continue;
        }
        at.push_back(static_cast<int32_t>(p));
        if (binary) {
            std::memset(&content[p], 0, old.size());
            std::memcpy(&content[p], repl.data(), repl.size() < old.size() ? repl.size() : old.size());
            p += old.size();
        } else {
            content.replace(p, old.size(), repl);
            p += repl.size();
        }
    }
    return at;
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "mismatch: %s\n", what);
        std::abort();
    }
}

std::string noZeros(const uint8_t* p, size_t n) {
    std::string s(reinterpret_cast<const char*>(p), n);
    for (char& c : s)
        if (c == 0)
            c = 'a';
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const uint8_t flags = data[0];
    size_t oldLength = 1 + data[1] % 20;
    size_t newLength = data[2] % 24;
    int32_t granularity = 1 + data[3] % 64;
    data += 4;
    size -= 4;
    if (size < oldLength + newLength)
        return 0;
    const std::string old = noZeros(data, oldLength);
    const std::string repl = noZeros(data + oldLength, newLength);
    data += oldLength + newLength;
    size -= oldLength + newLength;

    std::string content;
    if (flags & 4) {
        // Pieces of the old string: each byte picks a character, its case and
        // now and then a zero byte or a stray byte.
        for (size_t i = 0; i < size; ++i) {
            uint8_t b = data[i];
            char c = old[b % old.size()];
            if ((b & 0x30) == 0x30)
                c = static_cast<char>(c ^ 0x20);
            if (b >= 0xF8)
                c = 0;
            else if (b >= 0xF0)
                c = static_cast<char>(b);
            content.push_back(c);
        }
    } else {
        content.assign(reinterpret_cast<const char*>(data), size);
    }
    const bool binary = flags & 1;
    const bool rewrite = flags & 2;
    size_t start = content.empty() ? 0 : (flags >> 4) % (content.size() + 1);

    ZephBuf buffer;
    buffer.init(nullptr, granularity);
    if (!content.empty())
        check(buffer.append(content.data(), static_cast<int32_t>(content.size())) == 0, "append");

    // The match test and the search agree with the reference at every position.
    PatchFinder finder;
    finder.prepare(old.c_str());
    // (The search from every position would be quadratic; long inputs check
    // a spread of starting points.)
    // Every probe width this processor has is checked, not only the widest.
    const size_t stride = content.size() / 256 + 1;
    int32_t expectedNext = -1;
    for (size_t p = content.size(); p-- > 0;) {
        bool ref = referenceMatch(content, p, old);
        check(PatchMatchAt(buffer.data, buffer.length, static_cast<int32_t>(p), old.c_str()) == ref, "match test");
        if (ref)
            expectedNext = static_cast<int32_t>(p);
        if (p % stride == 0) {
            for (int32_t level = PatchProbeScalar; level <= PatchProbeAvx512; ++level) {
                PatchFinderLimitProbe(level);
                check(finder.find(buffer.data, buffer.length, static_cast<int32_t>(p)) == expectedNext, "find");
            }
            PatchFinderLimitProbe(PatchProbeAvx512);
        }
    }

    // A scan run reads the file a piece at a time and keeps only the bytes
    // not yet decided: it must count what one scan of the whole counts.
    // Pieces are the granularity long; content has just the room the run
    // gives it (one in two inputs) or less, so both placements are taken.
    if (!rewrite && start == 0) {
        const std::string whole = content;
        std::string copy = whole;
        const int32_t wholeMatches = referenceScan(copy, 0, old, repl, binary, false);
        const int32_t pieceSize = granularity;
        const int32_t spare = (flags & 8) ? PatchPieceAlignment : 0;
        ZephBuf pieces;
        pieces.init(nullptr, 1);
        check(pieces.setCapacity(static_cast<int32_t>(old.size()) - 1 + pieceSize + spare) == 0, "capacity");
        const int32_t capacity = pieces.capacity;
        int32_t scannedTo = 0, pieceMatches = 0;
        for (size_t at = 0; at < whole.size(); at += static_cast<size_t>(pieceSize)) {
            const int32_t count = static_cast<int32_t>(whole.size() - at < static_cast<size_t>(pieceSize)
                                                           ? whole.size() - at
                                                           : static_cast<size_t>(pieceSize));
            PatchMakeRoomForPiece(&pieces, &scannedTo, count);
            char* piece = pieces.claim(count);
            check(piece != nullptr, "piece claim");
            std::memcpy(piece, whole.data() + at, static_cast<size_t>(count));
            PatchScanPiece(finder, pieces, &scannedTo, &pieceMatches, INT32_MAX);
        }
        check(pieceMatches == wholeMatches, "piece by piece count");
        check(pieces.capacity == capacity, "piece content never grows");
        pieces.setCapacity(0);
    }

    // The expert run's pass: strides of the granularity between two looks at
    // the clock, each occurrence replaced as it is found, and a stop after
    // some occurrence; it leaves what replacing one at a time leaves, and
    // names the same offsets.
    if (rewrite) {
        const int32_t stopAfter = flags >> 4;
        std::string expectedStop = content;
        const std::vector<int32_t> expectedAt = referenceRewriteUntil(expectedStop, old, repl, binary, stopAfter);
        ZephBuf work;
        work.init(nullptr, granularity);
        if (!content.empty())
            check(work.append(content.data(), static_cast<int32_t>(content.size())) == 0, "append");
        PatchRewrite pass;
        check(pass.begin(&work, 0, finder, repl.c_str(), binary, 1) == 0, "pass begins");
        std::vector<int32_t> at;
        const int32_t oldLength = static_cast<int32_t>(old.size());
        int32_t position = 0;
        while (position < pass.length() && (stopAfter == 0 || static_cast<int32_t>(at.size()) < stopAfter)) {
            const int64_t reach = static_cast<int64_t>(position) + granularity + oldLength - 1;
            const int32_t limit = reach < pass.length() ? static_cast<int32_t>(reach) : pass.length();
            const int32_t found = pass.find(position, limit);
            if (found < 0) {
                position = limit == pass.length() ? limit : limit - oldLength + 1;
                continue;
            }
            at.push_back(found);
            int32_t advance = 0;
            check(pass.replace(found, &advance) == 0, "pass replaces");
            position = found + advance;
        }
        pass.finish();
        check(at == expectedAt, "pass offsets");
        check(work.length == static_cast<int32_t>(expectedStop.size()), "pass length");
        check(expectedStop.empty() || std::memcmp(work.data, expectedStop.data(), expectedStop.size()) == 0,
              "pass bytes");
        check(work.data == nullptr || work.data[work.length] == 0, "pass trailing zero");
        work.clear();
    }

    if (flags & 8)
        buffer.cursor = buffer.length / 2;
    std::string expected = content;
    int32_t expectedMatches = referenceScan(expected, start, old, repl, binary, rewrite);
    int32_t cursor = static_cast<int32_t>(start);
    int32_t matches = 0;
    int result = PatchScanContent(&buffer, &cursor, finder, repl.c_str(), rewrite, binary, &matches);
    check(result == 0, "scan result");
    check(matches == expectedMatches, "match count");
    check(buffer.length == static_cast<int32_t>(expected.size()), "length");
    check(expected.empty() || std::memcmp(buffer.data, expected.data(), expected.size()) == 0, "bytes");
    check(buffer.data == nullptr || buffer.data[buffer.length] == 0, "trailing zero");
    check(cursor >= buffer.length, "cursor at end");
    return 0;
}
