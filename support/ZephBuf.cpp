// ZephBuf.cpp - growable byte buffer.
#include "ZephBuf.h"

#include "ZephMem.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* BlockName = "ZephBuf memory buffer";

// The block holds capacity + 1 bytes, so the largest capacity is one less
// than the largest block.
constexpr int64_t MaxCapacity = INT32_MAX - 1;

} // namespace

void ZephBuf::init(ZephMemManager* newManager, int32_t newGranularity) {
    if (capacity != 0)
        ZephMemFree(data);
    manager = newManager;
    granularity = newGranularity < 1 ? 1 : newGranularity;
    data = nullptr;
    capacity = 0;
    length = 0;
    cursor = 0;
    failed = false;
}

int ZephBuf::setCapacity(int32_t n) {
    if (n < 0)
        return -1;
    if (n == capacity)
        return 0;
    if (n == 0) {
        ZephMemFree(data);
        data = nullptr;
        capacity = 0;
        length = 0;
        cursor = 0;
        return 0;
    }
    if (n > MaxCapacity) {
        failed = true;
        return -1;
    }
    auto* block = static_cast<char*>(ZephMemAlloc(manager, n + 1, 0, BlockName));
    if (block == nullptr) {
        failed = true;
        return -1;
    }
    if (data != nullptr) {
        if (n > capacity) {
            std::memcpy(block, data, static_cast<size_t>(capacity));
            std::memset(block + capacity, 0, static_cast<size_t>(n - capacity) + 1);
        } else {
            std::memcpy(block, data, static_cast<size_t>(n));
            // The spare byte of a shrunk block: keep the content terminated.
            block[n] = 0;
        }
        ZephMemFree(data);
    } else {
        std::memset(block, 0, static_cast<size_t>(n) + 1);
    }
    data = block;
    capacity = n;
    // Content past the new capacity is gone; never leave the length or the
    // cursor pointing beyond the block.
    if (length > n)
        length = n;
    if (cursor > length)
        cursor = length;
    return 0;
}

// The growth rule: room for need bytes, rounded up to the granularity.
// Sums are formed in 64 bits, so a need past the largest block fails instead
// of wrapping to a small one.
static int growTo(ZephBuf* buffer, int64_t need) {
    int64_t step = buffer->granularity < 1 ? 1 : buffer->granularity;
    int64_t rounded = (need + step - 1) / step * step;
    if (rounded > MaxCapacity) {
        buffer->failed = true;
        return -1;
    }
    return buffer->setCapacity(static_cast<int32_t>(rounded));
}

int ZephBuf::reserve(int32_t n) {
    if (length >= n)
        return 0;
    return growTo(this, n);
}

void ZephBuf::truncate(int32_t n) {
    if (n < 0)
        n = 0;
    if (n > length)
        n = length;
    length = n;
    if (cursor > n)
        cursor = n;
}

int ZephBuf::replace(int32_t position, int32_t deleteCount, const void* source, int32_t insertCount) {
    if (position < 0)
        position = 0;
    if (position > length)
        position = length;
    if (deleteCount < 0)
        deleteCount = 0;
    if (insertCount < 0)
        insertCount = 0;
    if (insertCount > 0 && source == nullptr)
        return -1;
    if (deleteCount > length - position)
        deleteCount = length - position;
    int64_t diff = static_cast<int64_t>(insertCount) - deleteCount;
    if (diff > 0 && length + diff > capacity && growTo(this, length + diff) != 0)
        return -1;
    if (diff != 0) {
        if (data == nullptr)
            return -1;
        int32_t tail = length - position - deleteCount;
        std::memmove(data + position + insertCount, data + position + deleteCount, static_cast<size_t>(tail));
    }
    if (insertCount > 0) {
        if (data == nullptr)
            return -1;
        std::memcpy(data + position, source, static_cast<size_t>(insertCount));
    }
    length = static_cast<int32_t>(length + diff);
    if (cursor > position) {
        if (cursor >= position + deleteCount)
            cursor = static_cast<int32_t>(cursor + diff);
        else if (diff < 0 && cursor >= position + insertCount)
            cursor = position + insertCount;
    }
    if (data != nullptr)
        data[length] = 0;
    return 0;
}

char* ZephBuf::claim(int32_t n) {
    if (n < 0) {
        failed = true;
        return nullptr;
    }
    int64_t end = static_cast<int64_t>(cursor) + n;
    if (end > capacity && growTo(this, end) != 0)
        return nullptr;
    if (data == nullptr)
        return nullptr;
    char* result = data + cursor;
    if (end > length) {
        length = static_cast<int32_t>(end);
        data[length] = 0;
    }
    cursor = static_cast<int32_t>(end);
    return result;
}

int ZephBuf::append(const void* source, int32_t n) {
    if (source == nullptr)
        return -1;
    char* room = claim(n);
    if (room == nullptr)
        return -1;
    std::memcpy(room, source, static_cast<size_t>(n));
    return 0;
}

int ZephBuf::appendLine(const char* text) {
    if (text == nullptr)
        return -1;
    auto n = static_cast<int32_t>(std::strlen(text));
    char* room = claim(n);
    if (room != nullptr)
        std::memcpy(room, text, static_cast<size_t>(n));
    else if (n > 0)
        return -1;
    return append("\r\n", 2);
}

int ZephBuf::appendFormat(const char* format, ...) {
    if (format == nullptr)
        return -1;
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    int n = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    if (n < 0) {
        // A format the library cannot render: nothing is appended.
        va_end(again);
        return -1;
    }
    int64_t need = static_cast<int64_t>(cursor) + n + 1;
    if (need > capacity && growTo(this, need) != 0) {
        va_end(again);
        return -1;
    }
    // The formatter ends its text with a zero byte at data[cursor + n]; with
    // the cursor inside the content that byte belongs to the content after
    // it, so it is put back.
    char* at = data + cursor;
    char saved = at[n];
    int written = std::vsnprintf(at, static_cast<size_t>(n) + 1, format, again);
    va_end(again);
    at[n] = saved;
    if (written < 0)
        return 0;
    if (written > n)
        written = n;
    int32_t end = cursor + written;
    if (end > length) {
        length = end;
        data[end] = 0;
        cursor = length;
    } else {
        cursor = end;
    }
    return 0;
}

int ZephBuf::moveTail(int32_t from, int32_t to) {
    if (data == nullptr || from < 0 || from > length || to < 0)
        return -1;
    const int32_t kept = length - from;
    if (static_cast<int64_t>(to) + kept > capacity)
        return -1;
    if (to != from)
        std::memmove(data + to, data + from, static_cast<size_t>(kept));
    length = to + kept;
    cursor = length;
    data[length] = 0;
    return 0;
}

void ZephBuf::clear() {
    if (capacity != 0) {
        ZephMemFree(data);
        data = nullptr;
        capacity = 0;
    }
    length = 0;
    cursor = 0;
    failed = false;
}

void ZephBuf::reset() {
    length = 0;
    cursor = 0;
    failed = false;
}
