// PatchRules.h - how an occurrence of the old string is found in a file's
// bytes, what a replacement does to them and where the scan goes on.
#ifndef QUORVEL_ENGINE_PATCHRULES_H
#define QUORVEL_ENGINE_PATCHRULES_H

#include <cstdint>

struct ZephBuf;

// The old string occurs at a position when each of its characters equals the
// byte at the same distance after both are upper-cased; only a-z fold, every
// other byte (0x80-0xFF included) must be equal as it stands. An occurrence
// never holds a zero byte (the old string has none) and never runs past the
// content's length. Occurrences found by a scan never overlap, and text a
// rewrite inserted is never searched again.

// Replacement modes, chosen at each occurrence by the file's kind and the two
// lengths:
//   binary          the old string's place is zeroed, then the first
//                   min(newLength, oldLength) characters of the new string go
//                   to its start; the length never changes; the scan moves on
//                   by oldLength.
//   equal length    text kind, newLength == oldLength: overwritten in place;
//                   the scan moves on by oldLength.
//   length changed  text kind, lengths differ: the place is replaced by the
//                   new string, the bytes after it move, the content keeps its
//                   trailing zero byte; the scan moves on by newLength.
enum PatchReplaceMode : int32_t {
    PatchReplaceBinary = 0,
    PatchReplaceEqualLength = 1,
    PatchReplaceLengthChanged = 2
};

PatchReplaceMode PatchReplaceModeOf(int32_t binaryKind, int32_t oldLength, int32_t newLength);

// The match test at position, one byte after another; false for a position
// outside 0 .. length - 1, a null or empty old string, or no data.
bool PatchMatchAt(const char* data, int32_t length, int32_t position, const char* oldString);

// The old string prepared for a fast search. It compares two of its rarer
// bytes for 16 positions at a time and checks the whole string only where
// both agree, so it finds exactly the positions PatchMatchAt accepts. The
// finder keeps a pointer to the string, which must outlive it.
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

// Applies one replacement at position, where the old string occurs, by the
// mode of binaryKind and the lengths; *advance (may be none) gets how far the
// scan moves on. Returns 0, or -1 when the content would have to grow and
// cannot (or when the arguments do not describe an occurrence inside the
// content); then the content is as it was.
int PatchReplaceAt(ZephBuf* content, int32_t position, const char* oldString, int32_t oldLength,
                   const char* newString, int32_t newLength, int32_t binaryKind, int32_t* advance);

// Scans content from *cursor to its end with finder and adds each occurrence
// to *matches. With rewrite 0 it only counts; otherwise every occurrence gets
// the replacement of its mode, with newString (none is taken as empty). On
// success *cursor ends at the content's (new) length and the result is 0.
//
// The result is byte for byte what the one-position-at-a-time loop of the
// rules gives, but the whole content is rewritten in one pass: shorter
// replacements compact it in place, longer ones grow it once (by the count of
// occurrences times the difference) and fill it from the front. Returns -1
// when that growth cannot be had; then the content is unchanged and *matches
// holds the occurrences found.
int PatchScanContent(ZephBuf* content, int32_t* cursor, const PatchFinder& finder, const char* newString,
                     int32_t rewrite, int32_t binaryKind, int32_t* matches);

#endif
