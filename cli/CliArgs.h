// CliArgs.h - the command line of the quorvel tool, read into a plain record
// without any input or output, so that it can be tested and fuzzed alone.
#ifndef QUORVEL_CLI_CLIARGS_H
#define QUORVEL_CLI_CLIARGS_H

#include <cstdint>

enum CliVerb : int32_t {
    CliVerbNone = 0,
    CliVerbScan,     // the job's scan run
    CliVerbPatch,    // the scan run, then the convert run when files need it
    CliVerbReport,   // the expert run, reporting only
    CliVerbRewrite,  // the expert run, rewriting
    CliVerbProducts, // the product table
    CliVerbHelp,     // --help
    CliVerbVersion   // --version
};

// The purchase channels --channel names; the values are the product
// table's (PurchaseChannel::BoxCopy, PurchaseChannel::DownloadStore).
enum CliChannel : int32_t { CliChannelNone = 0, CliChannelBox = 1, CliChannelDownload = 2 };

// Longest texts the runs can take whole. The job keeps its strings in
// 512-byte fields and the expert run in 1024-byte ones, and both keep the
// directory in 1024 bytes; a longer text would be cut to another string or
// another folder, so it is refused as bad usage instead.
inline constexpr int32_t CliJobStringMax = 511;
inline constexpr int32_t CliExpertStringMax = 1023;
inline constexpr int32_t CliDirectoryMax = 1023;

// What the command line asks for. Every text points into the argument
// vector given to CliParseArgs; none means "not given".
struct CliOptions {
    CliVerb verb = CliVerbNone;
    const char* directory = nullptr; // DIR
    const char* oldString = nullptr; // --old
    const char* newString = nullptr; // --new
    const char* product = nullptr;   // --product: a title or a row number
    CliChannel channel = CliChannelNone;
    const char* prefix = nullptr; // --prefix
    bool saveAsNew = false;
    bool dryRun = false;
    bool json = false;
};

// Size of an area that holds any reason CliParseArgs gives.
inline constexpr int CliErrorSize = 160;

// Reads argv[1 .. argc - 1] (argv[0] is the program's name). Options may
// stand before or after the verb, a value either as the next argument or
// after "=" ("--old=S"); "--" ends the options, so a folder may begin with a
// dash. --help or --version anywhere answers alone.
//
// Returns 0 with *options filled, or -1 with *options reset and a one-line
// reason (no line end) in error, cut to errorSize: no verb, an unknown verb
// or option, an option given twice or without its value, an option the verb
// does not take, a missing or extra folder, a folder together with
// --product, --product without --channel (or --channel or --prefix without
// --product), a verb that needs --old and --new without them, or a text
// longer than the run can hold. Empty texts are not refused here: the runs
// refuse them in their own words. Cannot fail otherwise; reads nothing
// outside the given arguments.
int CliParseArgs(int argc, const char* const* argv, CliOptions* options, char* error, int errorSize);

// The verb's name on the command line ("scan"...); "" for the others.
const char* CliVerbName(CliVerb verb);

#endif
