// PatchSearch.h - the fast search for the old string, and how a scan run
// that reads a file a piece at a time keeps just the bytes it has not yet
// decided. It finds exactly what the match test of PatchRules.h accepts.
#ifndef QUORVEL_ENGINE_PATCHSEARCH_H
#define QUORVEL_ENGINE_PATCHSEARCH_H

#include <cstdint>

struct ZephBuf;

// The old string prepared for a fast search. It compares two of its rarer
// bytes at many positions at once (16 to 128 a round, by the widest probe
// the processor has) and checks the whole string only where both agree, so
// it finds exactly the positions PatchMatchAt accepts. The finder keeps a
// pointer to the string, which must outlive it.
struct PatchFinder {
    const char* needle = nullptr;
    int32_t needleLength = 0;
    // Offsets of the two probe bytes in needle, and what a file byte must give
    // after OR-ing the mask (0x20 for a letter, so both cases agree, else 0).
    int32_t offsetA = 0, offsetB = 0;
    uint8_t maskA = 0, valueA = 0, maskB = 0, valueB = 0;

    // Prepares for oldString; a null or empty one finds nothing. Cannot fail.
    void prepare(const char* oldString);
    // The first position at or after from where the old string occurs within
    // data[0 .. length - 1], or -1 when there is none. Reads nothing outside
    // that range.
    int32_t find(const char* data, int32_t length, int32_t from) const;
};

// A file read a piece at a time and only searched (never rewritten) keeps in
// content just the bytes not yet decided and the newest piece, so memory does
// not grow with the file. *scannedTo is the first start position in content
// not yet decided (0 for a new file).
//
// Before a piece of count bytes is added at the end of content: unless it
// fits the capacity and would start on a PatchPieceAlignment boundary, the
// few undecided bytes (which may still begin an occurrence) move so that they
// end on such a boundary, the piece is read to an aligned address, and
// *scannedTo follows them; the bytes before them are decided and never looked
// at again. The system copies a read into an aligned address at about twice
// the speed. Content sized for the undecided bytes, a piece and
// PatchPieceAlignment always has the room; with less the bytes move to the
// front, as far as that helps.
inline constexpr int32_t PatchPieceAlignment = 64;
void PatchMakeRoomForPiece(ZephBuf* content, int32_t* scannedTo, int32_t count);

// After a piece was added: decides every start position from *scannedTo on
// whose occurrence would lie wholly inside content, exactly as one scan of the
// whole file would (occurrences never overlap, so no decision depends on the
// bytes after an occurrence), and adds each occurrence to *matches. Stops
// right after the occurrence that makes *matches reach stopAt (INT32_MAX:
// never); *scannedTo then lies just past it.
void PatchScanPiece(const PatchFinder& finder, const ZephBuf& content, int32_t* scannedTo, int32_t* matches,
                    int32_t stopAt);

// The search's probe widths. find() uses the widest the processor offers
// (checked once, at run time); tests lower the limit to check every path on
// one machine. Results never depend on the width.
enum PatchProbe : int32_t { PatchProbeScalar = 0, PatchProbeSse2 = 1, PatchProbeAvx2 = 2, PatchProbeAvx512 = 3 };

// Sets the widest probe find() may use and returns the widest it will use
// now (the lower of the limit and what the processor offers).
int32_t PatchFinderLimitProbe(int32_t widest);

#endif
