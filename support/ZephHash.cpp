// ZephHash.cpp - XXH64: four lanes over 32-byte stripes, then the tail and a
// final mix.
#include "ZephHash.h"

#include <cstring>

namespace {

constexpr uint64_t Prime1 = 0x9E3779B185EBCA87ULL;
constexpr uint64_t Prime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr uint64_t Prime3 = 0x165667B19E3779F9ULL;
constexpr uint64_t Prime4 = 0x85EBCA77C2B2AE63ULL;
constexpr uint64_t Prime5 = 0x27D4EB2F165667C5ULL;

uint64_t rotateLeft(uint64_t x, int bits) { return (x << bits) | (x >> (64 - bits)); }

// Little-endian reads whatever the processor's order, so digests agree.
// One load where the processor is little-endian (every target here).
uint64_t read64(const unsigned char* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
#else
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
#endif
}

uint32_t read32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint64_t round(uint64_t lane, uint64_t input) {
    lane += input * Prime2;
    return rotateLeft(lane, 31) * Prime1;
}

uint64_t mergeRound(uint64_t hash, uint64_t lane) {
    hash ^= round(0, lane);
    return hash * Prime1 + Prime4;
}

void stripe(uint64_t* lanes, const unsigned char* p) {
    lanes[0] = round(lanes[0], read64(p));
    lanes[1] = round(lanes[1], read64(p + 8));
    lanes[2] = round(lanes[2], read64(p + 16));
    lanes[3] = round(lanes[3], read64(p + 24));
}

} // namespace

void ZephHash::init(uint64_t newSeed) {
    seed = newSeed;
    lanes[0] = seed + Prime1 + Prime2;
    lanes[1] = seed + Prime2;
    lanes[2] = seed;
    lanes[3] = seed - Prime1;
    total = 0;
    pendingLength = 0;
}

void ZephHash::update(const void* data, int64_t count) {
    if (data == nullptr || count <= 0)
        return;
    const auto* p = static_cast<const unsigned char*>(data);
    total += static_cast<uint64_t>(count);
    if (pendingLength + count < 32) {
        std::memcpy(pending + pendingLength, p, static_cast<size_t>(count));
        pendingLength += static_cast<int32_t>(count);
        return;
    }
    if (pendingLength > 0) {
        const int32_t fill = 32 - pendingLength;
        std::memcpy(pending + pendingLength, p, static_cast<size_t>(fill));
        stripe(lanes, pending);
        p += fill;
        count -= fill;
        pendingLength = 0;
    }
    // The lanes in locals: stored through a pointer that the bytes' pointer
    // may alias, they would go to memory and back on every stripe.
    uint64_t v0 = lanes[0], v1 = lanes[1], v2 = lanes[2], v3 = lanes[3];
    for (; count >= 32; p += 32, count -= 32) {
        v0 = round(v0, read64(p));
        v1 = round(v1, read64(p + 8));
        v2 = round(v2, read64(p + 16));
        v3 = round(v3, read64(p + 24));
    }
    lanes[0] = v0;
    lanes[1] = v1;
    lanes[2] = v2;
    lanes[3] = v3;
    std::memcpy(pending, p, static_cast<size_t>(count));
    pendingLength = static_cast<int32_t>(count);
}

uint64_t ZephHash::digest() const {
    uint64_t hash;
    if (total >= 32) {
        hash = rotateLeft(lanes[0], 1) + rotateLeft(lanes[1], 7) + rotateLeft(lanes[2], 12) + rotateLeft(lanes[3], 18);
        for (uint64_t lane : lanes)
            hash = mergeRound(hash, lane);
    } else {
        hash = seed + Prime5;
    }
    hash += total;
    const unsigned char* p = pending;
    int32_t left = pendingLength;
    for (; left >= 8; p += 8, left -= 8) {
        hash ^= round(0, read64(p));
        hash = rotateLeft(hash, 27) * Prime1 + Prime4;
    }
    if (left >= 4) {
        hash ^= static_cast<uint64_t>(read32(p)) * Prime1;
        hash = rotateLeft(hash, 23) * Prime2 + Prime3;
        p += 4;
        left -= 4;
    }
    for (; left > 0; ++p, --left) {
        hash ^= *p * Prime5;
        hash = rotateLeft(hash, 11) * Prime1;
    }
    hash ^= hash >> 33;
    hash *= Prime2;
    hash ^= hash >> 29;
    hash *= Prime3;
    hash ^= hash >> 32;
    return hash;
}

uint64_t ZephHash::of(const void* data, int64_t count, uint64_t seed) {
    ZephHash hash;
    hash.init(seed);
    hash.update(data, count);
    return hash.digest();
}
