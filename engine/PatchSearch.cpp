// PatchSearch.cpp - the fast search for the old string and the piece
// buffering of a scan run. The probe of each instruction set sits in a .inc
// file of its own, included once below.
#include "PatchSearch.h"

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

// The first candidate start among the set bits (bit i: start p + i) where
// the whole needle is found, or -1. Shared by every probe width.
template <typename Bits>
int32_t firstConfirmed(Bits bits, const unsigned char* bytes, int32_t p, const unsigned char* needle, int32_t length) {
    while (bits != 0) {
        int32_t q = p + std::countr_zero(bits);
        if (matchesHere(bytes + q, needle, length))
            return q;
        bits &= bits - 1;
    }
    return -1;
}

// What the processor offers, found once.
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

// The widest probe allowed (PatchFinderLimitProbe).
std::atomic<int32_t> probeLimit{PatchProbeAvx512};

// The probes compare the needle's two probe bytes at many candidate starts
// at once and check the whole needle only where both agree. A round of R
// starts is taken while p <= last - (R - 1): its farthest load then ends at
// p + R - 1 + offsetB <= last + needleLength - 1 = length - 1. The main
// rounds are several vectors wide (four of 16 or 32 bytes, two of 64) with
// one branch for all, since a branch per vector costs about as much as its
// compares; the rare round with a candidate goes through the vectors' bits
// in order. Each probe returns the first occurrence, or -1 with *position at
// the first start not yet probed. Fold is false when neither probe byte is a
// letter, so the OR is skipped.
#if defined(__SSE2__)
#include "PatchSearchSse2.inc"
#endif

#if defined(QV_PROBE_WIDE)
#include "PatchSearchAvx2.inc"
#include "PatchSearchAvx512.inc"
#endif

} // namespace

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
        int32_t q =
            level >= PatchProbeAvx512
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
