// InstallFolder.h - which entries of a folder a run works on: the pattern it
// is listed with, the entries passed over, and the kind of the files taken.
// The wizard's job, the expert run and every front end share these rules, so
// that they all see the same files.
#ifndef QUORVEL_ENGINE_INSTALLFOLDER_H
#define QUORVEL_ENGINE_INSTALLFOLDER_H

#include <cstdint>

struct ZephDirEntry;
struct ZephDirList;
struct ZephMemManager;

// One row: an extension with its leading dot, in upper case, and 1 for a
// binary kind (the file keeps its length) or 0 for a text kind (the file may
// grow or shrink).
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

// The wildcard name after the folder and a separator: every name.
inline constexpr char InstallFolderWildcard[] = "*.*";

// Writes the folder's listing pattern, directory + separator + wildcard, to
// area (size bytes) and returns 0. -1 with area holding "" when it does not
// fit: a pattern cut to its area would name another folder, or none.
int InstallFolderPattern(const char* directory, char* area, int32_t size);

// Lists a pattern made by InstallFolderPattern as every run lists it: full
// paths, names in order ignoring ASCII case, from manager. None when the
// folder is missing or unreadable or memory ran out (ZephDirList::create).
ZephDirList* InstallFolderList(ZephMemManager* manager, const char* pattern);
// The same listing begun for reading in slices (ZephDirList::start; the
// caller goes on with ZephDirList::readMore), for a run that keeps a budget.
ZephDirList* InstallFolderStartList(ZephMemManager* manager, const char* pattern);

// True for an entry no run opens: a subdirectory, or a link of any kind.
// Links are never followed, since writing through one could reach outside
// the chosen folder. Such entries still count as looked at.
bool InstallFolderPassesOver(const ZephDirEntry& entry);

// The kind of a listed entry: 0 for an entry passed over or of no known
// kind; otherwise 1 with the row's binary flag (FileKindLookup of its name).
// binaryFlag may be none.
int InstallFolderKindOf(const ZephDirEntry& entry, int32_t* binaryFlag);

#endif
