// QvFileFault.h - failure on demand in the platform file layer (ZephSysFiles).
#ifndef QUORVEL_TESTS_QVFILEFAULT_H
#define QUORVEL_TESTS_QVFILEFAULT_H

#include "ZephError.h"
#include "ZephSysFile.h"

#include <cstdint>
#include <functional>

namespace qvtest {

// The entries of ZephSysFileTable, plus Any for "whichever call comes".
enum class FileOp {
    Open,
    Read,
    Write,
    Seek,
    Truncate,
    Flush, // flush, and each handle of flushAll in turn
    Close,
    Query,
    StartWriteback,
    OpenFolder,
    CloseFolder, // counted on its own, never failed: it cannot fail
    LockFolder,
    OpenIn,
    Identify,
    IdentifyIn,
    KeepMetadata,
    ReplaceIn,
    RemoveIn,
    RemoveUnusedIn,
    FlushFolder,
    IdentifyFolder,
    FreeSpace,
    MakeFolder,
    Any
};
inline constexpr int FileOpCount = static_cast<int>(FileOp::Any);

// Name of an operation, for failure messages ("open", "write"...).
const char* fileOpName(FileOp op);

// While it exists, every call through ZephSysFiles is counted and may be
// failed on purpose. Construction installs counting wrappers that pass each
// call on to the table found at that moment; destruction puts that table
// back. One FileFault at a time.
//
// A fault hits call number nth (from 1) of one operation, counted since
// construction or the last resetCounts(); with persistent it hits every
// call from nth on. A failed call never reaches the platform and reports the
// chosen error, except close: the handle is really closed, then the error is
// reported (as a real failing close leaves no handle behind). Any counts all
// calls together and fails the nth whatever it is. One rule per operation;
// arming again replaces it.
//
// A cut-short read or write transfers at most `bytes` bytes for real: the
// read then reports success with fewer bytes (as at the end of the file),
// the write reports ZephErrNoSpace with the bytes that went out (a full disk).
// A call that asks for no more than `bytes` is left whole and is no fault.
//
// The usual loop proves an operation survives every single failure:
//
//   for (int n = 1;; ++n) {
//       qvtest::FileFault fault;
//       fault.failAt(qvtest::FileOp::Any, n, ZephErrIo);
//       int result = operationUnderTest();
//       if (fault.faultsInjected() == 0) { EXPECT_EQ(result, 0); break; }
//       EXPECT_EQ(result, -1) << "failure of " << fault.lastFaultName() << " at call " << n;
//       EXPECT_EQ(fault.openHandles(), 0);
//       ...check that nothing was lost...
//   }
//
// Some faults are harmless by design and give 0: ZephFile never reports a
// failing close, an open with OpenCreate retries with creation, and
// ZephFileReplacer ignores the close of its writability probe.
// faultsInjected(op) tells them apart.
//
// beforeCall runs an action just before call number nth of op goes through,
// as another program would act at that moment (a racing renamer, an
// appender): the fault seam doubles as a place to stage races exactly.
class FileFault {
public:
    FileFault();
    ~FileFault();
    FileFault(const FileFault&) = delete;
    FileFault& operator=(const FileFault&) = delete;

    void failAt(FileOp op, int nth, ZephError error = ZephErrIo, bool persistent = false);
    // op must be FileOp::Read or FileOp::Write.
    void cutShortAt(FileOp op, int nth, int64_t bytes, bool persistent = false);
    // Calls of op are never hit by the Any rule (say, Remove, to test clean-up
    // after persistent failures); a rule for op itself still applies.
    void spare(FileOp op);
    // One action per operation; arming again replaces it. The action runs
    // once, with the file layer as it was before this FileFault.
    void beforeCall(FileOp op, int nth, std::function<void()> action);
    // Drops every rule and spare; the counters go on.
    void disarm();
    void resetCounts();

    // Calls of op since construction or resetCounts(); Any gives all calls.
    int calls(FileOp op) const;
    // Calls of op (Any: of all operations) that were failed or cut short.
    int faultsInjected(FileOp op = FileOp::Any) const { return injected_[static_cast<int>(op)]; }
    // Handles opened since construction less handles closed (a failed open
    // opens none; a close, failed or not, closes one). Not 0 after the code
    // under test has finished: it leaked a handle.
    int openHandles() const { return openHandles_; } // folders included
    void noteHandle(int change) { openHandles_ += change; }
    // The operation of the latest injected fault ("none" before the first).
    const char* lastFaultName() const;

    // Used by the wrappers: decides the fate of the next call of op, which
    // asks to move count bytes (reads and writes; -1 for the others).
    struct Decision {
        bool fail;
        bool cut;
        ZephError error;
        int64_t bytes;
    };
    Decision next(FileOp op, int64_t count);
    const ZephSysFileTable& real() const { return saved_; }

private:
    struct Rule {
        bool armed;
        bool persistent;
        int nth;
        ZephError error;
        int64_t cutBytes; // < 0: fail, otherwise cut short to this many bytes
    };
    Rule rules_[FileOpCount + 1];
    std::function<void()> actions_[FileOpCount];
    int actionAt_[FileOpCount];
    bool spared_[FileOpCount + 1];
    int counts_[FileOpCount + 1];
    int injected_[FileOpCount + 1];
    int openHandles_ = 0;
    FileOp lastFault_ = FileOp::Any;
    ZephSysFileTable saved_;
};

} // namespace qvtest

#endif
