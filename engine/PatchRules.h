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

// One pass over a content that rewrites every occurrence as the
// one-position-at-a-time loop of the rules would, without moving the rest of
// the content at each one. Its caller finds and replaces occurrences in
// order, as that loop does, in positions of the view: the content as that
// loop would hold it by now, which is data[0, done) (finished, replacements
// included) followed by data[rest, end) (not yet looked at).
//
// A shorter new string compacts the content as the pass goes, with no memory
// at all. A longer one first counts the occurrences and grows the content
// once, by their count times the difference; the bytes not yet looked at
// then wait at its end, and the finished part fills the gap from the front.
// finish() makes the content the view, also after a pass stopped early.
//
//   PatchRewrite pass;
//   int32_t advance = 0;
//   pass.begin(&content, 0, finder, newString, binaryKind, 1);
//   for (int32_t at = pass.find(0, pass.length()); at >= 0; at = pass.find(at + advance, pass.length()))
//       pass.replace(at, &advance);
//   pass.finish();
struct PatchRewrite {
    ZephBuf* content = nullptr;
    const PatchFinder* finder = nullptr;
    const char* newString = "";
    int32_t newLength = 0;
    PatchReplaceMode mode = PatchReplaceBinary;
    int32_t done = 0;
    int32_t rest = 0;
    int32_t end = 0;
    // Each replacement is made where it stands and moves the rest of the
    // content (PatchReplaceAt): so the buffer's own cursor follows every
    // edit when it stands inside the content, and so a pass goes on whose
    // content could not grow at once. Then done == rest.
    bool oneAtATime = false;
    bool mayGrow = true; // with oneAtATime: false, a replacement that would grow fails
    int32_t counted = 0; // occurrences counted by begin (a longer new string only)

    // Starts a pass over content, whose bytes before from count as finished,
    // finding with finder. With rewrite 0 it never changes the content. With
    // a longer new string in a text file the content grows here; -1 when it
    // cannot: the content is as it was, and the pass may still go on one
    // occurrence at a time without growing.
    int begin(ZephBuf* content, int32_t from, const PatchFinder& finder, const char* newString, int32_t binaryKind,
              int32_t rewrite);
    // The length of the view.
    int32_t length() const { return done + (end - rest); }
    // The first occurrence in the view starting at or after from (at least
    // done) and lying wholly below limit (at most length()); -1 when none.
    int32_t find(int32_t from, int32_t limit) const;
    // Replaces the occurrence at view position at, which find gave; *advance
    // (may be none) gets how far the scan moves on. -1 when one at a time
    // the content cannot grow (or may not): nothing changed.
    int replace(int32_t at, int32_t* advance);
    // Makes the content the view: its length, a zero byte after it. Cannot fail.
    void finish();
};

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
