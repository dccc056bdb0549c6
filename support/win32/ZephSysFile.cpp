// win32/ZephSysFile.cpp - files by handle through the wide CreateFileW and
// friends with "\\?\" paths, so that every length Windows allows works, and
// the steps of a safe rewrite inside a folder: reparse points never
// followed (nor, under Wine, names that are links on the host), ReplaceFileW
// to keep what the replaced file has. Windows only.
//
// Map: errors; paths; files by path; the folder, its lock and names inside
// it; metadata, replacing and removing.
#include "ZephSysFile.h"

#include "ZephSysError.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

HANDLE fromHandle(int64_t handle) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)); }
int64_t toHandle(HANDLE handle) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(handle)); }

ZephError fromLastError(DWORD error) {
    ZephSysSetLastError(static_cast<int32_t>(error));
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE: return ZephErrNotFound;
    case ERROR_ACCESS_DENIED: return ZephErrAccess;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_UNABLE_TO_REMOVE_REPLACED: return ZephErrInUse;
    case ERROR_WRITE_PROTECT: return ZephErrReadOnly;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return ZephErrExists;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ZephErrNoSpace;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ZephErrNoMemory;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
    case ERROR_INVALID_HANDLE:
    case ERROR_NEGATIVE_SEEK:
    case ERROR_INVALID_PARAMETER: return ZephErrInvalid;
    case ERROR_BUSY: return ZephErrBusy;
    case ERROR_NOT_SUPPORTED:
    case ERROR_CALL_NOT_IMPLEMENTED: return ZephErrUnsupported;
    default: return ZephErrIo;
    }
}

ZephError lastError() { return fromLastError(GetLastError()); }

// A refusal of the library's own, with no system number behind it.
ZephError refuse(ZephError code) {
    ZephSysSetLastError(0);
    return code;
}

// One ReadFile or WriteFile moves at most this much, whatever the count.
constexpr int64_t MaxTransfer = int64_t{1} << 30;

// Attributes SetFileAttributes accepts, read-only aside: a copy made
// read-only could not be removed again if its commit failed.
constexpr DWORD KeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                 FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;

// text (the ANSI code page) as a new wide string; none when it cannot be
// converted or memory ran out.
wchar_t* widen(const char* text) {
    int count = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (count <= 0)
        return nullptr;
    auto* wide = static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * static_cast<size_t>(count)));
    if (wide != nullptr && MultiByteToWideChar(CP_ACP, 0, text, -1, wide, count) != count) {
        std::free(wide);
        wide = nullptr;
    }
    return wide;
}

// A single name: a path would leave the folder the caller opened.
bool isPlainName(const char* name) {
    return name != nullptr && name[0] != '\0' && std::strpbrk(name, "\\/:") == nullptr && std::strcmp(name, ".") != 0 &&
           std::strcmp(name, "..") != 0;
}

} // namespace

// path as a full wide path in the "\\?\" form, which no MAX_PATH limits: a
// new string the caller frees, or none (the failure recorded). Also used by
// win32/ZephSysDir.cpp.
wchar_t* ZephSysWidePath(const char* path) {
    wchar_t* wide = widen(path);
    if (wide == nullptr) {
        fromLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (std::wcsncmp(wide, L"\\\\?\\", 4) == 0)
        return wide;
    for (wchar_t* c = wide; *c != 0; ++c)
        if (*c == L'/')
            *c = L'\\';
    // The "\\?\" form takes the path as it is: "." and ".." resolved first.
    DWORD needed = GetFullPathNameW(wide, 0, nullptr, nullptr);
    auto* full = needed == 0 ? nullptr : static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * (needed + 8)));
    if (full == nullptr) {
        fromLastError(needed == 0 ? GetLastError() : ERROR_NOT_ENOUGH_MEMORY);
        std::free(wide);
        return nullptr;
    }
    DWORD length = GetFullPathNameW(wide, needed, full + 8, nullptr);
    std::free(wide);
    if (length == 0 || length >= needed) {
        fromLastError(length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
        std::free(full);
        return nullptr;
    }
    wchar_t* rest = full + 8;
    const wchar_t* prefix = L"\\\\?\\";
    if (rest[0] == L'\\' && rest[1] == L'\\') {
        prefix = L"\\\\?\\UNC";
        ++rest; // "\\server\share" becomes "\\?\UNC\server\share"
    }
    size_t prefixLength = std::wcslen(prefix);
    wchar_t* start = rest - prefixLength;
    std::wmemcpy(start, prefix, prefixLength);
    std::wmemmove(full, start, std::wcslen(start) + 1);
    return full;
}

namespace {

// A folder opened by ZephSysFolderOpen: its handle, its lock when taken, its
// full path for the names inside it and its final path, as the system
// resolves it (links on the way included), to tell links under Wine.
struct Folder {
    HANDLE handle;
    HANDLE lock;
    uint64_t volume;
    uint64_t file;
    wchar_t* path;
    wchar_t* finalPath;
};

Folder* folderOf(int64_t folder) { return reinterpret_cast<Folder*>(static_cast<intptr_t>(folder)); }

// folder's path, a backslash and name; none on failure (recorded).
wchar_t* pathIn(int64_t folder, const char* name) {
    const Folder* owner = folderOf(folder);
    wchar_t* wide = widen(name);
    size_t length = std::wcslen(owner->path);
    auto* path = wide == nullptr
                     ? nullptr
                     : static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * (length + std::wcslen(wide) + 2)));
    if (path == nullptr) {
        std::free(wide);
        fromLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::wmemcpy(path, owner->path, length);
    path[length] = L'\\';
    std::wcscpy(path + length + 1, wide);
    std::free(wide);
    return path;
}

// The path the system resolves handle to; none when it cannot tell.
wchar_t* finalPathOf(HANDLE handle) {
    DWORD needed = GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (needed == 0)
        return nullptr;
    auto* path = static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * (needed + 1)));
    if (path != nullptr) {
        DWORD length = GetFinalPathNameByHandleW(handle, path, needed + 1, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0 || length > needed) {
            std::free(path);
            path = nullptr;
        }
    }
    return path;
}

// Wine shows a name that is a symbolic link on the host as the file it
// leads to, with no reparse point; but it resolves the link when it opens
// the file, so the open file's final path is the link's target. A regular
// file's final path is its folder's and its own name. On Windows the two
// always agree, since reparse points are opened as themselves.
bool leadsElsewhere(const Folder* folder, HANDLE file, const char* name) {
    if (folder->finalPath == nullptr)
        return false;
    wchar_t* finalPath = finalPathOf(file);
    wchar_t* wide = widen(name);
    bool elsewhere = false;
    if (finalPath != nullptr && wide != nullptr) {
        size_t length = std::wcslen(folder->finalPath);
        elsewhere = _wcsnicmp(finalPath, folder->finalPath, length) != 0 || finalPath[length] != L'\\' ||
                    _wcsicmp(finalPath + length + 1, wide) != 0;
    }
    std::free(finalPath);
    std::free(wide);
    return elsewhere;
}

void fillIdentity(const BY_HANDLE_FILE_INFORMATION& about, ZephSysFileIdentity* identity) {
    identity->volume = about.dwVolumeSerialNumber;
    identity->file = (static_cast<uint64_t>(about.nFileIndexHigh) << 32) | about.nFileIndexLow;
    identity->size = (static_cast<uint64_t>(about.nFileSizeHigh) << 32) | about.nFileSizeLow;
    identity->written = static_cast<int64_t>((static_cast<uint64_t>(about.ftLastWriteTime.dwHighDateTime) << 32) |
                                             about.ftLastWriteTime.dwLowDateTime);
    identity->changed = 0;
    identity->links = about.nNumberOfLinks;
    identity->owner = 0;
    identity->group = 0;
    identity->mode = about.dwFileAttributes;
}

ZephError identifyHandle(HANDLE handle, ZephSysFileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION about;
    if (!GetFileInformationByHandle(handle, &about))
        return lastError();
    fillIdentity(about, identity);
    FILE_BASIC_INFO basic;
    if (GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic))
        identity->changed = basic.ChangeTime.QuadPart;
    return ZephErrNone;
}

// Folders whose run lock this process holds: a mutex is owned by a thread,
// which may take it again, and a second run on the same folder in this
// process must be refused as one in another process is.
struct HeldLock {
    uint64_t volume;
    uint64_t file;
    bool used;
};
HeldLock heldLocks[32];
SRWLOCK heldLocksGuard = SRWLOCK_INIT;

// Marks the folder's lock as held by this process, or no longer held.
// False when it is held already (or, with 32 held, the table is full).
bool noteHeld(const Folder* folder, bool hold) {
    AcquireSRWLockExclusive(&heldLocksGuard);
    HeldLock* same = nullptr;
    HeldLock* unused = nullptr;
    for (HeldLock& held : heldLocks) {
        if (held.used && held.volume == folder->volume && held.file == folder->file)
            same = &held;
        else if (!held.used && unused == nullptr)
            unused = &held;
    }
    bool done = hold ? same == nullptr && unused != nullptr : same != nullptr;
    if (done && hold)
        *unused = HeldLock{folder->volume, folder->file, true};
    else if (done)
        same->used = false;
    ReleaseSRWLockExclusive(&heldLocksGuard);
    return done;
}

} // namespace

ZephError ZephSysFileOpen(const char* path, uint32_t flags, int64_t* handle) {
    if (path == nullptr || *path == 0)
        return refuse(ZephErrNotFound);
    DWORD access = 0;
    if (flags & ZephSysOpenRead)
        access |= GENERIC_READ;
    if (flags & ZephSysOpenWrite)
        access |= GENERIC_WRITE;
    if (access == 0)
        return refuse(ZephErrInvalid);
    // The sharing of _lopen's OF_SHARE_DENY_NONE and OF_SHARE_EXCLUSIVE.
    DWORD share = (flags & ZephSysOpenShared) ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0;
    DWORD disposition = (flags & ZephSysOpenCreateNew) ? CREATE_NEW
                        : (flags & ZephSysOpenCreate)  ? OPEN_ALWAYS
                                                       : OPEN_EXISTING;
    wchar_t* wide = ZephSysWidePath(path);
    if (wide == nullptr)
        return fromLastError(static_cast<DWORD>(ZephSysLastError()));
    HANDLE file = CreateFileW(wide, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::free(wide);
    if (file == INVALID_HANDLE_VALUE)
        return lastError();
    // Windows refuses write access to a read-only file by itself; Wine run by
    // root does not, so the rule is checked here as well.
    BY_HANDLE_FILE_INFORMATION about;
    if ((flags & ZephSysOpenWrite) && GetFileInformationByHandle(file, &about) &&
        (about.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        CloseHandle(file);
        return refuse(ZephErrReadOnly);
    }
    *handle = toHandle(file);
    return ZephErrNone;
}

ZephError ZephSysFileRead(int64_t handle, void* buffer, int64_t count, int64_t* done) {
    *done = 0;
    auto* into = static_cast<char*>(buffer);
    while (*done < count) {
        int64_t piece = count - *done < MaxTransfer ? count - *done : MaxTransfer;
        DWORD got = 0;
        if (!ReadFile(fromHandle(handle), into + *done, static_cast<DWORD>(piece), &got, nullptr))
            return lastError();
        if (got == 0)
            break;
        *done += got;
    }
    return ZephErrNone;
}

ZephError ZephSysFileWrite(int64_t handle, const void* buffer, int64_t count, int64_t* done) {
    *done = 0;
    const auto* from = static_cast<const char*>(buffer);
    while (*done < count) {
        int64_t piece = count - *done < MaxTransfer ? count - *done : MaxTransfer;
        DWORD put = 0;
        if (!WriteFile(fromHandle(handle), from + *done, static_cast<DWORD>(piece), &put, nullptr))
            return lastError();
        if (put == 0)
            return fromLastError(ERROR_IO_DEVICE);
        *done += put;
    }
    return ZephErrNone;
}

ZephError ZephSysFileSeek(int64_t handle, int64_t offset, ZephSysSeekOrigin origin, int64_t* position) {
    DWORD method = origin == ZephSysSeekBegin ? FILE_BEGIN : origin == ZephSysSeekCurrent ? FILE_CURRENT : FILE_END;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER result;
    if (!SetFilePointerEx(fromHandle(handle), distance, &result, method))
        return lastError();
    *position = result.QuadPart;
    return ZephErrNone;
}

ZephError ZephSysFileTruncate(int64_t handle, int64_t size) {
    // SetEndOfFile cuts at the file pointer; put the pointer back afterwards,
    // as ftruncate leaves it alone.
    HANDLE file = fromHandle(handle);
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER saved;
    if (!SetFilePointerEx(file, zero, &saved, FILE_CURRENT))
        return lastError();
    LARGE_INTEGER target;
    target.QuadPart = size;
    if (!SetFilePointerEx(file, target, nullptr, FILE_BEGIN))
        return lastError();
    ZephError error = SetEndOfFile(file) ? ZephErrNone : lastError();
    SetFilePointerEx(file, saved, nullptr, FILE_BEGIN);
    return error;
}

ZephError ZephSysFileFlush(int64_t handle) { return FlushFileBuffers(fromHandle(handle)) ? ZephErrNone : lastError(); }

namespace {

// The handles one flushAll hands to its threads, taken in turn.
struct FlushGroup {
    const int64_t* handles;
    LONG count;
    volatile LONG next;
    DWORD errors[64];
};

DWORD WINAPI flushSome(void* context) {
    auto* group = static_cast<FlushGroup*>(context);
    for (LONG i = InterlockedIncrement(&group->next) - 1; i < group->count; i = InterlockedIncrement(&group->next) - 1)
        group->errors[i] = FlushFileBuffers(fromHandle(group->handles[i])) ? 0 : GetLastError();
    return 0;
}

} // namespace

ZephError ZephSysFileFlushAll(const int64_t* handles, int32_t count, int32_t* failed) {
    *failed = -1;
    // Flushes that wait together let the file system and the disk serve
    // them with fewer commits than one after the other.
    constexpr int32_t Group = 64;
    constexpr int32_t Helpers = 7;
    for (int32_t start = 0; start < count; start += Group) {
        FlushGroup group{handles + start, count - start < Group ? count - start : Group, 0, {}};
        HANDLE helpers[Helpers];
        int32_t started = 0;
        for (; started < Helpers && started < group.count - 1; ++started) {
            helpers[started] =
                CreateThread(nullptr, 64 * 1024, flushSome, &group, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
            if (helpers[started] == nullptr)
                break; // no thread to spare: this one does the rest
        }
        flushSome(&group);
        if (started > 0)
            WaitForMultipleObjects(static_cast<DWORD>(started), helpers, TRUE, INFINITE);
        for (int32_t i = 0; i < started; ++i)
            CloseHandle(helpers[i]);
        for (LONG i = 0; i < group.count; ++i) {
            if (group.errors[i] != 0) {
                *failed = start + i;
                return fromLastError(group.errors[i]);
            }
        }
    }
    return ZephErrNone;
}

// No such hint: FlushFileBuffers does the writing when asked.
ZephError ZephSysFileStartWriteback(int64_t) { return ZephErrNone; }

// No such hint without an open handle and a buffer to read into; the cache
// manager reads ahead on its own once a file is read in order.
ZephError ZephSysFilePrefetchIn(int64_t, const char*, int64_t, bool* started) {
    if (started != nullptr)
        *started = false;
    return ZephErrNone;
}

ZephError ZephSysFileClose(int64_t handle) { return CloseHandle(fromHandle(handle)) ? ZephErrNone : lastError(); }

ZephError ZephSysFileQuery(const char* path, ZephSysFileInfo* info) {
    if (path == nullptr || *path == 0)
        return refuse(ZephErrNotFound);
    wchar_t* wide = ZephSysWidePath(path);
    if (wide == nullptr)
        return fromLastError(static_cast<DWORD>(ZephSysLastError()));
    WIN32_FILE_ATTRIBUTE_DATA data;
    BOOL found = GetFileAttributesExW(wide, GetFileExInfoStandard, &data);
    std::free(wide);
    if (!found)
        return lastError();
    info->isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info->isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    info->size = info->isDirectory ? 0 : (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info->permissions = data.dwFileAttributes;
    return ZephErrNone;
}

ZephError ZephSysFolderOpen(const char* path, int64_t* folder) {
    if (path == nullptr || *path == 0)
        return refuse(ZephErrNotFound);
    wchar_t* wide = ZephSysWidePath(path);
    if (wide == nullptr)
        return fromLastError(static_cast<DWORD>(ZephSysLastError()));
    // A drive's root keeps its backslash in the path of the folder itself;
    // names are joined to the path without one.
    size_t length = std::wcslen(wide);
    HANDLE handle = CreateFileW(wide, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION about;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &about)) {
        ZephError error = lastError();
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        std::free(wide);
        return error;
    }
    if ((about.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        CloseHandle(handle);
        std::free(wide);
        return refuse(ZephErrInvalid);
    }
    auto* record = static_cast<Folder*>(std::malloc(sizeof(Folder)));
    if (record == nullptr) {
        CloseHandle(handle);
        std::free(wide);
        return fromLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    while (length > 0 && wide[length - 1] == L'\\')
        wide[--length] = 0;
    record->handle = handle;
    record->lock = nullptr;
    record->volume = about.dwVolumeSerialNumber;
    record->file = (static_cast<uint64_t>(about.nFileIndexHigh) << 32) | about.nFileIndexLow;
    record->path = wide;
    record->finalPath = finalPathOf(handle);
    if (record->finalPath != nullptr) {
        size_t finalLength = std::wcslen(record->finalPath);
        while (finalLength > 0 && record->finalPath[finalLength - 1] == L'\\')
            record->finalPath[--finalLength] = 0;
    }
    *folder = static_cast<int64_t>(reinterpret_cast<intptr_t>(record));
    return ZephErrNone;
}

void ZephSysFolderClose(int64_t folder) {
    Folder* record = folderOf(folder);
    if (folder == ZephSysFileNone || record == nullptr)
        return;
    if (record->lock != nullptr) {
        noteHeld(record, false);
        ReleaseMutex(record->lock);
        CloseHandle(record->lock);
    }
    CloseHandle(record->handle);
    std::free(record->path);
    std::free(record->finalPath);
    std::free(record);
}

ZephError ZephSysFolderLock(int64_t folder) {
    Folder* record = folderOf(folder);
    if (record->lock != nullptr)
        return ZephErrNone;
    // Named after the folder's identity, not its path: every path to it
    // (short names, letter case, links) meets the same lock.
    wchar_t name[64];
    std::swprintf(name, sizeof name / sizeof name[0], L"Quorvel.folder.%08llx.%016llx",
                  static_cast<unsigned long long>(record->volume), static_cast<unsigned long long>(record->file));
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
    if (mutex == nullptr)
        return lastError();
    // An abandoned mutex is one whose run ended without letting go (killed):
    // the lock is free.
    DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(mutex);
        ZephSysSetLastError(ERROR_BUSY);
        return ZephErrBusy;
    }
    if (!noteHeld(record, true)) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        ZephSysSetLastError(ERROR_BUSY);
        return ZephErrBusy;
    }
    record->lock = mutex;
    return ZephErrNone;
}

ZephError ZephSysFileOpenIn(int64_t folder, const char* name, uint32_t flags, int64_t* handle) {
    if (!isPlainName(name))
        return refuse(ZephErrInvalid);
    DWORD access = 0;
    if (flags & ZephSysOpenRead)
        access |= GENERIC_READ;
    if (flags & ZephSysOpenWrite)
        access |= GENERIC_WRITE;
    if (access == 0 || (flags & ZephSysOpenCreate))
        return refuse(ZephErrInvalid);
    wchar_t* path = pathIn(folder, name);
    if (path == nullptr)
        return fromLastError(static_cast<DWORD>(ZephSysLastError()));
    const bool createNew = (flags & ZephSysOpenCreateNew) != 0;
    // A new file is opened alone, so that removeUnusedIn sees it in use.
    DWORD share = createNew ? 0 : (flags & ZephSysOpenShared) ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0;
    HANDLE file = CreateFileW(path, access, share, nullptr, createNew ? CREATE_NEW : OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        // A directory is refused with "access denied"; it is no file at all.
        DWORD attributes = error == ERROR_ACCESS_DENIED ? GetFileAttributesW(path) : INVALID_FILE_ATTRIBUTES;
        std::free(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return refuse(ZephErrNotRegular);
        return fromLastError(error);
    }
    std::free(path);
    if (createNew) {
        *handle = toHandle(file);
        return ZephErrNone;
    }
    ZephError refused = ZephErrNone;
    BY_HANDLE_FILE_INFORMATION about;
    if (!GetFileInformationByHandle(file, &about))
        refused = lastError();
    else if (about.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        refused = refuse(ZephErrLink);
    else if ((about.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || GetFileType(file) != FILE_TYPE_DISK)
        refused = refuse(ZephErrNotRegular);
    else if (leadsElsewhere(folderOf(folder), file, name))
        refused = refuse(ZephErrLink);
    else if ((flags & ZephSysOpenWrite) && (about.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
        refused = refuse(ZephErrReadOnly);
    if (refused != ZephErrNone) {
        CloseHandle(file);
        return refused;
    }
    *handle = toHandle(file);
    return ZephErrNone;
}

ZephError ZephSysFileIdentify(int64_t handle, ZephSysFileIdentity* identity) {
    return identifyHandle(fromHandle(handle), identity);
}

ZephError ZephSysFileIdentifyIn(int64_t folder, const char* name, ZephSysFileIdentity* identity) {
    if (!isPlainName(name))
        return refuse(ZephErrInvalid);
    wchar_t* path = pathIn(folder, name);
    if (path == nullptr)
        return fromLastError(static_cast<DWORD>(ZephSysLastError()));
    // Attributes only: no sharing mode of another opener is in the way.
    HANDLE file =
        CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    std::free(path);
    if (file == INVALID_HANDLE_VALUE)
        return lastError();
    ZephError result = identifyHandle(file, identity);
    CloseHandle(file);
    return result;
}

ZephError ZephSysFileKeepMetadata(int64_t source, int64_t target) {
    if (source == ZephSysFileNone)
        return ZephErrNone;
    BY_HANDLE_FILE_INFORMATION about;
    if (!GetFileInformationByHandle(fromHandle(source), &about))
        return lastError();
    FILE_BASIC_INFO basic{}; // times of 0 stay as they are
    basic.FileAttributes = about.dwFileAttributes & KeptAttributes;
    if (basic.FileAttributes == 0)
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(fromHandle(target), FileBasicInfo, &basic, sizeof basic) ? ZephErrNone
                                                                                               : lastError();
}

ZephError ZephSysFileReplaceIn(int64_t folder, const char* from, const char* to) {
    if (!isPlainName(from) || !isPlainName(to))
        return refuse(ZephErrInvalid);
    wchar_t* fromPath = pathIn(folder, from);
    wchar_t* toPath = fromPath == nullptr ? nullptr : pathIn(folder, to);
    if (toPath == nullptr) {
        std::free(fromPath);
        return fromLastError(static_cast<DWORD>(ZephSysLastError()));
    }
    BOOL done;
    if (GetFileAttributesW(toPath) != INVALID_FILE_ATTRIBUTES)
        done = ReplaceFileW(toPath, fromPath, nullptr, 0, nullptr, nullptr);
    else
        done = MoveFileExW(fromPath, toPath, MOVEFILE_WRITE_THROUGH);
    ZephError result = done ? ZephErrNone : lastError();
    std::free(fromPath);
    std::free(toPath);
    return result;
}

ZephError ZephSysFileRemoveIn(int64_t folder, const char* name) {
    if (!isPlainName(name))
        return refuse(ZephErrInvalid);
    wchar_t* path = pathIn(folder, name);
    if (path == nullptr)
        return fromLastError(static_cast<DWORD>(ZephSysLastError()));
    ZephError result = DeleteFileW(path) ? ZephErrNone : lastError();
    std::free(path);
    return result;
}

ZephError ZephSysFileRemoveUnusedIn(int64_t folder, const char* name) {
    if (!isPlainName(name))
        return refuse(ZephErrInvalid);
    wchar_t* path = pathIn(folder, name);
    if (path == nullptr)
        return fromLastError(static_cast<DWORD>(ZephSysLastError()));
    // Alone: a file its writer holds open is a sharing violation.
    HANDLE file = CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    std::free(path);
    if (file == INVALID_HANDLE_VALUE)
        return lastError();
    ZephError result = ZephErrNone;
    BY_HANDLE_FILE_INFORMATION about;
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!GetFileInformationByHandle(file, &about))
        result = lastError();
    else if (about.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))
        result = refuse(ZephErrNotRegular);
    else if (!SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition))
        result = lastError();
    CloseHandle(file);
    return result;
}

// The write-through replace and ReplaceFileW leave nothing to sync.
ZephError ZephSysFolderFlush(int64_t) { return ZephErrNone; }

ZephError ZephSysFolderIdentify(int64_t folder, ZephSysFileIdentity* identity) {
    if (folder == ZephSysFileNone)
        return refuse(ZephErrInvalid);
    return identifyHandle(folderOf(folder)->handle, identity);
}

ZephError ZephSysFolderFreeSpace(int64_t folder, uint64_t* bytes) {
    if (folder == ZephSysFileNone)
        return refuse(ZephErrInvalid);
    // The folder's own path, with the backslash the call wants at its end.
    const wchar_t* path = folderOf(folder)->path;
    size_t length = std::wcslen(path);
    auto* slashed = static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * (length + 2)));
    if (slashed == nullptr)
        return fromLastError(ERROR_NOT_ENOUGH_MEMORY);
    std::wmemcpy(slashed, path, length);
    slashed[length] = L'\\';
    slashed[length + 1] = 0;
    ULARGE_INTEGER available;
    BOOL done = GetDiskFreeSpaceExW(slashed, &available, nullptr, nullptr);
    ZephError result = done ? ZephErrNone : lastError();
    std::free(slashed);
    if (done)
        *bytes = available.QuadPart;
    return result;
}

ZephError ZephSysFolderMake(const char* path) {
    if (path == nullptr || *path == 0)
        return refuse(ZephErrNotFound);
    wchar_t* wide = ZephSysWidePath(path);
    if (wide == nullptr)
        return fromLastError(static_cast<DWORD>(ZephSysLastError()));
    ZephError result = CreateDirectoryW(wide, nullptr) ? ZephErrNone : lastError();
    std::free(wide);
    return result;
}
