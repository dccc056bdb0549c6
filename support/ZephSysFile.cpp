// ZephSysFile.cpp - the file-layer table, filled with the platform's calls.
#include "ZephSysFile.h"

// Both tables are constant-initialised from the platform functions, so they
// are valid before any static constructor could open a file.
const ZephSysFileTable ZephSysFilesDefault = {
    ZephSysFileOpen,           ZephSysFileRead,    ZephSysFileWrite,  ZephSysFileSeek,
    ZephSysFileTruncate,       ZephSysFileFlush,   ZephSysFileClose,  ZephSysFileQuery,
    ZephSysFileSetPermissions, ZephSysFileReplace, ZephSysFileRemove, ZephSysFileFlushDirectoryOf,
    ZephSysFileStartWriteback, ZephSysFilePrefetch};
ZephSysFileTable ZephSysFiles = {ZephSysFileOpen,           ZephSysFileRead,     ZephSysFileWrite,
                                 ZephSysFileSeek,           ZephSysFileTruncate, ZephSysFileFlush,
                                 ZephSysFileClose,          ZephSysFileQuery,    ZephSysFileSetPermissions,
                                 ZephSysFileReplace,        ZephSysFileRemove,   ZephSysFileFlushDirectoryOf,
                                 ZephSysFileStartWriteback, ZephSysFilePrefetch};
