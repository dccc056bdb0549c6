// JobTexts.h - the texts that report a run of the wizard's job: progress
// lines, the scan's verdict, the patch's outcome, the results headings and
// the directory line. The wizard's pages show them and the quorvel tool
// prints them, so both say the same words; composed without any window so
// that they can be checked on every platform.
#ifndef QUORVEL_PRODUCT_JOBTEXTS_H
#define QUORVEL_PRODUCT_JOBTEXTS_H

#include <cstdint>

struct PatchJob;
struct ProductEntry;

// Size of the areas in which the pages and the tool compose these texts.
inline constexpr int PageTextSize = 1024;

// Every compose function writes a terminated text of at most size - 1 bytes
// into area and never more; an area of size < 1 is left alone. Titles,
// folders and job messages are always inserted as arguments, never used as
// formats, so a "%" in them shows as it is.

// The five results a finished or failed run can show on SCANRESULTS and
// DONE, in the order they are chosen.
enum JobResult : int32_t {
    OneFileMatched = 1,   // Finished, filesMatched 1
    SomeFilesMatched = 2, // Finished, filesMatched above 1
    NoFileMatched = 3,    // Finished, nothing matched, entries looked at
    NoFileFound = 4,      // Finished, nothing matched, no entry at all
    RunFailed = 5         // any other status: the job's message
};
JobResult jobResultOf(const PatchJob& job);

// SETDIR's heading, "Product : <title>"; an empty title for no product.
void composeProductLine(const ProductEntry* product, char* area, int size);

// SCANRESULTS' and DONE's headings with the product's title.
void composeScanResultsHeading(const ProductEntry* product, char* area, int size);
void composePatchResultsHeading(const ProductEntry* product, char* area, int size);

// "Directory: <directory>", with the directory cut to at most
// maxDirectoryChars characters (and further, to fit the area). A cut keeps
// the first third and the rest of the budget from the end, the folder's own
// name, joined by "...", so that a long path stays recognisable. A negative
// maxDirectoryChars means no limit but the area's.
void composeDirectoryLine(const char* directory, int maxDirectoryChars, char* area, int size);

// SCANRESULTS' verdict and DONE's outcome for the job. Returns the text to
// show: area, holding the composed text, or for a failed run the job's own
// message as it stands (or area holding "An unknown error condition has
// occurred." when that message is empty). The message is never copied into
// area, so it is never cut.
const char* composeScanVerdict(const PatchJob& job, char* area, int size);
const char* composeDoneOutcome(const PatchJob& job, char* area, int size);

// Label of DONE's Exit button: "Finished!" when files were patched, else "Exit".
const char* doneExitLabel(const PatchJob& job);

// The progress lines of the two working pages.
inline constexpr char ScanProgressText[] = "Scanning files...";
inline constexpr char PatchProgressText[] = "Patching files...";

#endif
