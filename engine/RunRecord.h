// RunRecord.h - the record of one run that writes files, as the journal
// keeps it (RunJournal.h): what the run was, and for every file its name,
// its content before and after (size and hash) and each replacement, so
// that the old bytes can be rebuilt from the new ones exactly.
#ifndef QUORVEL_ENGINE_RUNRECORD_H
#define QUORVEL_ENGINE_RUNRECORD_H

#include "ZephBuf.h"

#include <cstdint>

struct PatchFinder;
struct ZephMemManager;

// The format written by this version; a reader applies only the versions it
// knows (RunRecord::isUnderstood).
inline constexpr int32_t RunRecordVersion = 1;

// Texts of a run's header: the directory and the two strings, as the runs
// hold them (up to 1023 bytes).
inline constexpr int32_t RunTextSize = 1024;

enum RunKind : int32_t {
    RunKindNone = 0,
    RunKindPatch = 1,  // the patch job's convert run: all files or none
    RunKindExpert = 2, // the expert run: each save on its own
    RunKindUndo = 3    // quorvel undo of an earlier run: all files or none
};

// What a run is. files is the count of file blocks an all-or-nothing run
// writes at once before it changes anything (0 for the expert run, whose
// blocks follow its saves one at a time).
struct RunHeader {
    uint32_t id = 0;
    int32_t kind = RunKindNone;
    int64_t time = 0; // seconds since 1970 (UTC)
    char folder[RunTextSize] = {};
    uint64_t volume = 0; // the folder's identity (ZephSysFileIdentity)
    uint64_t file = 0;
    char oldString[RunTextSize] = {};
    char newString[RunTextSize] = {};
    uint32_t undoes = 0; // for RunKindUndo: the run it undoes
    int32_t files = 0;
};

// A file's content as a run saw it; absent for a side copy that did not
// exist before the run (or, after an undo, no longer exists).
struct RunContent {
    bool present = false;
    int64_t size = 0;
    uint64_t hash = 0; // ZephHash of the whole content
};

// One file of a run. The names live in the record that holds it. The edits
// turn the content before into the content after: each replaces, after a
// gap of unchanged bytes, the old bytes by the new bytes (RunEditReader).
struct RunFileRecord {
    const char* target = "";    // the name the run wrote
    const char* source = "";    // the file its content came from; "" for the target itself
    const char* temporary = ""; // the temporary file that takes the target's place
    int32_t binary = 0;
    RunContent before;
    RunContent after;
    int32_t editCount = 0;
    const char* edits = nullptr; // the encoded edits, inside the record's text
    int32_t editsLength = 0;
};

// One record, built or read. Building appends blocks to text (appendHeader,
// appendFile, appendEnd); reading parses text (parse). Each block ends with
// a checksum line: a block whose sum does not agree is damage, and nothing
// of a damaged record is applied; only an incomplete last block, a write cut
// short by a crash, is told apart (tornTail) so that it can be cut off.
//
// Invariant after parse: files[0 .. fileCount) are the valid file blocks in
// order, their names in names.
struct RunRecord {
    ZephMemManager* manager = nullptr;
    ZephBuf text;
    RunHeader header;
    int32_t version = 0; // of the text's first line; 0 when it has none
    RunFileRecord* files = nullptr;
    int32_t fileCount = 0;
    int32_t fileCapacity = 0;
    ZephBuf names;           // the decoded names of files, one after another
    bool complete = false;   // it has its end block
    bool damaged = false;    // a block failed its checksum or made no sense
    bool tornTail = false;   // only the last block is incomplete
    int32_t validLength = 0; // bytes of text up to the end of the last good block

    RunRecord() = default;
    ~RunRecord() { release(); }
    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    // Binds to manager, empty. Cannot fail.
    void init(ZephMemManager* manager);
    // Releases text, names and files; empty and still bound. Safe twice.
    void release();

    // Reads text into header, files and the state flags. 0, or -1 when memory
    // ran out (damage is a state, not a failure).
    int parse();
    // The version is this program's and the header block is good.
    bool isUnderstood() const;
    // An all-or-nothing run whose file blocks are all there.
    bool hasAllFiles() const;

    // Appending blocks to text: each returns 0, or -1 when text could not
    // grow (what was appended of the block is taken back).
    int appendHeader(const RunHeader& header);
    // edits: the at-lines of RunEditsCollect (may be none with editCount 0);
    // defaultOld and defaultNew: the bytes most edits replace and put (see
    // RunEditsCollect).
    int appendFile(const RunFileRecord& file, const char* defaultOld, int32_t defaultOldLength,
                   const char* defaultNew, int32_t defaultNewLength, const ZephBuf* edits);
    int appendEnd();
};

// Appends to tokens the at-lines of the replacements a rewrite with finder
// makes in data (the content before it): every occurrence from the start,
// in order, up to limit of them, each as its gap after the end of the one
// before it and, when the bytes found differ from finder's string (letter
// case), those bytes. *count gets how many. 0, or -1 when tokens could not
// grow.
int RunEditsCollect(const PatchFinder& finder, const char* data, int32_t length, int32_t limit, ZephBuf* tokens,
                    int32_t* count);

// The edits of a file, one after another.
struct RunEditReader {
    int64_t gap = 0; // unchanged bytes before this edit
    const char* oldBytes = nullptr;
    int32_t oldLength = 0;
    const char* newBytes = nullptr;
    int32_t newLength = 0;

    // Starts on file's edits. False when they do not read.
    bool begin(const RunFileRecord& file);
    // Moves to the next edit: true with the fields set, false at the end or
    // when the text does not read (failed then tells).
    bool next();
    bool failed = false;
    // The file's defaults, set by begin.
    char defaultOld[RunTextSize] = {};
    int32_t defaultOldLength = 0;
    char defaultNew[RunTextSize] = {};
    int32_t defaultNewLength = 0;

private:
    const char* at_ = nullptr;
    const char* end_ = nullptr;
    int32_t left_ = 0;
    char old_[RunTextSize] = {};
    char new_[RunTextSize] = {};
};

// Rebuilds file's content before its run from its content after (current,
// length bytes) into out, replacing out's content: the new bytes of each
// edit must stand where the edits put them. 0, or -1 when they do not (the
// file is not what the run wrote) or out could not grow. The caller checks
// the result's size and hash against file.before.
int RunRebuildBefore(const RunFileRecord& file, const char* current, int64_t length, ZephBuf* out);

// Writes the edits of file with old and new swapped into tokens (the
// at-lines) for a record of the run that undoes it, against swapped
// defaults (those of reader after this call): gaps are the same counted in
// either content. 0, or -1 when they do not read or tokens could not grow.
int RunEditsInvert(const RunFileRecord& file, RunEditReader* reader, ZephBuf* tokens);

#endif
