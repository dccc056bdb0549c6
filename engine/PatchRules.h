// PatchRules.h - when the old string occurs at a place in a file's bytes,
// what a replacement does to them and where the scan goes on. The fast
// search that finds the places is PatchSearch.h.
#ifndef QUORVEL_ENGINE_PATCHRULES_H
#define QUORVEL_ENGINE_PATCHRULES_H

#include <cstdint>

struct PatchFinder;
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
enum PatchReplaceMode : int32_t { PatchReplaceBinary = 0, PatchReplaceEqualLength = 1, PatchReplaceLengthChanged = 2 };

PatchReplaceMode PatchReplaceModeOf(int32_t binaryKind, int32_t oldLength, int32_t newLength);

// The match test at position, one byte after another; false for a position
// outside 0 .. length - 1, a null or empty old string, or no data.
bool PatchMatchAt(const char* data, int32_t length, int32_t position, const char* oldString);

// Applies one replacement at position, where the old string occurs, by the
// mode of binaryKind and the lengths; *advance (may be none) gets how far the
// scan moves on. Returns 0, or -1 when the content would have to grow and
// cannot (or when the arguments do not describe an occurrence inside the
// content); then the content is as it was.
int PatchReplaceAt(ZephBuf* content, int32_t position, const char* oldString, int32_t oldLength, const char* newString,
                   int32_t newLength, int32_t binaryKind, int32_t* advance);

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
