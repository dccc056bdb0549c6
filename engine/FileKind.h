// FileKind.h - which files a run processes, and as which kind.
#ifndef QUORVEL_ENGINE_FILEKIND_H
#define QUORVEL_ENGINE_FILEKIND_H

#include <cstdint>

// One row: an extension with its leading dot, in upper case, and 1 for a
// binary kind (the file keeps its length) or 0 for a text kind (the file may
// grow or shrink). The wizard's engine and the expert run share the rows.
struct FileKindEntry {
    const char* extension;
    int32_t binary;
};

// ".EXE", ".DLL" (binary), ".INI", ".CFG", ".HTM" (text), in this order,
// ended by a row whose extension is none.
extern const FileKindEntry FileKindTable[];

// Finds the kind of a path by the end of its full text, ignoring ASCII case;
// the first matching row wins. Returns 1 and stores the row's binary flag,
// or returns 0 and stores 0 (an empty or null path, or no row matches).
// binaryFlag may be none. Cannot fail.
int FileKindLookup(const char* path, int32_t* binaryFlag);

#endif
