// CliProgram.cpp - the quorvel tool: reads the command line and runs a verb.
#include "CliProgram.h"

#include "CliArgs.h"
#include "CliText.h"
#include "CliTool.h"
#include "CliVerbs.h"
#include "ZephBuf.h"

int CliRunProgram(int argc, const char* const* argv, const CliEnvironment& env) {
    CliOptions options;
    char reason[CliErrorSize];
    const bool understood = CliParseArgs(argc, argv, &options, reason, sizeof reason) == 0;
    CliTool tool(options, env);
    if (!understood)
        return tool.usageError(reason);

    int code = CliExitSuccess;
    switch (options.verb) {
    case CliVerbHelp: CliAppendHelp(tool.out.buffer()); break;
    case CliVerbVersion: tool.out.buffer()->appendFormat("%s\n", CliVersionText); break;
    case CliVerbProducts: code = CliProductsVerb(tool); break;
    case CliVerbFind: code = CliFindVerb(tool); break;
    case CliVerbScan:
    case CliVerbPatch:
    case CliVerbReport:
    case CliVerbRewrite:
    case CliVerbUndo:
    case CliVerbStatus: {
        CliTarget target;
        if (!CliResolveTarget(tool, &target, &code))
            break;
        if (options.verb == CliVerbUndo || options.verb == CliVerbStatus)
            code = options.verb == CliVerbUndo ? CliUndoVerb(tool, target) : CliStatusVerb(tool, target);
        else if (options.verb == CliVerbReport || options.verb == CliVerbRewrite)
            code = CliReportOrRewrite(tool, target);
        else
            code = CliScanOrPatch(tool, target);
        break;
    }
    case CliVerbNone: break;
    }
    return tool.finish(code);
}
