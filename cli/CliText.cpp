// CliText.cpp - the quorvel tool's texts: line ends, JSON, progress, help.
#include "CliText.h"

#include "PatchJob.h"
#include "WizardStrings.h"
#include "ZephBuf.h"
#include "ZephStr.h"

#include <cstdio>
#include <cstring>

namespace {

// Length of the valid UTF-8 sequence at text (at most available bytes), or
// 0 when the bytes there are not one: overlong forms, surrogates and values
// past U+10FFFF are not valid.
int utf8SequenceLength(const unsigned char* text, int32_t available) {
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

const char* const HelpText = "Usage: %s COMMAND [OPTIONS] DIR\n"
                             "Finds the old server's address in a game's install folder and rewrites it\n"
                             "into the service's host name, as the Quorvel wizard does.\n"
                             "\n"
                             "Commands:\n"
                             "  scan [--old S --new S] [--json] DIR\n"
                             "        count the files that hold the old string; nothing is written\n"
                             "  patch [--old S --new S] [--save-as-new] [--dry-run] [--json] DIR\n"
                             "        scan, then rewrite every file that holds the old string\n"
                             "        (--save-as-new writes NAME.new beside each file instead;\n"
                             "        --dry-run stops after the scan)\n"
                             "  report --old S --new S DIR\n"
                             "        the expert run: log every occurrence, write nothing\n"
                             "  rewrite --old S --new S [--save-as-new] DIR\n"
                             "        the expert run: log and replace every occurrence\n"
                             "        (--save-as-new writes NAME.NEW beside each file instead)\n"
                             "  products\n"
                             "        list the products and their default install folders\n"
                             "\n"
                             "In place of DIR:\n"
                             "  --product TITLE|NUMBER --channel box|download [--prefix WINEPREFIX]\n"
                             "        the product's default install folder for the purchase channel;\n"
                             "        under Wine, C:\\ is the prefix's drive_c (default prefix:\n"
                             "        $WINEPREFIX, else ~/.wine)\n"
                             "\n"
                             "Options:\n"
                             "  --old S, --new S  the strings; scan and patch default to the wizard's\n"
                             "                    (\"%s\" becomes \"%s\")\n"
                             "  --json            one JSON line: status, visited, matched, message\n"
                             "  --help, --version\n"
                             "\n"
                             "Exit status: 0 the run finished, 1 the run failed (its message on\n"
                             "standard error), 2 bad usage.\n";

} // namespace

int CliAppendTerminalBytes(ZephBuf* out, const char* text, int32_t length) {
    if (text == nullptr || length <= 0)
        return 0;
    const char* end = text + length;
    const char* start = text;
    for (auto* cr = static_cast<const char*>(std::memchr(text, '\r', static_cast<size_t>(length)));
         cr != nullptr && cr + 1 < end; cr = static_cast<const char*>(std::memchr(cr + 1, '\r', end - cr - 1))) {
        if (cr[1] != '\n')
            continue;
        if (cr > start && out->append(start, static_cast<int32_t>(cr - start)) != 0)
            return -1;
        start = cr + 1; // the LF
    }
    return end > start ? out->append(start, static_cast<int32_t>(end - start)) : 0;
}

int CliAppendTerminalText(ZephBuf* out, const char* text) {
    return CliAppendTerminalBytes(out, text, ZephStrLength(text));
}

int CliAppendJsonString(ZephBuf* out, const char* text) {
    if (out->append("\"", 1) != 0)
        return -1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text != nullptr ? text : "");
    int32_t length = ZephStrLength(reinterpret_cast<const char*>(bytes));
    for (int32_t i = 0; i < length; ++i) {
        unsigned char c = bytes[i];
        char escaped[8];
        int result = 0;
        if (c == '\r' && i + 1 < length && bytes[i + 1] == '\n') {
            continue; // the LF that follows stands for both
        } else if (c == '"' || c == '\\') {
            escaped[0] = '\\';
            escaped[1] = static_cast<char>(c);
            result = out->append(escaped, 2);
        } else if (c == '\n') {
            result = out->append("\\n", 2);
        } else if (c == '\r') {
            result = out->append("\\r", 2);
        } else if (c == '\t') {
            result = out->append("\\t", 2);
        } else if (c < 0x20 || c == 0x7F) {
            result = out->appendFormat("\\u%04x", static_cast<unsigned>(c));
        } else if (c < 0x80) {
            result = out->append(reinterpret_cast<const char*>(bytes + i), 1);
        } else {
            int sequence = utf8SequenceLength(bytes + i, length - i);
            if (sequence > 0) {
                result = out->append(reinterpret_cast<const char*>(bytes + i), sequence);
                i += sequence - 1;
            } else {
                result = out->appendFormat("\\u%04x", static_cast<unsigned>(c));
            }
        }
        if (result != 0)
            return -1;
    }
    return out->append("\"", 1);
}

const char* CliStatusName(int32_t status) {
    switch (status) {
    case Idle: return "Idle";
    case Running: return "Running";
    case Finished: return "Finished";
    case Failed: return "Failed";
    default: return "Unknown";
    }
}

int CliAppendJsonResult(ZephBuf* out, int32_t status, int32_t visited, int32_t matched, const char* message) {
    if (out->appendFormat("{\"status\":\"%s\",\"visited\":%ld,\"matched\":%ld,\"message\":", CliStatusName(status),
                          static_cast<long>(visited), static_cast<long>(matched)) != 0)
        return -1;
    if (CliAppendJsonString(out, message) != 0)
        return -1;
    return out->append("}\n", 2);
}

void CliFormatProgress(const char* label, int32_t entriesDone, int32_t entriesTotal, int64_t bytesRead, char* area,
                       int size) {
    if (area == nullptr || size < 1)
        return;
    char amount[32];
    double value = static_cast<double>(bytesRead < 0 ? 0 : bytesRead);
    if (value < 1000.0)
        std::snprintf(amount, sizeof amount, "%lld B", static_cast<long long>(value));
    else if (value < 1e6)
        std::snprintf(amount, sizeof amount, "%.1f KB", value / 1e3);
    else if (value < 1e9)
        std::snprintf(amount, sizeof amount, "%.1f MB", value / 1e6);
    else
        std::snprintf(amount, sizeof amount, "%.1f GB", value / 1e9);
    std::snprintf(area, static_cast<size_t>(size), "%s %ld of %ld entries, %s read", label != nullptr ? label : "",
                  static_cast<long>(entriesDone), static_cast<long>(entriesTotal), amount);
}

int CliAppendHelp(ZephBuf* out) {
    return out->appendFormat(HelpText, CliProgramName, legacyServerAddress, serviceHostName);
}

int CliAppendUsageHint(ZephBuf* out, const char* reason) {
    return out->appendFormat("%s: %s\n"
                             "Usage: %s scan|patch|report|rewrite [OPTIONS] DIR, or %s products\n"
                             "Try '%s --help' for more.\n",
                             CliProgramName, reason != nullptr ? reason : "bad usage", CliProgramName, CliProgramName,
                             CliProgramName);
}
