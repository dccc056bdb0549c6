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

int PatchRewrite::begin(ZephBuf* target, int32_t from, const PatchFinder& searcher, const char* replacement,
                        int32_t binaryKind, int32_t rewrite) {
    content = target;
    finder = &searcher;
    newString = replacement != nullptr ? replacement : "";
    newLength = ZephStrLength(newString);
    const int32_t oldLength = searcher.needleLength;
    mode = PatchReplaceModeOf(binaryKind, oldLength, newLength);
    oneAtATime = false;
    mayGrow = true;
    counted = 0;
    const int32_t length = content != nullptr && content->data != nullptr ? content->length : 0;
    from = from < 0 ? 0 : from > length ? length : from;
    done = rest = from;
    end = length;
    if (rewrite == 0 || mode != PatchReplaceLengthChanged || from == length)
        return 0;
    if (content->cursor != content->length) {
        oneAtATime = true;
        return 0;
    }
    if (newLength < oldLength)
        return 0;
    int64_t count = 0;
    for (int32_t q = searcher.find(content->data, length, from); q >= 0;
         q = searcher.find(content->data, length, q + oldLength))
        ++count;
    counted = clampToInt32(count);
    if (count == 0)
        return 0;
    const int64_t extra = count * (newLength - oldLength);
    if (length + extra > INT32_MAX - 1 || content->claim(static_cast<int32_t>(extra)) == nullptr) {
        oneAtATime = true;
        mayGrow = false;
        return -1;
    }
    // The bytes not yet looked at go to the new end; after k of the count
    // occurrences the finished part still trails them by (count - k) times
    // the difference, so it never overwrites a byte not yet read.
    std::memmove(content->data + from + extra, content->data + from, static_cast<size_t>(length - from));
    rest = from + static_cast<int32_t>(extra);
    end = length + static_cast<int32_t>(extra);
    return 0;
}

int32_t PatchRewrite::find(int32_t from, int32_t limit) const {
    if (content == nullptr || content->data == nullptr || finder == nullptr)
        return -1;
    if (from < done)
        from = done;
    if (limit > length())
        limit = length();
    if (from >= limit)
        return -1;
    const int32_t shift = rest - done; // view positions from done on lie this far on in data
    const int32_t q = finder->find(content->data, limit + shift, from + shift);
    return q < 0 ? -1 : q - shift;
}

int PatchRewrite::replace(int32_t at, int32_t* advance) {
    const int32_t oldLength = finder->needleLength;
    const int32_t step = mode == PatchReplaceLengthChanged ? newLength : oldLength;
    if (oneAtATime) {
        if (!mayGrow && mode == PatchReplaceLengthChanged &&
            static_cast<int64_t>(content->length) - oldLength + newLength > content->capacity)
            return -1;
        if (PatchReplaceAt(content, at, finder->needle, oldLength, newString, newLength,
                           mode == PatchReplaceBinary ? 1 : 0, nullptr) != 0)
            return -1;
        done = rest = at + step;
        end = content->length;
    } else {
        char* d = content->data;
        const int32_t place = at + (rest - done);
        if (rest != done)
            std::memmove(d + done, d + rest, static_cast<size_t>(place - rest));
        done = at;
        if (mode == PatchReplaceBinary) {
            std::memset(d + done, 0, static_cast<size_t>(oldLength));
            std::memcpy(d + done, newString, static_cast<size_t>(newLength < oldLength ? newLength : oldLength));
        } else {
            std::memcpy(d + done, newString, static_cast<size_t>(step));
        }
        done += step;
        rest = place + oldLength;
    }
    if (advance != nullptr)
        *advance = step;
    return 0;
}

void PatchRewrite::finish() {
    if (content == nullptr || content->data == nullptr)
        return;
    if (rest != done)
        std::memmove(content->data + done, content->data + rest, static_cast<size_t>(end - rest));
    end = length();
    rest = done;
    if (end < content->length) {
        content->truncate(end);
        content->data[end] = 0;
    }
}

int PatchScanContent(ZephBuf* content, int32_t* cursor, const PatchFinder& finder, const char* newString,
                     int32_t rewrite, int32_t binaryKind, int32_t* matches) {
    if (*cursor < 0)
        *cursor = 0;
    if (content == nullptr || content->data == nullptr || finder.needleLength <= 0 || *cursor >= content->length) {
        if (content != nullptr && *cursor < content->length)
            *cursor = content->length;
        return 0;
    }
    PatchRewrite pass;
    if (pass.begin(content, *cursor, finder, newString, binaryKind, rewrite) != 0) {
        *matches = clampToInt32(static_cast<int64_t>(*matches) + pass.counted);
        return -1;
    }
    for (int32_t at = pass.find(*cursor, pass.length()); at >= 0;) {
        ++*matches;
        int32_t advance = finder.needleLength;
        if (rewrite != 0 && pass.replace(at, &advance) != 0) {
            *cursor = at;
            return -1;
        }
        at = pass.find(at + advance, pass.length());
    }
    pass.finish();
    *cursor = content->length;
    return 0;
}
