// JobTexts.cpp - the texts that report a run of the job.
#include "JobTexts.h"

#include "PatchJob.h"
#include "ProductTable.h"
#include "ZephStr.h"

#include <cstdio>
#include <cstring>

namespace {

const char UnknownErrorText[] = "An unknown error condition has occurred.";

const char* titleOf(const ProductEntry* product) {
    return product != nullptr && product->title != nullptr ? product->title : "";
}

// snprintf with a fixed format; the area's rules of the header.
template <typename... Args>
void composeInto(char* area, int size, const char* format, Args... args) {
    if (area == nullptr || size < 1)
        return;
    std::snprintf(area, static_cast<size_t>(size), format, args...);
}

} // namespace

JobResult jobResultOf(const PatchJob& job) {
    if (job.status != Finished)
        return RunFailed;
    if (job.filesMatched == 1)
        return OneFileMatched;
    if (job.filesMatched > 1)
        return SomeFilesMatched;
    return job.filesVisited > 0 ? NoFileMatched : NoFileFound;
}

void composeProductLine(const ProductEntry* product, char* area, int size) {
    composeInto(area, size, "Product : %s", titleOf(product));
}

void composeScanResultsHeading(const ProductEntry* product, char* area, int size) {
    composeInto(area, size, "Scan results for \"%s\":", titleOf(product));
}

void composePatchResultsHeading(const ProductEntry* product, char* area, int size) {
    composeInto(area, size, "Patch results for \"%s\":", titleOf(product));
}

void composeDirectoryLine(const char* directory, int maxDirectoryChars, char* area, int size) {
    static const char prefix[] = "Directory: ";
    static const char ellipsis[] = "...";
    const int prefixLength = static_cast<int>(sizeof(prefix) - 1);
    const int ellipsisLength = static_cast<int>(sizeof(ellipsis) - 1);
    if (area == nullptr || size < 1)
        return;
    ZephStrCopy(area, prefix, size);
    if (size - 1 <= prefixLength)
        return;

    const char* text = directory != nullptr ? directory : "";
    const int length = static_cast<int>(std::strlen(text));
    int budget = size - 1 - prefixLength;
    if (maxDirectoryChars >= 0 && maxDirectoryChars < budget)
        budget = maxDirectoryChars;

    char* out = area + prefixLength;
    if (length <= budget) {
        std::memcpy(out, text, static_cast<size_t>(length));
        out[length] = '\0';
        return;
    }
    if (budget <= ellipsisLength) {
        std::memcpy(out, ellipsis, static_cast<size_t>(budget));
        out[budget] = '\0';
        return;
    }
    const int kept = budget - ellipsisLength;
    const int head = kept / 3;
    const int tail = kept - head;
    std::memcpy(out, text, static_cast<size_t>(head));
    std::memcpy(out + head, ellipsis, static_cast<size_t>(ellipsisLength));
    std::memcpy(out + head + ellipsisLength, text + length - tail, static_cast<size_t>(tail));
    out[budget] = '\0';
}

const char* composeScanVerdict(const PatchJob& job, char* area, int size) {
    const long matched = job.filesMatched;
    switch (jobResultOf(job)) {
    case OneFileMatched:
        composeInto(area, size,
                    "There is %ld file that need to be changed.\r\n\r\n"
                    "Click on Next to begin conversions of this file.",
                    matched);
        return area;
    case SomeFilesMatched:
        composeInto(area, size,
                    "There are %ld files that need to be changed.\r\n\r\n"
                    "Click on Next to begin conversions of these files.",
                    matched);
        return area;
    case NoFileMatched: {
        // Never "no patching is required" while a link or a special file of
        // these kinds, which no run reads, may hold the old address.
        const long passedOver = static_cast<long>(job.linksPassedOver) + job.specialPassedOver;
        if (passedOver == 1) {
            ZephStrCopy(area,
                        "No file in this directory holds the old address, but 1 link or special file of these "
                        "kinds was passed over: Quorvel never reads or changes links and special files.\r\n\r\n"
                        "Click on Back and select a different directory or product and try again.",
                        size);
        } else if (passedOver > 1) {
            composeInto(area, size,
                        "No file in this directory holds the old address, but %ld links or special files of these "
                        "kinds were passed over: Quorvel never reads or changes links and special files.\r\n\r\n"
                        "Click on Back and select a different directory or product and try again.",
                        passedOver);
        } else {
            ZephStrCopy(area,
                        "We have determined that no patching is required for this product in this directory.\r\n\r\n"
                        "Click on Back and select a different directory or product and try again.",
                        size);
        }
        return area;
    }
    case NoFileFound:
        ZephStrCopy(area,
                    "No files were found in this directory.\r\n\r\n"
                    "Click on Back and select a different directory or product and try again.",
                    size);
        return area;
    case RunFailed: break;
    }
    if (job.message[0] != '\0')
        return job.message;
    ZephStrCopy(area, UnknownErrorText, size);
    return area;
}

const char* composeDoneOutcome(const PatchJob& job, char* area, int size) {
    const long matched = job.filesMatched;
    switch (jobResultOf(job)) {
    case OneFileMatched:
        composeInto(area, size,
                    "Product patching complete!\r\n\r\n%ld file patched.\r\n\r\n"
                    "Click on Back to patch other products, or click on Finished! to quit.",
                    matched);
        return area;
    case SomeFilesMatched:
        composeInto(area, size,
                    "Product patching complete!\r\n\r\n%ld files patched.\r\n\r\n"
                    "Click on Back to patch other products, or click on Finished! to quit.",
                    matched);
        return area;
    case NoFileMatched:
        ZephStrCopy(area,
                    "No patching has occurred.\r\n\r\n"
                    "Click on Back and select a different directory and try again.",
                    size);
        return area;
    case NoFileFound:
        ZephStrCopy(area,
                    "No files were found in requested directory.\r\n\r\n"
                    "Click on Back and select a different directory and try again.",
                    size);
        return area;
    case RunFailed: break;
    }
    if (job.message[0] != '\0')
        return job.message;
    ZephStrCopy(area, UnknownErrorText, size);
    return area;
}

const char* doneExitLabel(const PatchJob& job) {
    const JobResult result = jobResultOf(job);
    return result == OneFileMatched || result == SomeFilesMatched ? "Finished!" : "Exit";
}
