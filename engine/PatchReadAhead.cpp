// PatchReadAhead.cpp - hints for the files a run will read next.
#include "PatchReadAhead.h"

#include "InstallFolder.h"
#include "ZephDirList.h"
#include "ZephPath.h"
#include "ZephSysFile.h"

namespace {

// The listing keeps the low 32 bits of a size; a larger file is asked for
// in part or not at all, which only costs the hint its use.
int64_t bytesToAsk(const ZephDirEntry& entry) {
    return entry.size < PatchReadAhead::PerFile ? static_cast<int64_t>(entry.size) : PatchReadAhead::PerFile;
}

} // namespace

void PatchReadAhead::reset(int64_t listedFolder) {
    *this = PatchReadAhead{};
    folder = listedFolder;
}

void PatchReadAhead::askMore() {
    while (next != nullptr && filesAhead < FilesAhead && bytesAhead < Window) {
        const ZephDirEntry& entry = *next;
        next = entry.next;
        if (InstallFolderKindOf(entry, nullptr) == 0)
            continue;
        int64_t count = bytesToAsk(entry);
        if (passOver > 0) {
            --passOver;
            count = 0;
        } else if (count > 0) {
            bool started = false;
            ZephSysFiles.prefetchIn(folder, ZephPathLastName(entry.name), count, &started);
            if (started) {
                nextPassOver = 0;
            } else {
                passOver = nextPassOver;
                nextPassOver = nextPassOver == 0 ? 1 : nextPassOver * 2;
                if (nextPassOver > MostPassedOver)
                    nextPassOver = MostPassedOver;
                count = 0;
            }
        }
        asked[(first + filesAhead) % FilesAhead] = count;
        ++filesAhead;
        bytesAhead += count;
    }
}

void PatchReadAhead::opening(const ZephDirEntry& entry) {
    if (filesAhead == 0) {
        // Nothing was looked at ahead (a new listing, or the run caught up):
        // the window starts with this file.
        next = &entry;
        askMore();
    }
    // entry is the first of the files looked at, and is being opened now.
    if (filesAhead > 0) {
        bytesAhead -= asked[first];
        first = (first + 1) % FilesAhead;
        --filesAhead;
    }
    askMore();
}
