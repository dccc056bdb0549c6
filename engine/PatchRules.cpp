// PatchRules.cpp - the match test, the fast search and the three replacement
// modes.
#include "PatchRules.h"

#include "ZephBuf.h"
#include "ZephStr.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool isLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A rough idea of how common a byte is in game files: program code, data
// tables and configuration text. Higher is more common; the search probes
// the needle's least common bytes so that few positions need a full check.
int byteCommonness(unsigned char c) {
    if (c == 0x00)
        return 255;
    if (c == 0xFF)
        return 230;
    if (c == ' ')
        return 200;
    if (isLetter(c)) {
        // Both cases count, since a letter is matched in either.
        if (std::strchr("ETAOINSRHLDCU", ZephStrFold(c)) != nullptr)
            return 180;
        return std::strchr("JKQXZ", ZephStrFold(c)) != nullptr ? 110 : 140;
    }
    if (c >= '0' && c <= '9')
        return (c <= '2') ? 150 : 120;
    if (c < 0x20)
        return 160;
    if (c >= 0x80) {
        // Frequent x86 opcode and operand bytes.
        static const unsigned char frequentCode[] = {0x8B, 0x89, 0xE8, 0x83, 0xC4, 0x85, 0xC0, 0xCC, 0x90, 0x80};
        for (unsigned char f : frequentCode)
            if (c == f)
                return 170;
        return 110;
    }
    // Dots separate versions, addresses, host and file names.
    if (c == '.')
        return 150;
    return std::strchr(",$\\/-_:=\"", c) != nullptr ? 130 : 100;
}

// Full check of a candidate; the caller has made sure it fits.
bool matchesHere(const unsigned char* at, const unsigned char* needle, int32_t length) {
    for (int32_t i = 0; i < length; ++i)
        if (ZephStrFold(at[i]) != ZephStrFold(needle[i]))
            return false;
    return true;
}

int32_t clampToInt32(int64_t v) { return v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v); }

} // namespace

PatchReplaceMode PatchReplaceModeOf(int32_t binaryKind, int32_t oldLength, int32_t newLength) {
    if (binaryKind != 0)
        return PatchReplaceBinary;
    return newLength == oldLength ? PatchReplaceEqualLength : PatchReplaceLengthChanged;
}

bool PatchMatchAt(const char* data, int32_t length, int32_t position, const char* oldString) {
    if (data == nullptr || oldString == nullptr || *oldString == 0 || position < 0 || position >= length)
        return false;
    const unsigned char* at = reinterpret_cast<const unsigned char*>(data) + position;
    const unsigned char* old = reinterpret_cast<const unsigned char*>(oldString);
    int32_t room = length - position;
    for (int32_t i = 0; old[i] != 0; ++i) {
        // The content's end stands where its trailing zero byte would be.
        if (i >= room || at[i] == 0 || ZephStrFold(at[i]) != ZephStrFold(old[i]))
            return false;
    }
    return true;
}

void PatchFinder::prepare(const char* oldString) {
    needle = oldString;
    needleLength = ZephStrLength(oldString);
    offsetA = offsetB = 0;
    maskA = valueA = maskB = valueB = 0;
    if (needleLength == 0)
        return;
    const unsigned char* n = reinterpret_cast<const unsigned char*>(oldString);
    for (int32_t i = 1; i < needleLength; ++i)
        if (byteCommonness(n[i]) < byteCommonness(n[offsetA]))
            offsetA = i;
    // The second probe: the least common of the other bytes, and among equals
    // the one farthest from the first, since neighbouring bytes go together.
    offsetB = offsetA;
    int bestRank = 1 << 30;
    int32_t bestDistance = -1;
    for (int32_t i = 0; i < needleLength; ++i) {
        if (i == offsetA)
            continue;
        int rank = byteCommonness(n[i]);
        int32_t distance = i > offsetA ? i - offsetA : offsetA - i;
        if (rank < bestRank || (rank == bestRank && distance > bestDistance)) {
            bestRank = rank;
            bestDistance = distance;
            offsetB = i;
        }
    }
    if (offsetB < offsetA) {
        int32_t t = offsetA;
        offsetA = offsetB;
        offsetB = t;
    }
    maskA = isLetter(n[offsetA]) ? 0x20 : 0;
    valueA = static_cast<uint8_t>(n[offsetA] | maskA);
    maskB = isLetter(n[offsetB]) ? 0x20 : 0;
    valueB = static_cast<uint8_t>(n[offsetB] | maskB);
}

int32_t PatchFinder::find(const char* data, int32_t length, int32_t from) const {
    if (needleLength <= 0 || data == nullptr)
        return -1;
    if (from < 0)
        from = 0;
    const int32_t last = length - needleLength; // last start that still fits
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    const unsigned char* n = reinterpret_cast<const unsigned char*>(needle);
    int32_t p = from;
#if defined(__SSE2__)
    // 32 candidate starts per round. With p <= last - 31 the farthest load
    // ends at p + 31 + offsetB <= last + needleLength - 1 = length - 1.
    const __m128i probeMaskA = _mm_set1_epi8(static_cast<char>(maskA));
    const __m128i probeValueA = _mm_set1_epi8(static_cast<char>(valueA));
    const __m128i probeMaskB = _mm_set1_epi8(static_cast<char>(maskB));
    const __m128i probeValueB = _mm_set1_epi8(static_cast<char>(valueB));
    for (; p <= last - 31; p += 32) {
        const unsigned char* a = bytes + p + offsetA;
        const unsigned char* b = bytes + p + offsetB;
        __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
        __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16));
        __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
        __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16));
        __m128i hit0 = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a0, probeMaskA), probeValueA),
                                     _mm_cmpeq_epi8(_mm_or_si128(b0, probeMaskB), probeValueB));
        __m128i hit1 = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a1, probeMaskA), probeValueA),
                                     _mm_cmpeq_epi8(_mm_or_si128(b1, probeMaskB), probeValueB));
        uint32_t bits = static_cast<uint32_t>(_mm_movemask_epi8(hit0)) |
                        (static_cast<uint32_t>(_mm_movemask_epi8(hit1)) << 16);
        while (bits != 0) {
            int32_t q = p + std::countr_zero(bits);
            if (matchesHere(bytes + q, n, needleLength))
                return q;
            bits &= bits - 1;
        }
    }
#else
    if (maskA == 0) {
        // Without vector registers the C library's byte search is the fast part.
        while (p <= last) {
            const void* hit = std::memchr(bytes + p + offsetA, valueA, static_cast<size_t>(last - p + 1));
            if (hit == nullptr)
                return -1;
            int32_t q = static_cast<int32_t>(static_cast<const unsigned char*>(hit) - bytes) - offsetA;
            if (matchesHere(bytes + q, n, needleLength))
                return q;
            p = q + 1;
        }
        return -1;
    }
#endif
    for (; p <= last; ++p)
        if ((bytes[p + offsetA] | maskA) == valueA && matchesHere(bytes + p, n, needleLength))
            return p;
    return -1;
}

int PatchReplaceAt(ZephBuf* content, int32_t position, const char* oldString, int32_t oldLength,
                   const char* newString, int32_t newLength, int32_t binaryKind, int32_t* advance) {
    (void)oldString; // the occurrence is already known; the bytes are what count
    if (content == nullptr || content->data == nullptr || position < 0 || oldLength <= 0 || newLength < 0 ||
        oldLength > content->length - position || (newLength > 0 && newString == nullptr))
        return -1;
    char* at = content->data + position;
    switch (PatchReplaceModeOf(binaryKind, oldLength, newLength)) {
    case PatchReplaceBinary:
        std::memset(at, 0, static_cast<size_t>(oldLength));
        std::memcpy(at, newString, static_cast<size_t>(newLength < oldLength ? newLength : oldLength));
        if (advance != nullptr)
            *advance = oldLength;
        return 0;
    case PatchReplaceEqualLength:
        std::memcpy(at, newString, static_cast<size_t>(oldLength));
        if (advance != nullptr)
            *advance = oldLength;
        return 0;
    case PatchReplaceLengthChanged:
        if (static_cast<int64_t>(content->length) - oldLength + newLength > INT32_MAX)
            return -1;
        if (content->replace(position, oldLength, newLength > 0 ? newString : "", newLength) != 0)
            return -1;
        if (advance != nullptr)
            *advance = newLength;
        return 0;
    }
    return -1;
}

namespace {

// One position at a time through PatchReplaceAt: used where the buffer's
// own cursor stands inside the content, so that it follows each edit exactly
// as ZephBuf::replace moves it.
int rewriteEach(ZephBuf* content, int32_t* cursor, const PatchFinder& finder, const char* newString,
                int32_t newLength, int32_t binaryKind, int32_t* matches) {
    int32_t position = *cursor;
    for (;;) {
        int32_t q = finder.find(content->data, content->length, position);
        if (q < 0)
            break;
        ++*matches;
        int32_t advance = 0;
        if (PatchReplaceAt(content, q, finder.needle, finder.needleLength, newString, newLength, binaryKind,
                           &advance) != 0) {
            *cursor = q;
            return -1;
        }
        position = q + advance;
    }
    if (*cursor < content->length)
        *cursor = content->length;
    return 0;
}

// Shorter new string: the write position trails the read position, so the
// content is compacted in place in one pass and never needs memory.
void rewriteShrinking(ZephBuf* content, int32_t from, const PatchFinder& finder, const char* newString,
                      int32_t newLength, int32_t* matches) {
    char* d = content->data;
    const int32_t length = content->length;
    const int32_t oldLength = finder.needleLength;
    int32_t read = from, write = from;
    for (;;) {
        int32_t q = finder.find(d, length, read);
        if (q < 0)
            break;
        ++*matches;
        if (write != read)
            std::memmove(d + write, d + read, static_cast<size_t>(q - read));
        write += q - read;
        std::memcpy(d + write, newString, static_cast<size_t>(newLength));
        write += newLength;
        read = q + oldLength;
    }
    std::memmove(d + write, d + read, static_cast<size_t>(length - read));
    write += length - read;
    content->truncate(write);
    d[write] = 0;
}

// Longer new string: count, grow once, move the tail to the new end, then
// rebuild from the front. After k of n occurrences the write position trails
// the read position by (n - k) times the difference, so nothing unread is
// overwritten and the search only ever reads bytes not yet written.
int rewriteGrowing(ZephBuf* content, int32_t from, const PatchFinder& finder, const char* newString,
                   int32_t newLength, int32_t* matches) {
    const int32_t oldLength = finder.needleLength;
    int64_t count = 0;
    for (int32_t q = finder.find(content->data, content->length, from); q >= 0;
         q = finder.find(content->data, content->length, q + oldLength))
        ++count;
    *matches = clampToInt32(*matches + count);
    if (count == 0)
        return 0;
    const int32_t length = content->length;
    int64_t extra = count * (newLength - oldLength);
    if (length + extra > INT32_MAX - 1)
        return -1;
    if (content->claim(static_cast<int32_t>(extra)) == nullptr)
        return -1;
    char* d = content->data;
    const int32_t end = content->length;
    std::memmove(d + from + extra, d + from, static_cast<size_t>(length - from));
    int32_t read = from + static_cast<int32_t>(extra), write = from;
    for (;;) {
        int32_t q = finder.find(d, end, read);
        if (q < 0)
            break;
        std::memmove(d + write, d + read, static_cast<size_t>(q - read));
        write += q - read;
        std::memcpy(d + write, newString, static_cast<size_t>(newLength));
        write += newLength;
        read = q + oldLength;
    }
    // Every occurrence is rebuilt, so the rest already stands in place.
    return 0;
}

} // namespace

int PatchScanContent(ZephBuf* content, int32_t* cursor, const PatchFinder& finder, const char* newString,
                     int32_t rewrite, int32_t binaryKind, int32_t* matches) {
    if (newString == nullptr)
        newString = "";
    if (*cursor < 0)
        *cursor = 0;
    const int32_t oldLength = finder.needleLength;
    if (content == nullptr || content->data == nullptr || oldLength <= 0 || *cursor >= content->length) {
        if (content != nullptr && *cursor < content->length)
            *cursor = content->length;
        return 0;
    }
    const int32_t newLength = ZephStrLength(newString);
    const PatchReplaceMode mode = PatchReplaceModeOf(binaryKind, oldLength, newLength);
    if (rewrite == 0 || mode != PatchReplaceLengthChanged) {
        // The length never changes: count, and overwrite in place when asked.
        int32_t position = *cursor;
        for (;;) {
            int32_t q = finder.find(content->data, content->length, position);
            if (q < 0)
                break;
            ++*matches;
            if (rewrite != 0)
                PatchReplaceAt(content, q, finder.needle, oldLength, newString, newLength, binaryKind, nullptr);
            position = q + oldLength;
        }
        *cursor = content->length;
        return 0;
    }
    if (content->cursor != content->length)
        return rewriteEach(content, cursor, finder, newString, newLength, binaryKind, matches);
    if (newLength < oldLength) {
        rewriteShrinking(content, *cursor, finder, newString, newLength, matches);
    } else if (rewriteGrowing(content, *cursor, finder, newString, newLength, matches) != 0) {
        return -1;
    }
    *cursor = content->length;
    return 0;
}
