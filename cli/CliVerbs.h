// CliVerbs.h - the verbs of the quorvel tool, each a function of the tool's
// state, and the folder they work on. Internal to cli/.
#ifndef QUORVEL_CLI_CLIVERBS_H
#define QUORVEL_CLI_CLIVERBS_H

#include "CliFind.h"
#include "CliTool.h"

struct ProductEntry;

// The folder a run works on and, when --product chose it, which install.
struct CliTarget {
    char folder[CliPathSize] = {};
    const ProductEntry* product = nullptr;
    int32_t channel = 0; // PurchaseChannel of the install; None for a folder given as DIR
};

// DIR, or the install --product names (asking, on a terminal, when there are
// several). True with target filled; false with *code the exit code, the
// reason already reported.
bool CliResolveTarget(CliTool& tool, CliTarget* target, int* code);

// The channel's name in JSON ("box", "download") and in sentences ("box
// copy", "download"); none for PurchaseChannel::None.
const char* CliChannelKey(int32_t channel);
const char* CliChannelWords(int32_t channel);

// Where find looks, from the environment and --search.
CliFindPlaces CliPlacesOf(const CliTool& tool);

// Each returns the verb's exit code (before CliTool::finish).
int CliScanOrPatch(CliTool& tool, const CliTarget& target);
int CliReportOrRewrite(CliTool& tool, const CliTarget& target);
int CliUndoVerb(CliTool& tool, const CliTarget& target);
int CliStatusVerb(CliTool& tool, const CliTarget& target);
int CliFindVerb(CliTool& tool);
int CliProductsVerb(CliTool& tool);

#endif
