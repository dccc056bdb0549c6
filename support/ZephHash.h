// ZephHash.h - a fast 64-bit hash of a byte stream (XXH64), fed in pieces of
// any size, to tell whether a file still holds exactly the bytes it held.
#ifndef QUORVEL_SUPPORT_ZEPHHASH_H
#define QUORVEL_SUPPORT_ZEPHHASH_H

#include <cstdint>

// The digest depends only on the bytes and the seed, never on how they were
// cut into pieces, and is the same on every platform (the published XXH64
// values). Not a cryptographic hash: it tells a change from chance, not from
// someone who means to collide it. Plain record; init, then update any
// number of times, then digest (which leaves the state as it was).
struct ZephHash {
    uint64_t lanes[4] = {};
    uint64_t total = 0;        // bytes fed so far
    unsigned char pending[32]; // the start of a stripe not yet complete
    int32_t pendingLength = 0;
    uint64_t seed = 0;

    ZephHash() { init(); }

    // Starts afresh. Cannot fail.
    void init(uint64_t seed = 0);
    // Feeds count bytes (none for count <= 0). Cannot fail.
    void update(const void* data, int64_t count);
    // The hash of everything fed since init. Cannot fail.
    uint64_t digest() const;

    // The hash of one block of bytes.
    static uint64_t of(const void* data, int64_t count, uint64_t seed = 0);
};

#endif
