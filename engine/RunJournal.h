// RunJournal.h - the journal of the runs on one install folder: a folder of
// records (RunRecord.h) outside the install folder, in the user's state
// folder, kept durably so that a run cut short by a crash can be completed
// or undone, and a run that finished can be undone.
#ifndef QUORVEL_ENGINE_RUNJOURNAL_H
#define QUORVEL_ENGINE_RUNJOURNAL_H

#include "ZephError.h"

#include <cstdint>

struct RunRecord;
struct ZephFolder;
struct ZephMemManager;

inline constexpr int32_t RunJournalPathSize = 1024;

// Records kept per install folder; older ones go when a new one is made.
inline constexpr int32_t RunJournalKeep = 100;

// Where every journal lives: <the user's state folder>/quorvel natively
// ($XDG_STATE_HOME, else ~/.local/state), %LOCALAPPDATA%\Quorvel on Windows;
// or the folder given to RunJournalSetRoot. 0, or -1 with area "" when the
// environment names no state folder.
int RunJournalRoot(char* area, int32_t size);

// Puts every journal under root from now on (none or "": back to the
// user's state folder), so that tests never touch the real one. Cut to
// RunJournalPathSize.
void RunJournalSetRoot(const char* root);

// The records of one install folder live in <root>/<volume>-<file>, named
// by the folder's identity, so that every path to it finds them, each in a
// file of its own, "<id, 8 digits>.qvj". Only a run holding the folder's
// run lock touches them.
//
// Writing is durable: a record's file is flushed, and a new file's folder
// too, before the call returns, so that nothing it protects is changed
// before it is on disk.
struct RunJournal {
    ZephMemManager* manager = nullptr;
    char path[RunJournalPathSize] = {}; // "" until open succeeds
    uint64_t volume = 0;
    uint64_t file = 0;
    ZephFailure failure; // why the last -1 happened

    // Finds the journal of the open install folder (nothing is created).
    // -1 when there is no state folder or the folder's identity cannot be
    // had.
    int open(ZephMemManager* manager, const ZephFolder& install);

    // The ids of the records there, ascending: the newest capacity of them.
    // 0 (with *count 0 when there are none or no folder yet), or -1 when it
    // cannot be listed.
    int list(uint32_t* ids, int32_t capacity, int32_t* count);
    // One more than the highest id there (1 for none). 0 or -1.
    int nextId(uint32_t* id);
    // Reads record id into record (bound to a manager) and parses it. 0, or
    // -1 when it cannot be read.
    int load(uint32_t id, RunRecord* record);

    // Creates record id with the bytes given (the journal's folders made as
    // needed), flushed with its folder. -1 when it exists or anything fails;
    // then no file of it is left.
    int create(uint32_t id, const char* bytes, int32_t length);
    // Adds the bytes at the end of record id, flushed. 0 or -1.
    int append(uint32_t id, const char* bytes, int32_t length);
    // Cuts record id to length bytes (a torn end), flushed. 0 or -1.
    int cut(uint32_t id, int64_t length);
    // Deletes record id. 0 or -1.
    int remove(uint32_t id);
    // Deletes the oldest records while more than RunJournalKeep remain.
    // Cannot fail (what cannot go stays).
    void prune();

private:
    int fileName(uint32_t id, char* name, int32_t size) const;
    // Opens record id for writing into *handle. 0, or -1 with failure.
    int openForWriting(uint32_t id, int64_t* handle);
    int makeFolders();
};

#endif
