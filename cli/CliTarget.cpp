// CliTarget.cpp - the folder a run of the quorvel tool works on: DIR, or the
// install of the product that --product names.
#include "CliFolders.h"
#include "CliInterrupt.h"
#include "CliText.h"
#include "CliVerbs.h"
#include "ProductTable.h"
#include "ZephMem.h"
#include "ZephStr.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Warnings about launcher files met on the way.
class Warner : public CliFindListener {
public:
    explicit Warner(CliTool& tool) : tool_(tool) {}
    void skipped(const char* file, const char* reason) override { tool_.warning(file, reason); }

private:
    CliTool& tool_;
};

// One line per install: "  N) <channel>  <folder>", for a question or a
// refusal.
void listInstalls(CliTool& tool, CliInstallList& installs) {
    ZephBuf* text = tool.err.buffer();
    for (int32_t i = 0; i < installs.count(); ++i) {
        text->appendFormat("  %ld) %-9s ", static_cast<long>(i + 1), CliChannelWords(installs.at(i).channel));
        CliAppendShownName(text, installs.at(i).folder);
        text->append("\n", 1);
    }
    tool.err.flush();
}

// The number the user typed, 1 to count; 0 for anything else.
int32_t askWhich(CliTool& tool, int32_t count) {
    tool.err.buffer()->appendFormat("Which one (1-%ld)? ", static_cast<long>(count));
    tool.err.flush();
    char answer[32];
    CliInterruptEndsAtOnce(true);
    const bool answered = tool.env.in != nullptr && std::fgets(answer, sizeof answer, tool.env.in) != nullptr;
    CliInterruptEndsAtOnce(false);
    if (!answered)
        return 0;
    char* end = nullptr;
    const long chosen = std::strtol(answer, &end, 10);
    while (end != nullptr && (*end == ' ' || *end == '\r' || *end == '\n'))
        ++end;
    return end != answer && end != nullptr && *end == '\0' && chosen >= 1 && chosen <= count
               ? static_cast<int32_t>(chosen)
               : 0;
}

} // namespace

const char* CliChannelKey(int32_t channel) {
    return channel == PurchaseChannel::BoxCopy         ? "box"
           : channel == PurchaseChannel::DownloadStore ? "download"
                                                       : nullptr;
}

const char* CliChannelWords(int32_t channel) {
    return channel == PurchaseChannel::BoxCopy         ? "box copy"
           : channel == PurchaseChannel::DownloadStore ? "download"
                                                       : nullptr;
}

CliFindPlaces CliPlacesOf(const CliTool& tool) {
    CliFindPlaces places;
    places.home = tool.env.home;
    places.winePrefix = tool.env.winePrefix;
    places.xdgDataHome = tool.env.xdgDataHome;
    places.search = tool.options.search;
    places.searchCount = tool.options.searchCount;
    return places;
}

bool CliResolveTarget(CliTool& tool, CliTarget* target, int* code) {
    const CliOptions& options = tool.options;
    *code = CliExitFailed;
    if (options.product == nullptr) {
        ZephStrCopy(target->folder, options.directory, sizeof target->folder);
        CliTrimFolder(target->folder);
        char problem[256];
        if (CliFolderProblem(target->folder, problem, sizeof problem)) {
            tool.error(target->folder, problem);
            return false;
        }
        return true;
    }

    target->product = CliFindProduct(options.product);
    if (target->product == nullptr) {
        char reason[CliErrorSize];
        std::snprintf(reason, sizeof reason, "no product '%.40s' (see '%s products')", options.product, CliProgramName);
        *code = tool.usageError(reason);
        return false;
    }
    const int32_t channel = options.channel; // CliChannel values are PurchaseChannel's
    CliInstallList installs;
    if (options.prefix != nullptr) {
        if (!CliFoldersUseWinePrefix) {
            *code = tool.usageError("--prefix names a Wine prefix; Windows takes the product's folder as it is");
            return false;
        }
        char prefix[CliPathSize];
        ZephStrCopy(prefix, options.prefix, sizeof prefix);
        CliTrimFolder(prefix);
        char problem[256];
        if (CliFolderProblem(prefix, problem, sizeof problem)) {
            tool.error(prefix, problem);
            return false;
        }
        CliFindInPrefix(prefix, target->product, channel, "wine", &installs);
        if (installs.count() == 0 && channel != PurchaseChannel::None) {
            // One folder was looked for: say which, and why it is not there.
            char folder[CliPathSize];
            if (CliMapIntoPrefix(defaultProductFolder(target->product, channel), prefix, folder, sizeof folder) == 0) {
                CliMatchLetterCase(&ZephMemManagerGlobal, folder, ZephStrLength(prefix));
                char missing[256];
                tool.error(folder, CliFolderProblem(folder, missing, sizeof missing) ? missing : "not found");
                return false;
            }
        }
    } else {
        Warner warner(tool);
        CliFindInstalls(CliPlacesOf(tool), target->product, channel, &installs, &warner);
    }

    if (installs.count() == 0) {
        char what[CliErrorSize + 64];
        std::snprintf(what, sizeof what, "no install of \"%s\"%s%s%s was found; give its folder, or --prefix",
                      target->product->title, channel != PurchaseChannel::None ? " (" : "",
                      channel != PurchaseChannel::None ? CliChannelWords(channel) : "",
                      channel != PurchaseChannel::None ? ")" : "");
        tool.error(options.prefix, what);
        return false;
    }
    int32_t chosen = 1;
    if (installs.count() > 1) {
        char what[CliErrorSize + 64];
        std::snprintf(what, sizeof what, "%ld installs of \"%s\" were found%s", static_cast<long>(installs.count()),
                      target->product->title,
                      tool.env.interactive ? ":" : "; name one as DIR, or with --channel or --prefix:");
        if (tool.env.interactive) {
            tool.line.clear();
            tool.err.buffer()->appendFormat("%s\n", what);
            listInstalls(tool, installs);
            chosen = askWhich(tool, installs.count());
            if (chosen == 0) {
                *code = tool.usageError("no install chosen");
                return false;
            }
        } else {
            tool.error(nullptr, what);
            listInstalls(tool, installs);
            *code = CliExitUsage;
            return false;
        }
    }
    const CliInstall& install = installs.at(chosen - 1);
    ZephStrCopy(target->folder, install.folder, sizeof target->folder);
    target->channel = install.channel;
    return true;
}
