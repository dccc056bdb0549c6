// CliFindVerb.cpp - find: the installs of the products on this machine, each
// with what a scan says of it; and products: the product table.
#include "CliFolders.h"
#include "CliInterrupt.h"
#include "CliJson.h"
#include "CliRun.h"
#include "CliText.h"
#include "CliVerbs.h"
#include "PatchJob.h"
#include "ProductTable.h"
#include "WizardStrings.h"
#include "ZephMem.h"
#include "ZephStr.h"

#include <cstdio>

namespace {

PatchJob job; // large; one per process

class Listener : public CliFindListener {
public:
    explicit Listener(CliTool& tool) : tool_(tool) {}
    void lookingIn(const char* folder, const char* source) override {
        if (!tool_.options.verbose)
            return;
        ZephBuf* text = tool_.err.buffer();
        text->appendFormat("%s: looking in ", CliProgramName);
        CliAppendShownName(text, folder);
        text->appendFormat(" (%s)\n", source);
        tool_.err.flush();
    }
    void skipped(const char* file, const char* reason) override {
        ++skippedFiles;
        tool_.warning(file, reason);
    }
    int32_t skippedFiles = 0;

private:
    CliTool& tool_;
};

// A quick scan of folder for text: the files that hold it, or -1 when the
// scan failed (with the failure in job).
int32_t filesHolding(CliTool& tool, const char* folder, const char* text) {
    job.init(&ZephMemManagerGlobal);
    job.setDirectory(folder);
    job.setOldString(text);
    job.setNewString(text);
    job.quickScan = 1;
    struct Stopper : CliRunObserver {
        explicit Stopper(CliTool& owner) : tool(owner) {}
        bool stopRequested() override { return tool.stopRequested(); }
        CliTool& tool;
    } stopper(tool);
    CliRunJob(&job, &stopper);
    return job.status == Finished ? job.filesMatched : -1;
}

void scanInstall(CliTool& tool, CliInstall* install) {
    const int32_t needing = filesHolding(tool, install->folder, legacyServerAddress);
    install->filesToPatch = needing > 0 ? needing : 0;
    if (needing > 0) {
        install->status = CliInstallNeedsPatching;
    } else if (needing == 0) {
        const int32_t patched = filesHolding(tool, install->folder, serviceHostName);
        install->status = patched > 0    ? CliInstallPatched
                          : patched == 0 ? CliInstallNothingToPatch
                                         : CliInstallUnreadable;
    } else {
        install->status = CliInstallUnreadable;
    }
    if (install->status == CliInstallUnreadable && !tool.stopRequested()) {
        ZephBuf message;
        message.init(&ZephMemManagerGlobal, 256);
        CliTool::composeFailure(job.failure, &message);
        tool.warning(nullptr, message.data != nullptr ? message.data : "cannot scan");
        message.clear();
    }
    job.clear();
}

const char* statusKey(int32_t status) {
    switch (status) {
    case CliInstallNeedsPatching: return "needs_patching";
    case CliInstallPatched: return "patched";
    case CliInstallNothingToPatch: return "nothing_to_patch";
    case CliInstallUnreadable: return "unreadable";
    default: return "unknown";
    }
}

void writeInstall(CliTool& tool, const CliInstall& install) {
    ZephBuf* text = tool.out.buffer();
    if (tool.options.json) {
        CliJsonLine(text, "install")
            .text("product", install.product->title)
            .number("number", install.product->id)
            .text("channel", CliChannelKey(install.channel))
            .text("folder", install.folder)
            .text("prefix", install.prefix[0] != '\0' ? install.prefix : nullptr)
            .text("source", install.source)
            .text("status", statusKey(install.status))
            .number("files_to_patch", install.filesToPatch)
            .end();
    } else {
        char status[40];
        if (install.status == CliInstallNeedsPatching)
            std::snprintf(status, sizeof status, "needs patching (%ld file%s)", static_cast<long>(install.filesToPatch),
                          install.filesToPatch == 1 ? "" : "s");
        else
            ZephStrCopy(status,
                        install.status == CliInstallPatched          ? "patched"
                        : install.status == CliInstallNothingToPatch ? "nothing to patch"
                                                                     : "cannot be scanned",
                        sizeof status);
        text->appendFormat("%-21s  %-8s  %-26s  ", install.product->title, CliChannelWords(install.channel), status);
        CliAppendShownName(text, install.folder);
        text->append("\n", 1);
    }
    tool.out.flush();
}

} // namespace

int CliFindVerb(CliTool& tool) {
    const CliOptions& options = tool.options;
    const ProductEntry* product = nullptr;
    if (options.product != nullptr && (product = CliFindProduct(options.product)) == nullptr) {
        char reason[CliErrorSize];
        std::snprintf(reason, sizeof reason, "no product '%.40s' (see '%s products')", options.product, CliProgramName);
        return tool.usageError(reason);
    }
    CliInstallList installs;
    Listener listener(tool);
    CliFindInstalls(CliPlacesOf(tool), product, options.channel, &installs, &listener);

    int32_t needing = 0;
    int32_t shown = 0;
    for (int32_t i = 0; i < installs.count() && !tool.stopRequested(); ++i) {
        CliInstall& install = installs.at(i);
        scanInstall(tool, &install);
        if (tool.stopRequested())
            break;
        if (install.status == CliInstallNeedsPatching)
            ++needing;
        ++shown;
        if (!options.quiet)
            writeInstall(tool, install);
    }
    if (tool.speaks() && installs.count() == 0) {
        tool.out.buffer()->appendFormat("No installs found.\n");
        tool.out.flush();
    }
    if (options.json) {
        CliJsonLine(tool.out.buffer(), "summary")
            .text("command", "find")
            .text("result", tool.stopRequested() ? "interrupted" : "done")
            .number("installs", shown)
            .number("needs_patching", needing)
            .number("skipped_files", listener.skippedFiles)
            .number("exit", CliInterrupted() ? CliInterruptExitCode() : CliExitSuccess)
            .end();
        tool.out.flush();
    }
    return CliExitSuccess;
}

int CliProductsVerb(CliTool& tool) {
    const CliOptions& options = tool.options;
    ZephBuf* text = tool.out.buffer();
    int titleWidth = 5;
    int boxWidth = 14;
    for (int32_t i = 0; ProductTable[i].title != nullptr; ++i) {
        if (ZephStrLength(ProductTable[i].title) > titleWidth)
            titleWidth = ZephStrLength(ProductTable[i].title);
        if (ZephStrLength(ProductTable[i].boxCopyFolder) > boxWidth)
            boxWidth = ZephStrLength(ProductTable[i].boxCopyFolder);
    }
    if (tool.speaks()) {
        text->appendFormat("%2s  %-*s  %-*s  %s\n", "#", titleWidth, "Title", boxWidth, "Box copy (box)",
                           "Download store (download)");
    }
    for (int32_t i = 0; ProductTable[i].title != nullptr; ++i) {
        const ProductEntry& row = ProductTable[i];
        if (options.json) {
            if (!options.quiet) {
                CliJsonLine(text, "product")
                    .number("number", row.id)
                    .text("title", row.title)
                    .text("box", row.boxCopyFolder)
                    .text("download", row.downloadFolder)
                    .end();
            }
        } else if (!options.quiet) {
            text->appendFormat("%2ld  %-*s  %-*s  %s\n", static_cast<long>(row.id), titleWidth, row.title, boxWidth,
                               row.boxCopyFolder, row.downloadFolder);
        }
    }
    if (options.json) {
        CliJsonLine(text, "summary")
            .text("command", "products")
            .number("products", ProductCount)
            .number("exit", 0)
            .end();
    } else if (!options.quiet && CliFoldersUseWinePrefix) {
        text->appendFormat("Under Wine, C:\\ is the drive_c folder of a prefix ('%s find' looks in them).\n",
                           CliProgramName);
    }
    tool.out.flush();
    return CliExitSuccess;
}
