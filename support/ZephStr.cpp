// ZephStr.cpp - null-safe string utilities.
#include "ZephStr.h"

#include "ZephPath.h"

namespace {

bool isTokenSpace(unsigned char c) { return c == 0x20 || (c >= 0x09 && c <= 0x0D); }

int sign(int v) { return (v > 0) - (v < 0); }

template <bool Fold>
int compareBytes(const char* a, const char* b) {
    if (a == nullptr || b == nullptr)
        return (a != nullptr) - (b != nullptr);
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    for (;; ++x, ++y) {
        unsigned char cx = Fold ? ZephStrFold(*x) : *x;
        unsigned char cy = Fold ? ZephStrFold(*y) : *y;
        if (cx != cy)
            return sign(static_cast<int>(cx) - static_cast<int>(cy));
        if (cx == 0)
            return 0;
    }
}

} // namespace

int ZephStrTokenize(const char* text, char* buffer, int bufferSize, char** argv, int argvCapacity) {
    if (text == nullptr || buffer == nullptr || argv == nullptr || *text == 0)
        return 0;
    int count = 0;
    int used = 0; // bytes of buffer written so far
    bool open = false;
    bool quoting = false;
    for (const char* p = text; *p != 0; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (isTokenSpace(c) && !quoting) {
            if (open) {
                if (used >= bufferSize)
                    return -1;
                buffer[used++] = 0;
                open = false;
            }
            continue;
        }
        if (!open) {
            if (count >= argvCapacity)
                return -1;
            argv[count++] = buffer + used;
            open = true;
        }
        if (c == '"') {
            quoting = !quoting;
            continue;
        }
        // Keep room for this argument's terminator.
        if (used + 1 >= bufferSize)
            return -1;
        buffer[used++] = static_cast<char>(c);
    }
    if (open) {
        if (used >= bufferSize)
            return -1;
        buffer[used++] = 0;
    }
    return count;
}

int ZephStrEqual(const char* a, const char* b) {
    if (a == nullptr || b == nullptr)
        return 0;
    return compareBytes<false>(a, b) == 0 ? 1 : 0;
}

int ZephStrEqualNoCase(const char* a, const char* b) {
    if (a == nullptr || b == nullptr)
        return 0;
    return compareBytes<true>(a, b) == 0 ? 1 : 0;
}

int ZephStrCompare(const char* a, const char* b) { return compareBytes<false>(a, b); }

int ZephStrCompareNoCase(const char* a, const char* b) { return compareBytes<true>(a, b); }

int ZephStrStartsWithNoCase(const char* text, const char* prefix, const char** rest) {
    if (rest != nullptr)
        *rest = text;
    if (text == nullptr || prefix == nullptr)
        return 0;
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(prefix);
    for (; *p != 0; ++p, ++t) {
        if (*t == 0 || ZephStrFold(*t) != ZephStrFold(*p))
            return 0;
    }
    if (rest != nullptr)
        *rest = reinterpret_cast<const char*>(t);
    return 1;
}

int ZephStrEndsWithNoCase(const char* text, const char* suffix, const char** position) {
    if (text == nullptr || *text == 0)
        return 0;
    if (suffix == nullptr || *suffix == 0)
        return 1;
    int textLength = ZephStrLength(text);
    int suffixLength = ZephStrLength(suffix);
    if (suffixLength > textLength)
        return 0;
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text) + textLength - suffixLength;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(suffix);
    for (int i = 0; i < suffixLength; ++i) {
        if (ZephStrFold(t[i]) != ZephStrFold(s[i]))
            return 0;
    }
    if (position != nullptr)
        *position = reinterpret_cast<const char*>(t);
    return 1;
}

void ZephStrCopy(char* destination, const char* source, int size) {
    if (destination == nullptr || size < 1)
        return;
    int i = 0;
    if (source != nullptr) {
        for (; i < size - 1 && source[i] != 0; ++i)
            destination[i] = source[i];
    }
    destination[i] = 0;
}

void ZephStrAppend(char* destination, const char* source, int size) {
    if (destination == nullptr)
        return;
    int length = ZephStrLength(destination);
    int room = size - length;
    char* end = destination + length;
    if (source != nullptr) {
        while (room > 1 && *source != 0) {
            *end++ = *source++;
            --room;
        }
    }
    // Only a destination with room for it gets a terminator written.
    if (size > length)
        *end = 0;
}

int ZephStrLength(const char* s) {
    if (s == nullptr)
        return 0;
    const char* p = s;
    while (*p != 0)
        ++p;
    return static_cast<int>(p - s);
}

void ZephStrCopyFileName(const char* path, char* destination, int size) {
    if (destination == nullptr || size < 1)
        return;
    if (path == nullptr) {
        destination[0] = 0;
        return;
    }
    const char* name = path;
    for (const char* p = path; *p != 0; ++p) {
        if (ZephPathIsSeparator(*p))
            name = p + 1;
    }
    ZephStrCopy(destination, name, size);
}

void ZephStrCutLastComponent(char* path) {
    if (path == nullptr || *path == 0)
        return;
    int i = ZephStrLength(path);
    while (i > 0) {
        --i;
        bool separator = path[i] == ZephPathSeparator;
        path[i] = 0;
        if (separator)
            break;
    }
}
