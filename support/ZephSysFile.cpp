// ZephSysFile.cpp - the file-layer table, filled with the platform's calls,
// and the identity comparisons.
#include "ZephSysFile.h"

// Both tables are constant-initialised from the platform functions, so they
// are valid before any static constructor could open a file.
constexpr ZephSysFileTable ZephSysFilesDefault = {
    ZephSysFileOpen,           ZephSysFileRead,       ZephSysFileWrite,          ZephSysFileSeek,
    ZephSysFileTruncate,       ZephSysFileFlush,      ZephSysFileClose,          ZephSysFileQuery,
    ZephSysFileStartWriteback, ZephSysFolderOpen,     ZephSysFolderClose,        ZephSysFolderLock,
    ZephSysFileOpenIn,         ZephSysFileIdentify,   ZephSysFileIdentifyIn,     ZephSysFileKeepMetadata,
    ZephSysFileReplaceIn,      ZephSysFileRemoveIn,   ZephSysFileRemoveUnusedIn, ZephSysFolderFlush,
    ZephSysFilePrefetchIn,     ZephSysFolderIdentify, ZephSysFolderFreeSpace,    ZephSysFolderMake,
    ZephSysFileFlushAll};
ZephSysFileTable ZephSysFiles = ZephSysFilesDefault;

bool ZephSysSameFile(const ZephSysFileIdentity& before, const ZephSysFileIdentity& now) {
    return before.volume == now.volume && before.file == now.file;
}

bool ZephSysUnchanged(const ZephSysFileIdentity& before, const ZephSysFileIdentity& now) {
    return ZephSysSameFile(before, now) && before.size == now.size && before.written == now.written &&
           before.changed == now.changed;
}
