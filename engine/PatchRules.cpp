// PatchRules.cpp - the match test, the fast search and the three replacement
// modes.
#include "PatchRules.h"

#include "ZephBuf.h"
#include "ZephStr.h"

#include <atomic>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// 64-bit x86 with GCC or Clang: 32- and 64-byte-wide probes for processors
// that have AVX2 or AVX-512BW, chosen at run time. Not on Windows, where GCC
// does not align the stack for spills of such registers.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32)
#define QV_PROBE_WIDE 1
#include <immintrin.h>
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

// What the processor offers, found once; and the widest probe allowed.
// The first candidate start among the set bits (bit i: start p + i) where
// the whole needle is found, or -1. Shared by every probe width.
template <typename Bits>
int32_t firstConfirmed(Bits bits, const unsigned char* bytes, int32_t p, const unsigned char* needle,
                       int32_t length) {
    while (bits != 0) {
        int32_t q = p + std::countr_zero(bits);
        if (matchesHere(bytes + q, needle, length))
            return q;
        bits &= bits - 1;
    }
    return -1;
}

int32_t availableProbe() {
    static const int32_t level = [] {
#if defined(QV_PROBE_WIDE)
        if (__builtin_cpu_supports("avx512bw"))
            return static_cast<int32_t>(PatchProbeAvx512);
        if (__builtin_cpu_supports("avx2"))
            return static_cast<int32_t>(PatchProbeAvx2);
#endif
#if defined(__SSE2__)
        return static_cast<int32_t>(PatchProbeSse2);
#else
        return static_cast<int32_t>(PatchProbeScalar);
#endif
    }();
    return level;
}

std::atomic<int32_t> probeLimit{PatchProbeAvx512};

// The probes compare the needle's two probe bytes at many candidate starts
// at once and check the whole needle only where both agree. A round of R
// starts is taken while p <= last - (R - 1): its farthest load then ends at
// p + R - 1 + offsetB <= last + needleLength - 1 = length - 1. The main
// rounds are several vectors wide (four of 16 or 32 bytes, two of 64) with
// one branch for all, since a branch per vector costs about as much as its
// compares; the rare round with a candidate goes through the vectors' bits
// in order. Each probe returns the
// first occurrence, or -1 with *position at the first start not yet probed.
// Fold is false when neither probe byte is a letter, so the OR is skipped.
#if defined(__SSE2__)
template <bool Fold>
inline __m128i hitsSse2(const unsigned char* a, const unsigned char* b, __m128i maskA, __m128i valueA,
                        __m128i maskB, __m128i valueB) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    if constexpr (Fold) {
        x = _mm_or_si128(x, maskA);
        y = _mm_or_si128(y, maskB);
    }
    return _mm_and_si128(_mm_cmpeq_epi8(x, valueA), _mm_cmpeq_epi8(y, valueB));
}

// 64 candidate starts per round, then 16.
template <bool Fold>
int32_t probeSse2(const PatchFinder& f, const unsigned char* bytes, int32_t last, int32_t* position) {
    const unsigned char* n = reinterpret_cast<const unsigned char*>(f.needle);
    const __m128i maskA = _mm_set1_epi8(static_cast<char>(f.maskA));
    const __m128i valueA = _mm_set1_epi8(static_cast<char>(f.valueA));
    const __m128i maskB = _mm_set1_epi8(static_cast<char>(f.maskB));
    const __m128i valueB = _mm_set1_epi8(static_cast<char>(f.valueB));
    auto hits = [&](int32_t p) {
        return hitsSse2<Fold>(bytes + p + f.offsetA, bytes + p + f.offsetB, maskA, valueA, maskB, valueB);
    };
    int32_t p = *position;
    for (; p <= last - 63; p += 64) {
        __m128i h0 = hits(p), h1 = hits(p + 16), h2 = hits(p + 32), h3 = hits(p + 48);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(h0, h1), _mm_or_si128(h2, h3))) == 0)
            continue;
        uint64_t bits = static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(h0))) |
                        (static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(h1))) << 16) |
                        (static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(h2))) << 32) |
                        (static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(h3))) << 48);
        if (int32_t q = firstConfirmed(bits, bytes, p, n, f.needleLength); q >= 0) {
            *position = p;
            return q;
        }
    }
    for (; p <= last - 15; p += 16) {
        uint32_t bits = static_cast<uint32_t>(_mm_movemask_epi8(hits(p)));
        if (int32_t q = firstConfirmed(bits, bytes, p, n, f.needleLength); q >= 0) {
            *position = p;
            return q;
        }
    }
    *position = p;
    return -1;
}
#endif

#if defined(QV_PROBE_WIDE)
template <bool Fold>
__attribute__((target("avx2"))) inline __m256i hitsAvx2(const unsigned char* a, const unsigned char* b,
                                                        __m256i maskA, __m256i valueA, __m256i maskB,
                                                        __m256i valueB) {
    __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
    __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
    if constexpr (Fold) {
        x = _mm256_or_si256(x, maskA);
        y = _mm256_or_si256(y, maskB);
    }
    return _mm256_and_si256(_mm256_cmpeq_epi8(x, valueA), _mm256_cmpeq_epi8(y, valueB));
}

// 128 candidate starts per round, then 32.
template <bool Fold>
__attribute__((target("avx2"))) int32_t probeAvx2(const PatchFinder& f, const unsigned char* bytes, int32_t last,
                                                  int32_t* position) {
    const unsigned char* n = reinterpret_cast<const unsigned char*>(f.needle);
    const __m256i maskA = _mm256_set1_epi8(static_cast<char>(f.maskA));
    const __m256i valueA = _mm256_set1_epi8(static_cast<char>(f.valueA));
    const __m256i maskB = _mm256_set1_epi8(static_cast<char>(f.maskB));
    const __m256i valueB = _mm256_set1_epi8(static_cast<char>(f.valueB));
    auto hits = [&](int32_t p) __attribute__((target("avx2"))) {
        return hitsAvx2<Fold>(bytes + p + f.offsetA, bytes + p + f.offsetB, maskA, valueA, maskB, valueB);
    };
    auto bitsOf = [](__m256i lo, __m256i hi) __attribute__((target("avx2"))) {
        return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(lo))) |
               (static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(hi))) << 32);
    };
    int32_t p = *position;
    for (; p <= last - 127; p += 128) {
        __m256i h0 = hits(p), h1 = hits(p + 32), h2 = hits(p + 64), h3 = hits(p + 96);
        __m256i any = _mm256_or_si256(_mm256_or_si256(h0, h1), _mm256_or_si256(h2, h3));
        if (_mm256_testz_si256(any, any))
            continue;
        if (int32_t q = firstConfirmed(bitsOf(h0, h1), bytes, p, n, f.needleLength); q >= 0) {
            *position = p;
            return q;
        }
        if (int32_t q = firstConfirmed(bitsOf(h2, h3), bytes, p + 64, n, f.needleLength); q >= 0) {
            *position = p;
            return q;
        }
    }
    for (; p <= last - 31; p += 32) {
        uint32_t bits = static_cast<uint32_t>(_mm256_movemask_epi8(hits(p)));
        if (int32_t q = firstConfirmed(bits, bytes, p, n, f.needleLength); q >= 0) {
            *position = p;
            return q;
        }
    }
    *position = p;
    return -1;
}

template <bool Fold>
__attribute__((target("avx512bw"))) inline uint64_t hitsAvx512(const unsigned char* a, const unsigned char* b,
                                                              __m512i maskA, __m512i valueA, __m512i maskB,
                                                              __m512i valueB) {
    __m512i x = _mm512_loadu_si512(a);
    __m512i y = _mm512_loadu_si512(b);
    if constexpr (Fold) {
        x = _mm512_or_si512(x, maskA);
        y = _mm512_or_si512(y, maskB);
    }
    return _mm512_mask_cmpeq_epi8_mask(_mm512_cmpeq_epi8_mask(x, valueA), y, valueB);
}

// 128 candidate starts per round, then 64.
template <bool Fold>
__attribute__((target("avx512bw"))) int32_t probeAvx512(const PatchFinder& f, const unsigned char* bytes,
                                                       int32_t last, int32_t* position) {
    const unsigned char* n = reinterpret_cast<const unsigned char*>(f.needle);
    const __m512i maskA = _mm512_set1_epi8(static_cast<char>(f.maskA));
    const __m512i valueA = _mm512_set1_epi8(static_cast<char>(f.valueA));
    const __m512i maskB = _mm512_set1_epi8(static_cast<char>(f.maskB));
    const __m512i valueB = _mm512_set1_epi8(static_cast<char>(f.valueB));
    auto hits = [&](int32_t p) __attribute__((target("avx512bw"))) {
        return hitsAvx512<Fold>(bytes + p + f.offsetA, bytes + p + f.offsetB, maskA, valueA, maskB, valueB);
    };
    int32_t p = *position;
    for (; p <= last - 127; p += 128) {
        uint64_t h0 = hits(p), h1 = hits(p + 64);
        if ((h0 | h1) == 0)
            continue;
        if (int32_t q = firstConfirmed(h0, bytes, p, n, f.needleLength); q >= 0) {
            *position = p;
            return q;
        }
        if (int32_t q = firstConfirmed(h1, bytes, p + 64, n, f.needleLength); q >= 0) {
            *position = p;
            return q;
        }
    }
    for (; p <= last - 63; p += 64) {
        if (int32_t q = firstConfirmed(hits(p), bytes, p, n, f.needleLength); q >= 0) {
            *position = p;
            return q;
        }
    }
    *position = p;
    return -1;
}
#endif

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
    int32_t level = availableProbe();
    const int32_t limit = probeLimit.load(std::memory_order_relaxed);
    if (level > limit)
        level = limit;
    [[maybe_unused]] const bool fold = (maskA | maskB) != 0;
#if defined(QV_PROBE_WIDE)
    if (level >= PatchProbeAvx2 && last - p >= 31) {
        int32_t q = level >= PatchProbeAvx512
                        ? (fold ? probeAvx512<true>(*this, bytes, last, &p) : probeAvx512<false>(*this, bytes, last, &p))
                        : (fold ? probeAvx2<true>(*this, bytes, last, &p) : probeAvx2<false>(*this, bytes, last, &p));
        if (q >= 0)
            return q;
    }
#endif
#if defined(__SSE2__)
    if (level >= PatchProbeSse2 && last - p >= 15) {
        int32_t q = fold ? probeSse2<true>(*this, bytes, last, &p) : probeSse2<false>(*this, bytes, last, &p);
        if (q >= 0)
            return q;
    }
#endif
    // The rest one start at a time; a first probe byte that is no letter
    // can use the C library's byte search.
    if (maskA == 0) {
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

void PatchMakeRoomForPiece(ZephBuf* content, int32_t* scannedTo, int32_t count) {
    const char* d = content->data;
    if (d == nullptr || count < 0)
        return;
    const auto lineOffset = [](const char* at) {
        return static_cast<int32_t>(reinterpret_cast<uintptr_t>(at) % PatchPieceAlignment);
    };
    if (content->length + count <= content->capacity && lineOffset(d + content->length) == 0)
        return; // the piece fits where it is
    const int32_t from = *scannedTo < content->length ? *scannedTo : content->length;
    const int32_t tail = content->length - from;
    // The undecided tail goes where it ends on a line, and the piece after it
    // starts on one; what lies before the tail is decided and never looked at.
    int32_t place = (PatchPieceAlignment - lineOffset(d + tail)) % PatchPieceAlignment;
    if (static_cast<int64_t>(place) + tail + count > content->capacity) {
        // No room to spare for the line: the tail to the front, when that
        // makes room at all.
        if (from == 0 || content->length + count <= content->capacity)
            return;
        place = 0;
    }
    if (content->moveTail(from, place) == 0)
        *scannedTo = place;
}

void PatchScanPiece(const PatchFinder& finder, const ZephBuf& content, int32_t* scannedTo, int32_t* matches,
                    int32_t stopAt) {
    const int32_t oldLength = finder.needleLength;
    if (oldLength <= 0)
        return;
    for (int32_t q = finder.find(content.data, content.length, *scannedTo); q >= 0;
         q = finder.find(content.data, content.length, *scannedTo)) {
        ++*matches;
        *scannedTo = q + oldLength;
        if (*matches >= stopAt)
            return;
    }
    const int32_t firstUndecided = content.length - oldLength + 1;
    if (*scannedTo < firstUndecided)
        *scannedTo = firstUndecided;
}

int32_t PatchFinderLimitProbe(int32_t widest) {
    probeLimit.store(widest, std::memory_order_relaxed);
    int32_t level = availableProbe();
    return level < widest ? level : widest;
}
