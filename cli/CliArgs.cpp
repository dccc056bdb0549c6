// CliArgs.cpp - the quorvel tool's command line.
#include "CliArgs.h"

#include "ZephStr.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Options, as bits of what a verb accepts and what was seen.
enum : uint32_t {
    OptOld = 0x01,
    OptNew = 0x02,
    OptProduct = 0x04,
    OptChannel = 0x08,
    OptPrefix = 0x10,
    OptSaveAsNew = 0x20,
    OptDryRun = 0x40,
    OptJson = 0x80
};

struct OptionEntry {
    const char* name;
    uint32_t bit;
    bool takesValue;
};

const OptionEntry Options[] = {
    {"--old", OptOld, true},         {"--new", OptNew, true},       {"--product", OptProduct, true},
    {"--channel", OptChannel, true}, {"--prefix", OptPrefix, true}, {"--save-as-new", OptSaveAsNew, false},
    {"--dry-run", OptDryRun, false}, {"--json", OptJson, false},
};

constexpr uint32_t TargetOptions = OptProduct | OptChannel | OptPrefix;

struct VerbSpec {
    const char* name;
    CliVerb verb;
    uint32_t accepted;
    bool needsStrings; // --old and --new are required
    bool needsTarget;  // a folder or --product
    int32_t stringMax; // longest --old / --new
};

const VerbSpec Verbs[] = {
    {"scan", CliVerbScan, OptOld | OptNew | OptJson | TargetOptions, false, true, CliJobStringMax},
    {"patch", CliVerbPatch, OptOld | OptNew | OptJson | OptSaveAsNew | OptDryRun | TargetOptions, false, true,
     CliJobStringMax},
    {"report", CliVerbReport, OptOld | OptNew | TargetOptions, true, true, CliExpertStringMax},
    {"rewrite", CliVerbRewrite, OptOld | OptNew | OptSaveAsNew | TargetOptions, true, true, CliExpertStringMax},
    {"products", CliVerbProducts, 0, false, false, 0},
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

const OptionEntry* findOption(const char* argument, const char** inlineValue) {
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

const VerbSpec* findVerb(const char* name) {
    for (const VerbSpec& verbEntry : Verbs) {
        if (std::strcmp(name, verbEntry.name) == 0)
            return &verbEntry;
    }
    return nullptr;
}

bool isHelp(const char* argument) { return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0; }
bool isVersion(const char* argument) { return std::strcmp(argument, "--version") == 0; }

} // namespace

const char* CliVerbName(CliVerb verb) {
    for (const VerbSpec& verbEntry : Verbs) {
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

    // --help and --version answer alone, wherever they stand before "--".
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr || std::strcmp(argv[i], "--") == 0)
            break;
        if (isHelp(argv[i]) || isVersion(argv[i])) {
            options->verb = isHelp(argv[i]) ? CliVerbHelp : CliVerbVersion;
            return 0;
        }
    }

    CliOptions found;
    uint32_t seen = 0;
    const VerbSpec* verb = nullptr;
    const char* extra = nullptr; // a second folder
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument == nullptr)
            break;
        if (!optionsEnded && std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument[0] == '-' && argument[1] != '\0') {
            const char* value = nullptr;
            const OptionEntry* option = findOption(argument, &value);
            if (option == nullptr)
                return refuse(options, error, errorSize, "unknown option '%.*s'", QuotedMax, argument);
            if ((seen & option->bit) != 0)
                return refuse(options, error, errorSize, "option '%s' is given twice", option->name);
            if (!option->takesValue && value != nullptr)
                return refuse(options, error, errorSize, "option '%s' takes no value", option->name);
            if (option->takesValue && value == nullptr) {
                if (i + 1 >= argc || argv[i + 1] == nullptr)
                    return refuse(options, error, errorSize, "option '%s' needs a value", option->name);
                value = argv[++i];
            }
            seen |= option->bit;
            switch (option->bit) {
            case OptOld: found.oldString = value; break;
            case OptNew: found.newString = value; break;
            case OptProduct: found.product = value; break;
            case OptPrefix: found.prefix = value; break;
            case OptSaveAsNew: found.saveAsNew = true; break;
            case OptDryRun: found.dryRun = true; break;
            case OptJson: found.json = true; break;
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
    if (!verb->needsTarget) {
        if (found.directory != nullptr)
            return refuse(options, error, errorSize, "'%s' takes no folder", verb->name);
    } else {
        if (extra != nullptr)
            return refuse(options, error, errorSize, "more than one folder given ('%.*s')", QuotedMax, extra);
        if (found.directory != nullptr && found.product != nullptr)
            return refuse(options, error, errorSize, "give a folder or --product, not both");
        if (found.directory == nullptr && found.product == nullptr)
            return refuse(options, error, errorSize, "'%s' needs a folder (or --product and --channel)", verb->name);
        if (found.product != nullptr && found.channel == CliChannelNone)
            return refuse(options, error, errorSize, "--product needs --channel box or --channel download");
        if (found.product == nullptr && (seen & (OptChannel | OptPrefix)) != 0)
            return refuse(options, error, errorSize, "--channel and --prefix go with --product only");
    }
    if (verb->needsStrings && (found.oldString == nullptr || found.newString == nullptr))
        return refuse(options, error, errorSize, "'%s' needs --old and --new", verb->name);
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
