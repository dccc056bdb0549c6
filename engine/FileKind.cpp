// FileKind.cpp - the file-kind table and its lookup.
#include "FileKind.h"

#include "ZephStr.h"

const FileKindEntry FileKindTable[] = {
    {".EXE", 1}, {".DLL", 1}, {".INI", 0}, {".CFG", 0}, {".HTM", 0}, {nullptr, 0},
};

int FileKindLookup(const char* path, int32_t* binaryFlag) {
    if (binaryFlag != nullptr)
        *binaryFlag = 0;
    // An empty or null text never ends with an extension.
    for (const FileKindEntry* row = FileKindTable; row->extension != nullptr; ++row) {
        if (ZephStrEndsWithNoCase(path, row->extension)) {
            if (binaryFlag != nullptr)
                *binaryFlag = row->binary;
            return 1;
        }
    }
    return 0;
}
