// InstallFolder.h - which entries of a folder a run works on: the pattern it
// is listed with, the entries passed over, and the kind of the files taken.
// The wizard's job, the expert run and every front end share these rules, so
// that they all see the same files.
#ifndef QUORVEL_ENGINE_INSTALLFOLDER_H
#define QUORVEL_ENGINE_INSTALLFOLDER_H

#include <cstdint>

struct RunRecovery;
struct ZephDirEntry;
struct ZephDirList;
struct ZephFolder;
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

// True for an entry no run opens: a subdirectory, a link of any kind, or a
// special file (FIFO, socket, device). Links are never followed, since
// writing through one could reach outside the chosen folder; a special file
// holds no file to read, and may wait for ever or act when opened. Such
// entries still count as looked at.
bool InstallFolderPassesOver(const ZephDirEntry& entry);

// Why an entry whose name is of a known kind is passed over, so that a run
// can say so instead of reporting that nothing needs patching.
enum InstallFolderSkip : int32_t {
    InstallFolderNotSkipped = 0, // taken, or of no known kind, or a subdirectory
    InstallFolderSkippedLink = 1,
    InstallFolderSkippedSpecial = 2
};
InstallFolderSkip InstallFolderSkipOf(const ZephDirEntry& entry);

// How long a run waits for another run on the same folder to end.
inline constexpr int32_t InstallFolderLockWaitMs = 3000;

// Opens directory for a run: the folder that its files are opened and
// replaced in (so that no name is ever followed out of it) with the run
// lock, waiting up to lockWaitMs while another run holds it (then -1 with
// folder->failure ZephErrBusy). With the lock held, a run that a crash cut
// short is settled first, completed or undone as its record in the journal
// allows (RunRecover; what it did goes to *recovery, may be none); one that
// can be neither fails the open (recovery->unresolved, folder->failure its
// cause), since no run should work on files that disagree. Then the
// temporary files of runs that were killed are stale by definition: they
// are removed (not one still open by a writer) and their count goes to
// *staleRemoved (may be none). This is the one step every run takes on a
// folder before it looks at the files. 0, or -1 with folder->failure and
// folder closed.
int InstallFolderOpen(ZephFolder* folder, const char* directory, int32_t lockWaitMs, ZephMemManager* manager,
                      int32_t* staleRemoved, RunRecovery* recovery = nullptr);

// The kind of a listed entry: 0 for an entry passed over or of no known
// kind; otherwise 1 with the row's binary flag (FileKindLookup of its name).
// binaryFlag may be none.
int InstallFolderKindOf(const ZephDirEntry& entry, int32_t* binaryFlag);

#endif
