// RunJournal.cpp - the records' folder of an install folder.
#include "RunJournal.h"

#include "RunRecord.h"
#include "ZephDirList.h"
#include "ZephFile.h"
#include "ZephFolder.h"
#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephStr.h"
#include "ZephSysError.h"
#include "ZephSysFile.h"
#include "ZephSysUser.h"

#include <cstdio>
#include <cstring>

namespace {

// Natively in lower case, as the other programs' state folders; on Windows
// as the program is named.
constexpr const char* JournalFolderName = ZephPathSeparator == '/' ? "quorvel" : "Quorvel";
constexpr const char* RecordSuffix = ".qvj";
constexpr int32_t MaxListed = 4 * RunJournalKeep;

char rootOverride[RunJournalPathSize] = {};

// The id of a record's file name, or 0 for any other name.
uint32_t idOf(const char* name) {
    if (ZephStrLength(name) != 12 || std::strcmp(name + 8, RecordSuffix) != 0)
        return 0;
    uint32_t id = 0;
    for (int i = 0; i < 8; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        id = id * 10 + static_cast<uint32_t>(name[i] - '0');
    }
    return id;
}

// The folder at path, for calls on its names (no run lock).
int openPlain(ZephFolder* folder, const char* path, ZephFailure* failure) {
    if (folder->open(path, -1) != 0) {
        *failure = folder->failure;
        return -1;
    }
    return 0;
}

// Writes bytes at the handle's position, waits for them to reach the disk
// and closes the handle, whatever happened; the first failure goes to
// failure.
ZephError writeDurablyAndClose(int64_t handle, const char* bytes, int32_t length, ZephFailure* failure) {
    int64_t done = 0;
    ZephError result = ZephSysFiles.write(handle, bytes, length, &done);
    if (result == ZephErrNone)
        result = ZephSysFiles.flush(handle);
    if (result != ZephErrNone)
        *failure = ZephFailure{result, ZephSysLastError()};
    const ZephError closed = ZephSysFiles.close(handle);
    if (result == ZephErrNone && closed != ZephErrNone) {
        result = closed;
        *failure = ZephFailure{closed, ZephSysLastError()};
    }
    return result;
}

} // namespace

void RunJournalSetRoot(const char* root) { ZephStrCopy(rootOverride, root, sizeof rootOverride); }

int RunJournalRoot(char* area, int32_t size) {
    if (area == nullptr || size < 1)
        return -1;
    area[0] = '\0';
    if (rootOverride[0] != '\0') {
        if (ZephStrLength(rootOverride) >= size)
            return -1;
        ZephStrCopy(area, rootOverride, size);
        return 0;
    }
    if (ZephSysUserStateFolder(area, size) != 0)
        return -1;
    if (ZephStrLength(area) + 1 + ZephStrLength(JournalFolderName) >= size) {
        area[0] = '\0';
        return -1;
    }
    ZephStrAppend(area, ZephPathSeparatorText, size);
    ZephStrAppend(area, JournalFolderName, size);
    return 0;
}

int RunJournal::open(ZephMemManager* newManager, const ZephFolder& install) {
    manager = newManager;
    path[0] = '\0';
    failure = ZephFailure{};
    ZephSysFileIdentity identity{};
    ZephError known = ZephSysFiles.identifyFolder(install.handle, &identity);
    if (known != ZephErrNone) {
        failure = ZephFailure{known, ZephSysLastError()};
        return -1;
    }
    char root[RunJournalPathSize];
    if (RunJournalRoot(root, sizeof root) != 0) {
        failure = ZephFailure{ZephErrNotFound, 0};
        return -1;
    }
    const int written = std::snprintf(path, sizeof path, "%s%s%016llx-%016llx", root, ZephPathSeparatorText,
                                      static_cast<unsigned long long>(identity.volume),
                                      static_cast<unsigned long long>(identity.file));
    if (written < 0 || written >= static_cast<int>(sizeof path)) {
        path[0] = '\0';
        failure = ZephFailure{ZephErrInvalid, 0};
        return -1;
    }
    volume = identity.volume;
    file = identity.file;
    return 0;
}

int RunJournal::fileName(uint32_t id, char* name, int32_t size) const {
    const int written = std::snprintf(name, static_cast<size_t>(size), "%08lu%s", static_cast<unsigned long>(id),
                                      RecordSuffix);
    return written > 0 && written < size && id > 0 && id <= 99999999 ? 0 : -1;
}

int RunJournal::list(uint32_t* ids, int32_t capacity, int32_t* count) {
    *count = 0;
    if (path[0] == '\0')
        return -1;
    char pattern[RunJournalPathSize + 16];
    std::snprintf(pattern, sizeof pattern, "%s%s*.*", path, ZephPathSeparatorText);
    ZephDirList* names = ZephDirList::create(manager, pattern, ZephDirNoCase);
    if (names == nullptr) {
        if (!ZephPathExists(path))
            return 0; // no run has written here yet
        failure = ZephFailure{ZephErrIo, 0};
        return -1;
    }
    // Names of 8 digits come in id order: the newest capacity of them stay.
    for (ZephDirEntry* entry = names->first; entry != nullptr; entry = entry->next) {
        const uint32_t id = idOf(entry->name);
        if (id == 0 || (entry->attributes & ZephAttrDirectory) != 0)
            continue;
        if (*count == capacity) {
            std::memmove(ids, ids + 1, sizeof(uint32_t) * static_cast<size_t>(capacity - 1));
            --*count;
        }
        if (capacity > 0)
            ids[(*count)++] = id;
    }
    ZephDirList::destroy(&names);
    return 0;
}

int RunJournal::nextId(uint32_t* id) {
    uint32_t ids[1];
    int32_t count = 0;
    if (list(ids, 1, &count) != 0)
        return -1;
    *id = count == 0 ? 1 : ids[0] + 1;
    return 0;
}

int RunJournal::load(uint32_t id, RunRecord* record) {
    char name[16];
    ZephFolder folder;
    if (fileName(id, name, sizeof name) != 0 || openPlain(&folder, path, &failure) != 0)
        return -1;
    int32_t size = 0;
    ZephFailure cause;
    void* bytes = ZephFileLoadIn(manager, folder.handle, name, &size, nullptr, &cause);
    if (bytes == nullptr) {
        failure = cause;
        return -1;
    }
    record->text.reset();
    int result = size > 0 ? record->text.append(bytes, size) : 0;
    ZephMemFree(bytes);
    if (result != 0 || record->parse() != 0) {
        failure = ZephFailure{ZephErrNoMemory, 0};
        return -1;
    }
    return 0;
}

int RunJournal::makeFolders() {
    // From the journal's own folder up to the first that exists, then down.
    char made[RunJournalPathSize];
    ZephStrCopy(made, path, sizeof made);
    int32_t depth = 0;
    for (;;) {
        ZephError result = ZephSysFiles.makeFolder(made);
        if (result == ZephErrNone || result == ZephErrExists)
            break;
        char* cut = std::strrchr(made, ZephPathSeparator);
        if (result != ZephErrNotFound || cut == nullptr || cut == made || ++depth > 16) {
            failure = ZephFailure{result, ZephSysLastError()};
            return -1;
        }
        *cut = '\0';
    }
    while (depth-- > 0) {
        made[ZephStrLength(made)] = ZephPathSeparator;
        ZephError result = ZephSysFiles.makeFolder(made);
        if (result != ZephErrNone && result != ZephErrExists) {
            failure = ZephFailure{result, ZephSysLastError()};
            return -1;
        }
    }
    return 0;
}

int RunJournal::create(uint32_t id, const char* bytes, int32_t length) {
    char name[16];
    if (path[0] == '\0' || fileName(id, name, sizeof name) != 0 || makeFolders() != 0)
        return -1;
    ZephFolder folder;
    if (openPlain(&folder, path, &failure) != 0)
        return -1;
    int64_t handle = ZephSysFileNone;
    ZephError result =
        ZephSysFiles.openIn(folder.handle, name, ZephSysOpenRead | ZephSysOpenWrite | ZephSysOpenCreateNew, &handle);
    if (result != ZephErrNone) {
        failure = ZephFailure{result, ZephSysLastError()};
        return -1;
    }
    result = writeDurablyAndClose(handle, bytes, length, &failure);
    // The new name must last as long as the content.
    if (result == ZephErrNone) {
        result = ZephSysFiles.flushFolder(folder.handle);
        if (result != ZephErrNone)
            failure = ZephFailure{result, ZephSysLastError()};
    }
    if (result != ZephErrNone) {
        ZephSysFiles.removeIn(folder.handle, name);
        return -1;
    }
    return 0;
}

int RunJournal::openForWriting(uint32_t id, int64_t* handle) {
    char name[16];
    ZephFolder folder;
    if (fileName(id, name, sizeof name) != 0 || openPlain(&folder, path, &failure) != 0)
        return -1;
    ZephError result = ZephSysFiles.openIn(folder.handle, name, ZephSysOpenWrite, handle);
    if (result != ZephErrNone) {
        failure = ZephFailure{result, ZephSysLastError()};
        return -1;
    }
    return 0;
}

int RunJournal::append(uint32_t id, const char* bytes, int32_t length) {
    int64_t handle = ZephSysFileNone;
    if (openForWriting(id, &handle) != 0)
        return -1;
    int64_t position = 0;
    ZephError result = ZephSysFiles.seek(handle, 0, ZephSysSeekEnd, &position);
    if (result != ZephErrNone) {
        failure = ZephFailure{result, ZephSysLastError()};
        ZephSysFiles.close(handle);
        return -1;
    }
    return writeDurablyAndClose(handle, bytes, length, &failure) == ZephErrNone ? 0 : -1;
}

int RunJournal::cut(uint32_t id, int64_t length) {
    int64_t handle = ZephSysFileNone;
    if (openForWriting(id, &handle) != 0)
        return -1;
    ZephError result = ZephSysFiles.truncate(handle, length);
    if (result == ZephErrNone)
        result = ZephSysFiles.flush(handle);
    if (result != ZephErrNone)
        failure = ZephFailure{result, ZephSysLastError()};
    ZephSysFiles.close(handle);
    return result == ZephErrNone ? 0 : -1;
}

int RunJournal::remove(uint32_t id) {
    char name[16];
    ZephFolder folder;
    if (fileName(id, name, sizeof name) != 0 || openPlain(&folder, path, &failure) != 0)
        return -1;
    ZephError result = ZephSysFiles.removeIn(folder.handle, name);
    if (result != ZephErrNone && result != ZephErrNotFound) {
        failure = ZephFailure{result, ZephSysLastError()};
        return -1;
    }
    return 0;
}

void RunJournal::prune() {
    uint32_t ids[MaxListed];
    int32_t count = 0;
    if (list(ids, MaxListed, &count) != 0)
        return;
    for (int32_t i = 0; i + RunJournalKeep < count; ++i)
        remove(ids[i]);
}
