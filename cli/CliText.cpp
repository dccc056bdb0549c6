// CliText.cpp - the quorvel tool's texts: line ends, shown names, causes,
// progress, help.
#include "CliText.h"

#include "WizardStrings.h"
#include "ZephBuf.h"
#include "ZephStr.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const HelpText = "Usage: %s COMMAND [OPTIONS] [DIR]\n"
                             "Finds the old server's address (%s) in a game's install folder and\n"
                             "rewrites it into the service's host name (%s).\n"
                             "\n"
                             "Commands:\n"
                             "  scan DIR      count the files of DIR that hold the old address\n"
                             "  patch DIR     rewrite every file of DIR that holds it\n"
                             "  report DIR    log every occurrence of --old in DIR; nothing is written\n"
                             "  rewrite DIR   log and replace every occurrence of --old by --new\n"
                             "  undo DIR      give back the files of the last run on DIR that is not\n"
                             "                undone yet (patch or rewrite); again: the run before\n"
                             "  status DIR    whether DIR needs patching, and what the last run did\n"
                             "  find          list the installs of the products on this machine, and\n"
                             "                whether they need patching\n"
                             "  products      list the products and their default install folders\n"
                             "\n"
                             "In place of DIR:\n"
                             "  --product TITLE|NUMBER [--channel box|download] [--prefix WINEPREFIX]\n"
                             "                the product's install as find finds it (in WINEPREFIX\n"
                             "                only, when given); when there are several, asks which on\n"
                             "                a terminal, and elsewhere lists them and exits with 2\n"
                             "\n"
                             "Options:\n"
                             "  --old S, --new S  the strings; report and rewrite need both, scan and\n"
                             "                    patch take the two above\n"
                             "  --save-as-new     leave every file as it is and write NAME%s beside it\n"
                             "  -n, --dry-run     patch, rewrite, undo: say what would change, write\n"
                             "                    nothing\n"
                             "  --strict          patch, rewrite: refuse, before anything is written, a\n"
                             "                    run that would cut --new to the length of --old in a\n"
                             "                    binary file (.EXE, .DLL keep their length)\n"
                             "  --search DIR      find: look in DIR and in its subfolders too; repeatable\n"
                             "  --json            JSON Lines on standard output: one object per file as\n"
                             "                    it is decided (find: per install), then a summary\n"
                             "  -q, --quiet       nothing on standard output but the --json summary\n"
                             "  -v, --verbose     list every file with its count of occurrences\n"
                             "  -h, --help        show this help\n"
                             "  -V, --version     show the version\n"
                             "\n"
                             "One run works on a folder at a time; another waits up to 3 seconds, then\n"
                             "fails. Links and special files (FIFOs, sockets, devices) are passed over,\n"
                             "never read or written: a warning counts them (passed_over in --json).\n"
                             "Temporary files left by a killed run are removed first, with a note\n"
                             "(stale_removed in --json).\n"
                             "\n"
                             "Exit status:\n"
                             "  0    success; for scan: nothing needs patching\n"
                             "  1    failure; the cause is on standard error\n"
                             "  2    bad usage (a missing or empty argument too)\n"
                             "  3    scan, status: files need patching\n"
                             "  130  interrupted by SIGINT (Ctrl-C); 143 by SIGTERM; 129 by SIGHUP; 141\n"
                             "       when standard output was closed. patch changes all files or none:\n"
                             "       stopped, it leaves every file as it was.\n"
                             "\n"
                             "patch, rewrite and undo keep a record of what they change outside DIR:\n"
                             "  %s\n"
                             "From it undo gives the old bytes back exactly; a file changed since\n"
                             "refuses the undo, naming the file. A run cut short by a crash is\n"
                             "completed or undone by the next run on DIR, before anything else.\n";

// Whether c must not reach a terminal as it is.
bool steersTerminal(unsigned char c, bool keepLineFeed) {
    if (c == '\t' || (c == '\n' && keepLineFeed))
        return false;
    return c < 0x20 || c == 0x7F;
}

int appendEscapedByte(ZephBuf* out, unsigned char c) { return out->appendFormat("\\x%02x", static_cast<unsigned>(c)); }

// Appends length bytes, escaping what could steer a terminal.
int appendShown(ZephBuf* out, const unsigned char* bytes, int32_t length, bool keepLineFeed) {
    int32_t start = 0; // first byte not yet appended
    for (int32_t i = 0; i < length; ++i) {
        unsigned char c = bytes[i];
        int sequence = 1;
        bool escape = false;
        if (c < 0x80) {
            escape = steersTerminal(c, keepLineFeed);
        } else {
            sequence = CliUtf8Length(bytes + i, length - i);
            // C1 controls (U+0080-U+009F) steer terminals too.
            escape = sequence == 0 || (sequence == 2 && c == 0xC2 && bytes[i + 1] < 0xA0);
            if (sequence == 0)
                sequence = 1;
        }
        if (!escape) {
            i += sequence - 1;
            continue;
        }
        if (i > start && out->append(bytes + start, i - start) != 0)
            return -1;
        for (int k = 0; k < sequence; ++k) {
            if (appendEscapedByte(out, bytes[i + k]) != 0)
                return -1;
        }
        i += sequence - 1;
        start = i + 1;
    }
    return length > start ? out->append(bytes + start, length - start) : 0;
}

void formatAmount(int64_t bytes, char* area, size_t size) {
    double value = static_cast<double>(bytes < 0 ? 0 : bytes);
    if (value < 1000.0)
        std::snprintf(area, size, "%lld B", static_cast<long long>(value));
    else if (value < 1e6)
        std::snprintf(area, size, "%.1f KB", value / 1e3);
    else if (value < 1e9)
        std::snprintf(area, size, "%.1f MB", value / 1e6);
    else
        std::snprintf(area, size, "%.1f GB", value / 1e9);
}

} // namespace

int CliUtf8Length(const unsigned char* text, int32_t available) {
    unsigned char lead = text[0];
    int length;
    uint32_t value;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((text[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (text[i] & 0x3Fu);
    }
    if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) || value > 0x10FFFF ||
        (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

int CliAppendTerminalBytes(ZephBuf* out, const char* text, int32_t length, bool escape) {
    if (text == nullptr || length <= 0)
        return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    auto piece = [&](int32_t from, int32_t to) {
        if (to <= from)
            return 0;
        return escape ? appendShown(out, bytes + from, to - from, true) : out->append(text + from, to - from);
    };
    const char* end = text + length;
    int32_t start = 0;
    for (auto* cr = static_cast<const char*>(std::memchr(text, '\r', static_cast<size_t>(length)));
         cr != nullptr && cr + 1 < end; cr = static_cast<const char*>(std::memchr(cr + 1, '\r', end - cr - 1))) {
        if (cr[1] != '\n')
            continue;
        const auto at = static_cast<int32_t>(cr - text);
        if (piece(start, at) != 0)
            return -1;
        start = at + 1; // the LF
    }
    return piece(start, length);
}

int CliAppendTerminalText(ZephBuf* out, const char* text, bool escape) {
    return CliAppendTerminalBytes(out, text, ZephStrLength(text), escape);
}

int CliAppendShownName(ZephBuf* out, const char* name) {
    return appendShown(out, reinterpret_cast<const unsigned char*>(name != nullptr ? name : ""), ZephStrLength(name),
                       false);
}

void CliFormatProgress(const char* label, int32_t filesDone, int32_t filesTotal, int64_t bytesDone, int64_t bytesTotal,
                       int32_t secondsLeft, char* area, int size) {
    if (area == nullptr || size < 1)
        return;
    char done[32];
    char total[32];
    formatAmount(bytesDone, done, sizeof done);
    formatAmount(bytesTotal, total, sizeof total);
    char left[48] = "";
    if (secondsLeft >= 3600)
        std::snprintf(left, sizeof left, ", about %d h %d min left", secondsLeft / 3600, secondsLeft % 3600 / 60);
    else if (secondsLeft >= 60)
        std::snprintf(left, sizeof left, ", about %d min left", (secondsLeft + 30) / 60);
    else if (secondsLeft >= 0)
        std::snprintf(left, sizeof left, ", about %d s left", secondsLeft);
    std::snprintf(area, static_cast<size_t>(size), "%s %ld of %ld files, %s of %s%s", label != nullptr ? label : "",
                  static_cast<long>(filesDone), static_cast<long>(filesTotal), done, total, left);
}

int CliAppendHelp(ZephBuf* out) {
#ifdef _WIN32
    const char* const journal = "%LOCALAPPDATA%\\Quorvel";
#else
    const char* const journal = "$XDG_STATE_HOME/quorvel (by default ~/.local/state/quorvel)";
#endif
    return out->appendFormat(HelpText, CliProgramName, legacyServerAddress, serviceHostName, CliSideCopySuffix,
                             journal);
}

int CliAppendUsageHint(ZephBuf* out, const char* reason) {
    return out->appendFormat("%s: %s\nTry '%s --help' for more information.\n", CliProgramName,
                             reason != nullptr ? reason : "bad usage", CliProgramName);
}
