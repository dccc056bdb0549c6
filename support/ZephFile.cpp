// ZephFile.cpp - file object, hex dump and whole-file operations.
#include "ZephFile.h"

#include "ZephFileReplacer.h"
#include "ZephMem.h"
#include "ZephSysDir.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* MemoryBlockName = "ZephFile memory buffer";
constexpr const char* LoadBlockName = "_ZEPHFILE buffer";

// One hex dump line: prefix, offset (up to 20 characters for a negative
// 64-bit number), " : ", the hex groups, "    [", the text, "]".
constexpr int HexLineSize = 512;
static_assert(ZephFileHexDumpMaxPrefix + 20 + 3 + 3 * ZephFileHexDumpMaxBytesPerLine + 5 +
                      ZephFileHexDumpMaxBytesPerLine + 1 + 1 <=
                  HexLineSize,
              "a hex dump line must fit its work area");

} // namespace

void ZephFile::init(ZephMemManager* newManager) {
    close();
    manager = newManager;
    handle = ZephSysFileNone;
    state = 0;
    size = 0;
    position = 0;
    block = nullptr;
    blockCapacity = 0;
    growthStep = 4096;
}

static void updateAtEnd(ZephFile* file) {
    if (file->position >= file->size)
        file->state |= ZephFileStateAtEnd;
    else
        file->state &= ~ZephFileStateAtEnd;
}

int ZephFile::open(const char* path, uint32_t mode) {
    close();
    if (mode & OpenMemory) {
        state = ZephFileStateMemory | ZephFileStateOpen;
        updateAtEnd(this);
        return 0;
    }
    if (path == nullptr)
        return -1;
    uint32_t flags = 0;
    if (mode & OpenRead)
        flags |= ZephSysOpenRead;
    if (mode & OpenWrite)
        flags |= ZephSysOpenWrite;
    if (flags == 0)
        return -1;
    if (mode & OpenShared)
        flags |= ZephSysOpenShared;
    if ((mode & OpenTruncate) && ZephFileExists(path) && ZephFileTruncate(path) != 0)
        return -1;
    int64_t opened = ZephSysFileNone;
    if (ZephSysFiles.open(path, flags, &opened) != ZephErrNone) {
        if (!(mode & OpenCreate) || ZephSysFiles.open(path, flags | ZephSysOpenCreate, &opened) != ZephErrNone)
            return -1;
    }
    int64_t end = 0;
    if (ZephSysFiles.seek(opened, 0, ZephSysSeekEnd, &end) != ZephErrNone) {
        ZephSysFiles.close(opened);
        return -1;
    }
    int64_t start = end;
    if (!(mode & OpenAtEnd) && ZephSysFiles.seek(opened, 0, ZephSysSeekBegin, &start) != ZephErrNone) {
        ZephSysFiles.close(opened);
        return -1;
    }
    handle = opened;
    size = end;
    position = start;
    state = ZephFileStateOpen;
    updateAtEnd(this);
    return 0;
}

int ZephFile::read(void* destination, int64_t count) {
    if (destination == nullptr || !isOpen() || count < 0)
        return -1;
    if (isMemory()) {
        int64_t copied = 0;
        if (block != nullptr && position < blockCapacity)
            copied = count <= blockCapacity - position ? count : blockCapacity - position;
        if (copied > 0)
            std::memcpy(destination, block + position, static_cast<size_t>(copied));
        position += copied;
    } else {
        int64_t done = 0;
        if (ZephSysFiles.read(handle, destination, count, &done) != ZephErrNone || done != count) {
            // The platform's position moved by what was read; put it back so
            // that it keeps matching ours.
            if (done != 0) {
                int64_t back = 0;
                ZephSysFiles.seek(handle, position, ZephSysSeekBegin, &back);
            }
            return -1;
        }
        position += count;
    }
    updateAtEnd(this);
    return 0;
}

int ZephFile::write(const void* source, int64_t count) {
    if (source == nullptr || !isOpen())
        return -1;
    if (count < 0)
        count = 0;
    int result = 0;
    if (isMemory()) {
        int64_t end = position + count;
        if (end > blockCapacity) {
            // Whole growth steps past the old capacity, at least one.
            int64_t step = growthStep < 1 ? 1 : growthStep;
            int64_t steps = (end - blockCapacity + step - 1) / step;
            int64_t grown = blockCapacity + steps * step;
            if (grown > INT32_MAX || setMemoryCapacity(static_cast<int32_t>(grown)) != 0)
                return -1;
        }
        if (count > 0)
            std::memcpy(block + position, source, static_cast<size_t>(count));
        position = end;
    } else {
        int64_t done = 0;
        if (count > 0 && ZephSysFiles.write(handle, source, count, &done) != ZephErrNone)
            result = -1;
        // A short write is a failure: the caller's data did not all arrive.
        // The position still follows the bytes that did.
        position += done;
    }
    if (position > size)
        size = position;
    updateAtEnd(this);
    return result;
}

int ZephFile::writeLine(const char* text) {
    if (text == nullptr)
        return -1;
    if (write(text, static_cast<int64_t>(std::strlen(text))) != 0)
        return -1;
    return write("\r\n", 2);
}

int ZephFile::seekFromEnd(int64_t offset) {
    if (!isOpen())
        return -1;
    if (isMemory()) {
        position = size + offset;
        if (position < 0)
            position = 0;
    } else {
        int64_t result = 0;
        if (ZephSysFiles.seek(handle, offset, ZephSysSeekEnd, &result) != ZephErrNone)
            return -1;
        position = result;
    }
    updateAtEnd(this);
    return 0;
}

void ZephFile::close() {
    if (blockCapacity != 0)
        ZephMemFree(block);
    if (handle != ZephSysFileNone)
        ZephSysFiles.close(handle);
    handle = ZephSysFileNone;
    state = 0;
    size = 0;
    position = 0;
    block = nullptr;
    blockCapacity = 0;
}

int ZephFile::setMemoryCapacity(int32_t n) {
    if (n < 0)
        return -1;
    if (n == blockCapacity)
        return 0;
    if (n == 0) {
        ZephMemFree(block);
        block = nullptr;
        blockCapacity = 0;
        return 0;
    }
    auto* grown = static_cast<char*>(ZephMemAlloc(manager, n, 0, MemoryBlockName));
    if (grown == nullptr)
        return -1;
    std::memset(grown, 0, static_cast<size_t>(n));
    if (block != nullptr) {
        std::memcpy(grown, block, static_cast<size_t>(blockCapacity < n ? blockCapacity : n));
        ZephMemFree(block);
    }
    block = grown;
    blockCapacity = n;
    return 0;
}

int ZephFile::hexDump(const char* prefix, const void* data, int32_t length, int32_t baseOffset, int32_t bytesPerLine,
                      bool showText) {
    if (bytesPerLine < 1)
        bytesPerLine = 1;
    if (bytesPerLine > ZephFileHexDumpMaxBytesPerLine)
        bytesPerLine = ZephFileHexDumpMaxBytesPerLine;
    if (length <= 0)
        return 0;
    if (data == nullptr)
        return -1;
    if (prefix == nullptr)
        prefix = "";
    const auto* bytes = static_cast<const unsigned char*>(data);
    char hex[3 * ZephFileHexDumpMaxBytesPerLine + 1];
    char text[ZephFileHexDumpMaxBytesPerLine + 1];
    char line[HexLineSize];
    int32_t inLine = 0;
    for (int32_t i = 0; i < length; ++i) {
        unsigned char byte = bytes[i];
        std::snprintf(hex + 3 * inLine, 4, "%2.2x ", byte);
        // isprint of the "C" locale, which the program never leaves, written
        // out so both platforms' libraries give the same text.
        text[inLine] = (byte >= 0x20 && byte < 0x7f) ? static_cast<char>(byte) : '.';
        ++inLine;
        bool last = i + 1 == length;
        if (inLine < bytesPerLine && !last)
            continue;
        if (inLine < bytesPerLine && showText) {
            std::memset(hex + 3 * inLine, ' ', static_cast<size_t>(3 * (bytesPerLine - inLine)));
            hex[3 * bytesPerLine] = 0;
        }
        text[inLine] = 0;
        int64_t offset = static_cast<int64_t>(baseOffset) + (i + 1 - inLine);
        int n =
            std::snprintf(line, sizeof line, "%.*s%8.8" PRId64 " : %s", ZephFileHexDumpMaxPrefix, prefix, offset, hex);
        if (showText)
            std::snprintf(line + n, sizeof line - static_cast<size_t>(n), "    [%s]", text);
        if (writeLine(line) != 0)
            return -1;
        inLine = 0;
    }
    return 0;
}

bool ZephFileExists(const char* path) {
    if (path == nullptr)
        return false;
    ZephSysFindData found;
    int64_t search = 0;
    if (ZephSysDirs.findFirst(path, &found, &search) != ZephErrNone)
        return false;
    bool isDirectory = (found.attributes & ZephSysAttrDirectory) != 0;
    bool another = ZephSysDirs.findNext(search, &found) == ZephErrNone;
    ZephSysDirs.findClose(search);
    return !another && !isDirectory;
}

int ZephFileTruncate(const char* path) {
    if (path == nullptr || !ZephFileExists(path))
        return -1;
    int64_t file = ZephSysFileNone;
    if (ZephSysFiles.open(path, ZephSysOpenWrite | ZephSysOpenShared, &file) != ZephErrNone)
        return -1;
    ZephError error = ZephSysFiles.truncate(file, 0);
    ZephSysFiles.close(file);
    return error == ZephErrNone ? 0 : -1;
}

int ZephFileAppendLine(const char* path, const char* text) {
    if (path == nullptr || text == nullptr)
        return -1;
    ZephFile file;
    file.init(&ZephMemManagerGlobal);
    if (file.open(path, OpenAtEnd | OpenWrite | OpenCreate) != 0)
        return -1;
    int result = file.writeLine(text);
    file.close();
    return result;
}

int ZephFileAppendHexDump(const char* path, const char* prefix, const void* data, int32_t length, int32_t baseOffset,
                          int32_t bytesPerLine, bool showText) {
    ZephFile file;
    file.init(&ZephMemManagerGlobal);
    if (file.open(path, OpenWrite | OpenCreate) != 0)
        return -1;
    if (file.seekFromEnd(0) != 0) {
        file.close();
        return -1;
    }
    // A dump that could not be written completely is a failure too.
    int result = file.hexDump(prefix, data, length, baseOffset, bytesPerLine, showText);
    file.close();
    return result;
}

void* ZephFileLoad(ZephMemManager* manager, const char* path, int32_t* outSize) {
    if (outSize != nullptr)
        *outSize = 0;
    if (path == nullptr)
        return nullptr;
    ZephFile file;
    file.init(manager);
    if (file.open(path, OpenShared | OpenRead) != 0)
        return nullptr;
    // Taking the low 32 bits of a larger size would load a part of the file
    // as if it were the whole.
    if (file.size > INT32_MAX) {
        file.close();
        return nullptr;
    }
    auto size = static_cast<int32_t>(file.size);
    void* loaded = ZephMemAlloc(manager, size, 0, LoadBlockName);
    if (loaded == nullptr) {
        file.close();
        return nullptr;
    }
    std::memset(loaded, 0, static_cast<size_t>(size));
    if (file.read(loaded, size) != 0) {
        ZephMemFree(loaded);
        file.close();
        return nullptr;
    }
    file.close();
    if (outSize != nullptr)
        *outSize = size;
    return loaded;
}

int ZephFileSave(const char* path, const void* data, int32_t length) {
    if (path == nullptr || data == nullptr || length <= 0)
        return -1;
    ZephFileReplacer replacer;
    replacer.init(&ZephMemManagerGlobal);
    if (replacer.begin(path) != 0 || replacer.write(data, length) != 0 || replacer.commit() != 0)
        return -1;
    return 0;
}
