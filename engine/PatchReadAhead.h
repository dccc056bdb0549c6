// PatchReadAhead.h - asks the system to read the next files of a listing
// into its cache while a run works on the current one.
#ifndef QUORVEL_ENGINE_PATCHREADAHEAD_H
#define QUORVEL_ENGINE_PATCHREADAHEAD_H

#include <cstdint>

struct ZephDirEntry;

// A run reads its files one after another, in the listing's order. From a
// cold disk each file then costs a full wait for the disk, which meanwhile
// has nothing else to do; a disk given several requests at once serves them
// in about the time of one. So whenever the run opens a file, the files that
// follow it are asked for (ZephSysFiles.prefetch) until about Window bytes
// or FilesAhead files are on their way: the reading stays in order and on
// the run's thread, only the disk works ahead.
//
// Only the files the run will open are asked for: those of a known kind
// (InstallFolderKindOf), never a link or a directory. Of each, at most
// PerFile bytes: the system reads further ahead on its own once the file is
// being read, and a scan that stops at a file's first occurrence would not
// want the rest.
//
// A hint costs system calls even when it finds the file cached. So a file
// found cached makes the next ones go without a hint, twice as many each
// time up to MostPassedOver, and the first file found on the disk brings
// every file back: a warm folder costs a few hints, a cold one gets them all.
//
// Hints are never failures: what was not asked for is read when its turn
// comes. The record holds no resource and needs no release.
struct PatchReadAhead {
    static constexpr int64_t Window = int64_t{32} << 20;
    static constexpr int64_t PerFile = int64_t{8} << 20;
    static constexpr int32_t FilesAhead = 16;
    static constexpr int32_t MostPassedOver = 64;

    int64_t folder = -1;                // the listed folder, open (ZephSysFiles.openFolder)
    const ZephDirEntry* next = nullptr; // the first entry not yet looked at for a hint
    // The files looked at and not yet opened, in order: the bytes asked for
    // of each (0 for one passed over), first at asked[first].
    int64_t asked[FilesAhead] = {};
    int32_t first = 0;
    int32_t filesAhead = 0;
    int64_t bytesAhead = 0;   // the sum of those
    int32_t passOver = 0;     // files still to go without a hint
    int32_t nextPassOver = 0; // how many go without one after the next cached file

    // Forgets a previous listing; the next opening() starts afresh with the
    // entries of listedFolder. Cannot fail.
    void reset(int64_t listedFolder);

    // The run is about to open entry, the next file of a known kind in the
    // listing's order. Asks for entry itself when it was not looked at yet,
    // then for the files after it until the window is full. Cannot fail.
    void opening(const ZephDirEntry& entry);

private:
    void askMore(); // from next on, until the window is full
};

#endif
