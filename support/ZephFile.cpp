// ZephFile.cpp - file object, hex dump and whole-file operations.
#include "ZephFile.h"

#include "ZephFileReplacer.h"
#include "ZephFolder.h"
#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephStr.h"
#include "ZephSysDir.h"
#include "ZephSysError.h"

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
    failure = ZephFailure{};
}

static void updateAtEnd(ZephFile* file) {
    if (file->position >= file->size)
        file->state |= ZephFileStateAtEnd;
    else
        file->state &= ~ZephFileStateAtEnd;
}

// Takes an opened handle: size from its end, position at the start (or the
// end with OpenAtEnd). Closes it and fails when it cannot seek.
static int adopt(ZephFile* file, int64_t opened, uint32_t mode) {
    int64_t end = 0;
    ZephError error = ZephSysFiles.seek(opened, 0, ZephSysSeekEnd, &end);
    int64_t start = end;
    if (error == ZephErrNone && !(mode & OpenAtEnd))
        error = ZephSysFiles.seek(opened, 0, ZephSysSeekBegin, &start);
    if (error != ZephErrNone) {
        file->failure = ZephFailure{error, ZephSysLastError()};
        ZephSysFiles.close(opened);
        return -1;
    }
    file->handle = opened;
    file->size = end;
    file->position = start;
    file->state = ZephFileStateOpen;
    updateAtEnd(file);
    return 0;
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
    ZephError error = ZephSysFiles.open(path, flags, &opened);
    if (error != ZephErrNone && (mode & OpenCreate))
        error = ZephSysFiles.open(path, flags | ZephSysOpenCreate, &opened);
    if (error != ZephErrNone) {
        failure = ZephFailure{error, ZephSysLastError()};
        return -1;
    }
    return adopt(this, opened, mode);
}

int ZephFile::openIn(int64_t folder, const char* name, uint32_t mode) {
    close();
    if (name == nullptr || (mode & ~(OpenRead | OpenShared)) != 0 || !(mode & OpenRead)) {
        failure = ZephFailure{ZephErrInvalid, 0};
        return -1;
    }
    int64_t opened = ZephSysFileNone;
    ZephError error =
        ZephSysFiles.openIn(folder, name, ZephSysOpenRead | ((mode & OpenShared) ? ZephSysOpenShared : 0u), &opened);
    if (error != ZephErrNone) {
        failure = ZephFailure{error, ZephSysLastError()};
        return -1;
    }
    return adopt(this, opened, mode);
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
        ZephError error = ZephSysFiles.read(handle, destination, count, &done);
        if (error != ZephErrNone || done != count) {
            // Shorter than its size at the open: someone cut it meanwhile.
            failure = error != ZephErrNone ? ZephFailure{error, ZephSysLastError()} : ZephFailure{ZephErrChanged, 0};
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
        ZephError error = count > 0 ? ZephSysFiles.write(handle, source, count, &done) : ZephErrNone;
        if (error != ZephErrNone) {
            failure = ZephFailure{error, ZephSysLastError()};
            result = -1;
        }
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

// Reads the whole of an open file into a new block; none on failure, with
// the file closed either way.
static void* loadOpened(ZephMemManager* manager, ZephFile& file, int32_t* outSize, ZephFailure* failure) {
    // Taking the low 32 bits of a larger size would load a part of the file
    // as if it were the whole.
    void* loaded = nullptr;
    if (file.size > INT32_MAX) {
        file.failure = ZephFailure{ZephErrNoMemory, 0};
    } else {
        auto size = static_cast<int32_t>(file.size);
        loaded = ZephMemAlloc(manager, size, 0, LoadBlockName);
        if (loaded == nullptr) {
            file.failure = ZephFailure{ZephErrNoMemory, 0};
        } else {
            std::memset(loaded, 0, static_cast<size_t>(size));
            if (file.read(loaded, size) != 0) {
                ZephMemFree(loaded);
                loaded = nullptr;
            } else if (outSize != nullptr) {
                *outSize = size;
            }
        }
    }
    if (loaded == nullptr && failure != nullptr)
        *failure = file.failure;
    file.close();
    return loaded;
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
    return loadOpened(manager, file, outSize, nullptr);
}

void* ZephFileLoadIn(ZephMemManager* manager, int64_t folder, const char* name, int32_t* outSize,
                     ZephSysFileIdentity* identity, ZephFailure* failure) {
    if (outSize != nullptr)
        *outSize = 0;
    ZephFile file;
    file.init(manager);
    if (file.openIn(folder, name, OpenShared | OpenRead) != 0) {
        if (failure != nullptr)
            *failure = file.failure;
        return nullptr;
    }
    if (identity != nullptr) {
        ZephError known = ZephSysFiles.identify(file.handle, identity);
        if (known != ZephErrNone) {
            if (failure != nullptr)
                *failure = ZephFailure{known, ZephSysLastError()};
            file.close();
            return nullptr;
        }
    }
    return loadOpened(manager, file, outSize, failure);
}

int ZephFileSave(const char* path, const void* data, int32_t length) {
    if (path == nullptr || data == nullptr || length <= 0)
        return -1;
    // The replacement works inside the folder that holds the name.
    const char* name = ZephPathLastName(path);
    const int32_t size = ZephStrLength(path) + 2;
    auto* folderPath = static_cast<char*>(ZephMemAlloc(&ZephMemManagerGlobal, size, 0, "ZephFileSave folder"));
    if (folderPath == nullptr)
        return -1;
    ZephFolder folder;
    int result = *name == '\0' || ZephPathFolderOf(path, folderPath, size) != 0 ? -1 : folder.open(folderPath, -1);
    ZephMemFree(folderPath);
    if (result != 0)
        return -1;
    ZephFileReplacer replacer;
    replacer.init(&ZephMemManagerGlobal);
    if (replacer.begin(folder.handle, name) != 0 || replacer.write(data, length) != 0 || replacer.commit() != 0)
        return -1;
    return 0;
}
