// CliArgs.cpp - the quorvel tool's command line.
#include "CliArgs.h"

#include "ZephStr.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Options, as bits of what a verb accepts and what was seen.
enum : uint32_t {
    OptOld = 0x001,
    OptNew = 0x002,
    OptProduct = 0x004,
    OptChannel = 0x008,
    OptPrefix = 0x010,
    OptSaveAsNew = 0x020,
    OptDryRun = 0x040,
    OptJson = 0x080,
    OptQuiet = 0x100,
    OptVerbose = 0x200,
    OptStrict = 0x400,
    OptSearch = 0x800
};

struct OptionEntry {
    const char* name;
    char shortName; // 0: none
    uint32_t bit;
    bool takesValue;
};

const OptionEntry Options[] = {
    {"--old", 0, OptOld, true},
    {"--new", 0, OptNew, true},
    {"--product", 0, OptProduct, true},
    {"--channel", 0, OptChannel, true},
    {"--prefix", 0, OptPrefix, true},
    {"--search", 0, OptSearch, true},
    {"--save-as-new", 0, OptSaveAsNew, false},
    {"--dry-run", 'n', OptDryRun, false},
    {"--strict", 0, OptStrict, false},
    {"--json", 0, OptJson, false},
    {"--quiet", 'q', OptQuiet, false},
    {"--verbose", 'v', OptVerbose, false},
};

// Every verb takes these: how much to say, and in which form.
constexpr uint32_t OutputOptions = OptJson | OptQuiet | OptVerbose;
constexpr uint32_t TargetOptions = OptProduct | OptChannel | OptPrefix;
constexpr uint32_t WriteOptions = OptSaveAsNew | OptDryRun | OptStrict;

enum TargetRule : int32_t {
    TargetNone,   // no folder
    TargetFolder, // a folder or --product
    TargetFilter  // no folder; --product and --channel narrow what is listed
};

struct VerbEntry {
    const char* name;
    CliVerb verb;
    uint32_t accepted;
    TargetRule target;
    bool needsStrings; // --old and --new are required
    bool takesEmptyNew;
    int32_t stringMax; // longest --old / --new
};

const VerbEntry Verbs[] = {
    {"scan", CliVerbScan, OutputOptions | OptOld | OptNew | TargetOptions, TargetFolder, false, false, CliJobStringMax},
    {"patch", CliVerbPatch, OutputOptions | OptOld | OptNew | TargetOptions | WriteOptions, TargetFolder, false, false,
     CliJobStringMax},
    {"report", CliVerbReport, OutputOptions | OptOld | OptNew | TargetOptions, TargetFolder, true, true,
     CliExpertStringMax},
    {"rewrite", CliVerbRewrite, OutputOptions | OptOld | OptNew | TargetOptions | WriteOptions, TargetFolder, true,
     true, CliExpertStringMax},
    {"undo", CliVerbUndo, OutputOptions | OptDryRun | TargetOptions, TargetFolder, false, false, 0},
    {"status", CliVerbStatus, OutputOptions | OptOld | OptNew | TargetOptions, TargetFolder, false, false,
     CliJobStringMax},
    {"find", CliVerbFind, OutputOptions | OptSearch | OptProduct | OptChannel, TargetFilter, false, false, 0},
    {"products", CliVerbProducts, OutputOptions, TargetNone, false, false, 0},
};

// Room for a quoted argument in a reason: enough to recognise it.
constexpr int QuotedMax = 40;

int refuse(CliOptions* options, char* error, int errorSize, const char* format, ...) {
    *options = CliOptions{};
    if (error != nullptr && errorSize > 0) {
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(error, static_cast<size_t>(errorSize), format, arguments);
        va_end(arguments);
        // Quoted arguments may hold anything; the reason stays one line.
        for (char* c = error; *c != '\0'; ++c) {
            if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F)
                *c = '?';
        }
    }
    return -1;
}

const OptionEntry* findLongOption(const char* argument, const char** inlineValue) {
    *inlineValue = nullptr;
    for (const OptionEntry& option : Options) {
        size_t length = std::strlen(option.name);
        if (std::strncmp(argument, option.name, length) != 0)
            continue;
        if (argument[length] == '\0')
            return &option;
        if (argument[length] == '=') {
            *inlineValue = argument + length + 1;
            return &option;
        }
    }
    return nullptr;
}

const OptionEntry* findShortOption(char letter) {
    for (const OptionEntry& option : Options) {
        if (option.shortName == letter)
            return &option;
    }
    return nullptr;
}

const VerbEntry* findVerb(const char* name) {
    for (const VerbEntry& verbEntry : Verbs) {
        if (std::strcmp(name, verbEntry.name) == 0)
            return &verbEntry;
    }
    return nullptr;
}

bool isShortGroup(const char* argument) { return argument[0] == '-' && argument[1] != '-' && argument[1] != '\0'; }

// -h, --help, -V, --version, or a group of short flags holding h or V.
CliVerb answeringVerb(const char* argument) {
    if (std::strcmp(argument, "--help") == 0)
        return CliVerbHelp;
    if (std::strcmp(argument, "--version") == 0)
        return CliVerbVersion;
    if (isShortGroup(argument)) {
        for (const char* c = argument + 1; *c != '\0'; ++c) {
            if (*c == 'h')
                return CliVerbHelp;
            if (*c == 'V')
                return CliVerbVersion;
        }
    }
    return CliVerbNone;
}

} // namespace

const char* CliVerbName(CliVerb verb) {
    for (const VerbEntry& verbEntry : Verbs) {
        if (verbEntry.verb == verb)
            return verbEntry.name;
    }
    return "";
}

int CliParseArgs(int argc, const char* const* argv, CliOptions* options, char* error, int errorSize) {
    if (error != nullptr && errorSize > 0)
        error[0] = '\0';
    if (options == nullptr)
        return -1;
    *options = CliOptions{};
    if (argv == nullptr || argc < 1)
        argc = 1;

    // Help and version answer alone, wherever they stand before "--".
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr || std::strcmp(argv[i], "--") == 0)
            break;
        CliVerb answer = answeringVerb(argv[i]);
        if (answer != CliVerbNone) {
            options->verb = answer;
            return 0;
        }
    }

    CliOptions found;
    uint32_t seen = 0;
    const VerbEntry* verb = nullptr;
    const char* extra = nullptr; // a second folder
    bool optionsEnded = false;
    // Takes one option with its value (none for a flag).
    auto take = [&](const OptionEntry& option, const char* value) -> int {
        if ((seen & option.bit) != 0 && option.bit != OptSearch)
            return refuse(options, error, errorSize, "option '%s' is given twice", option.name);
        seen |= option.bit;
        if (option.takesValue && value[0] == '\0' && option.bit != OptNew)
            return refuse(options, error, errorSize, "option '%s' needs a value that is not empty", option.name);
        switch (option.bit) {
        case OptOld: found.oldString = value; break;
        case OptNew: found.newString = value; break;
        case OptProduct: found.product = value; break;
        case OptPrefix: found.prefix = value; break;
        case OptSaveAsNew: found.saveAsNew = true; break;
        case OptDryRun: found.dryRun = true; break;
        case OptStrict: found.strict = true; break;
        case OptJson: found.json = true; break;
        case OptQuiet: found.quiet = true; break;
        case OptVerbose: found.verbose = true; break;
        case OptSearch:
            if (found.searchCount == CliSearchMax)
                return refuse(options, error, errorSize, "more than %d --search folders",
                              static_cast<int>(CliSearchMax));
            found.search[found.searchCount++] = value;
            break;
        case OptChannel:
            if (ZephStrEqualNoCase(value, "box"))
                found.channel = CliChannelBox;
            else if (ZephStrEqualNoCase(value, "download"))
                found.channel = CliChannelDownload;
            else
                return refuse(options, error, errorSize, "--channel is 'box' or 'download', not '%.*s'", QuotedMax,
                              value);
            break;
        default: break;
        }
        return 0;
    };

    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument == nullptr)
            break;
        if (!optionsEnded && std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument[0] == '-' && argument[1] == '-') {
            const char* value = nullptr;
            const OptionEntry* option = findLongOption(argument, &value);
            if (option == nullptr)
                return refuse(options, error, errorSize, "unknown option '%.*s'", QuotedMax, argument);
            if (!option->takesValue && value != nullptr)
                return refuse(options, error, errorSize, "option '%s' takes no value", option->name);
            if (option->takesValue && value == nullptr) {
                if (i + 1 >= argc || argv[i + 1] == nullptr)
                    return refuse(options, error, errorSize, "option '%s' needs a value", option->name);
                value = argv[++i];
            }
            if (take(*option, value != nullptr ? value : "") != 0)
                return -1;
            continue;
        }
        if (!optionsEnded && isShortGroup(argument)) {
            for (const char* letter = argument + 1; *letter != '\0'; ++letter) {
                const OptionEntry* option = findShortOption(*letter);
                if (option == nullptr)
                    return refuse(options, error, errorSize, "unknown option '-%c'",
                                  static_cast<unsigned char>(*letter) >= 0x20 ? *letter : '?');
                if (take(*option, "") != 0)
                    return -1;
            }
            continue;
        }
        if (verb == nullptr) {
            verb = findVerb(argument);
            if (verb == nullptr)
                return refuse(options, error, errorSize, "unknown command '%.*s'", QuotedMax, argument);
        } else if (found.directory == nullptr) {
            found.directory = argument;
        } else if (extra == nullptr) {
            extra = argument;
        }
    }

    if (verb == nullptr)
        return refuse(options, error, errorSize, "no command given");
    uint32_t refused = seen & ~verb->accepted;
    if (refused != 0) {
        for (const OptionEntry& option : Options) {
            if ((refused & option.bit) != 0)
                return refuse(options, error, errorSize, "'%s' does not take '%s'", verb->name, option.name);
        }
    }
    if (found.quiet && found.verbose)
        return refuse(options, error, errorSize, "--quiet and --verbose exclude each other");
    if (verb->target != TargetFolder) {
        if (found.directory != nullptr)
            return refuse(options, error, errorSize, "'%s' takes no folder (--search names folders to look in)",
                          verb->name);
    } else {
        if (extra != nullptr)
            return refuse(options, error, errorSize, "more than one folder given ('%.*s')", QuotedMax, extra);
        if (found.directory != nullptr && found.directory[0] == '\0')
            return refuse(options, error, errorSize, "the folder is an empty text");
        if (found.directory != nullptr && found.product != nullptr)
            return refuse(options, error, errorSize, "give a folder or --product, not both");
        if (found.directory == nullptr && found.product == nullptr)
            return refuse(options, error, errorSize, "'%s' needs a folder (or --product)", verb->name);
        if (found.product == nullptr && (seen & (OptChannel | OptPrefix)) != 0)
            return refuse(options, error, errorSize, "--channel and --prefix go with --product only");
    }
    if (verb->needsStrings && (found.oldString == nullptr || found.newString == nullptr))
        return refuse(options, error, errorSize, "'%s' needs --old and --new", verb->name);
    if (found.newString != nullptr && found.newString[0] == '\0' && !verb->takesEmptyNew)
        return refuse(options, error, errorSize, "option '--new' needs a value that is not empty");
    if (ZephStrLength(found.oldString) > verb->stringMax)
        return refuse(options, error, errorSize, "--old is longer than %d characters",
                      static_cast<int>(verb->stringMax));
    if (ZephStrLength(found.newString) > verb->stringMax)
        return refuse(options, error, errorSize, "--new is longer than %d characters",
                      static_cast<int>(verb->stringMax));
    if (ZephStrLength(found.directory) > CliDirectoryMax)
        return refuse(options, error, errorSize, "the folder is longer than %d characters",
                      static_cast<int>(CliDirectoryMax));

    found.verb = verb->verb;
    *options = found;
    return 0;
}
