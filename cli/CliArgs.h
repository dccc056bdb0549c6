// CliArgs.h - the command line of the quorvel tool, read into a plain record
// without any input or output, so that it can be tested and fuzzed alone.
#ifndef QUORVEL_CLI_CLIARGS_H
#define QUORVEL_CLI_CLIARGS_H

#include <cstdint>

// The verbs, in the order --help lists them. A new verb is a row of the
// table in CliArgs.cpp and a case in CliRunProgram.
enum CliVerb : int32_t {
    CliVerbNone = 0,
    CliVerbScan,     // the job's scan run
    CliVerbPatch,    // the scan run, then the convert run when files need it
    CliVerbReport,   // the expert run, reporting only
    CliVerbRewrite,  // the expert run, rewriting
    CliVerbUndo,     // the last run on a folder undone
    CliVerbStatus,   // what a folder needs, and what the journal says of it
    CliVerbFind,     // the installs of the product table on this machine
    CliVerbProducts, // the product table
    CliVerbHelp,     // -h, --help
    CliVerbVersion   // -V, --version
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

// Folders --search may name in one command.
inline constexpr int32_t CliSearchMax = 16;

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
    const char* search[CliSearchMax] = {};
    int32_t searchCount = 0;
    bool saveAsNew = false; // --save-as-new
    bool dryRun = false;    // -n, --dry-run
    bool strict = false;    // --strict
    bool json = false;      // --json
    bool quiet = false;     // -q, --quiet
    bool verbose = false;   // -v, --verbose
};

// Size of an area that holds any reason CliParseArgs gives.
inline constexpr int CliErrorSize = 160;

// Reads argv[1 .. argc - 1] (argv[0] is the program's name). Options may
// stand before or after the verb, a value either as the next argument or
// after "=" ("--old=S"); the short flags (-h -V -q -v -n) may be joined
// ("-qn"); "--" ends the options, so a folder may begin with a dash; a lone
// "-" is a folder. -h/--help or -V/--version anywhere answers alone.
//
// Returns 0 with *options filled, or -1 with *options reset and a one-line
// reason (no line end) in error, cut to errorSize: no verb, an unknown verb
// or option, an option given twice (--search excepted) or without its
// value, an empty value or folder (an empty --new is taken by report and
// rewrite, where it deletes), an option the verb does not take, a missing
// or extra folder, a folder together with --product, --channel or --prefix
// without --product, --quiet with --verbose, a verb that needs --old and
// --new without them, more than CliSearchMax --search, or a text longer
// than the run can hold. Cannot fail otherwise; reads nothing outside the
// given arguments.
int CliParseArgs(int argc, const char* const* argv, CliOptions* options, char* error, int errorSize);

// The verb's name on the command line ("scan"...); "" for the others.
const char* CliVerbName(CliVerb verb);

#endif
