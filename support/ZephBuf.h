// ZephBuf.h - growable byte buffer with a cursor and formatted append.
#ifndef QUORVEL_SUPPORT_ZEPHBUF_H
#define QUORVEL_SUPPORT_ZEPHBUF_H

#include <cstdint>

struct ZephMemManager;

// Invariants: 0 <= cursor <= length <= capacity while data exists; capacities
// set by growth are multiples of granularity; data has capacity + 1 bytes, so
// content that an operation extended is always followed by a zero byte and
// can be read as text. The block is named "ZephBuf memory buffer" and is
// replaced, never resized in place, when the buffer grows. Users read data,
// length and capacity directly. Status results are 0 or -1; a failed
// allocation sets failed and leaves block and content untouched.
struct ZephBuf {
    ZephMemManager* manager = nullptr;
    char* data = nullptr;
    int32_t capacity = 0;
    int32_t length = 0;
    int32_t cursor = 0;
    int32_t granularity = 4096;
    bool failed = false;

    ZephBuf() = default;
    ~ZephBuf() { clear(); }
    ZephBuf(const ZephBuf&) = delete;
    ZephBuf& operator=(const ZephBuf&) = delete;

    // Binds to manager (none: untracked blocks) with a growth step (raised to
    // 1); releases any block and empties the buffer. Cannot fail.
    void init(ZephMemManager* manager, int32_t granularity);
    // Exactly n usable bytes (plus the spare byte); content beyond n is cut,
    // and length and cursor with it. n = 0 releases the block.
    int setCapacity(int32_t n);
    // Room for n bytes of content: capacity becomes n rounded up to the
    // granularity unless the length already reaches n.
    int reserve(int32_t n);
    // Lowers the length (and a cursor beyond it) to n; writes no byte.
    void truncate(int32_t n);
    // Deletes deleteCount bytes at position and inserts insertCount bytes of
    // source there; the cursor follows the edit. source must not point into
    // this buffer: growing replaces the block.
    int replace(int32_t position, int32_t deleteCount, const void* source, int32_t insertCount);
    // n writable bytes at the cursor (overlaying content when the cursor lies
    // inside it); the cursor moves past them. None on failure.
    char* claim(int32_t n);
    // Copies n bytes of source to the cursor (as claim). -1 with no source,
    // or n = 0 on a buffer that has no block yet.
    int append(const void* source, int32_t n);
    // The text, then CR LF.
    int appendLine(const char* text);
    // printf-style text at the cursor. Grows when the text would end at or
    // past the capacity; with the cursor inside the content the text
    // overwrites it, and the length grows only when the text ends past it.
    // -1 for no format, a format that cannot be rendered, or no room.
    int appendFormat(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // Keeps only the content from position from on, moved to start at to:
    // the length becomes to plus the bytes kept, the cursor the new length,
    // and a zero byte follows. The bytes before to stay as they were. For a
    // reader that holds just the undecided end of a stream and reads the next
    // piece after it. Never allocates; -1 with nothing changed when there is
    // no block, from lies outside 0 .. length, to is negative or the bytes
    // kept would pass the capacity.
    int moveTail(int32_t from, int32_t to);
    // Releases the block and empties the buffer; safe twice.
    void clear();
    // Empties the content and keeps the block.
    void reset();
};

#endif
