// PatchRules.cpp - the match test and the three replacement modes, also as
// one pass over a whole file's content.
#include "PatchRules.h"

#include "PatchSearch.h"
#include "ZephBuf.h"
#include "ZephStr.h"

#include <cstring>

namespace {

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

int PatchReplaceAt(ZephBuf* content, int32_t position, const char* oldString, int32_t oldLength, const char* newString,
                   int32_t newLength, int32_t binaryKind, int32_t* advance) {
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
int rewriteEach(ZephBuf* content, int32_t* cursor, const PatchFinder& finder, const char* newString, int32_t newLength,
                int32_t binaryKind, int32_t* matches) {
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
int rewriteGrowing(ZephBuf* content, int32_t from, const PatchFinder& finder, const char* newString, int32_t newLength,
                   int32_t* matches) {
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
