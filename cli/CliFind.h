// CliFind.h - where the products of the product table are installed on this
// machine. On Linux the games run under Wine, in prefixes: the user's own
// (~/.wine, $WINEPREFIX), Proton's in every Steam library, and those the
// common game launchers make in their default folders. A product counts as
// found where its default folder for a purchase channel exists inside a
// prefix (letter case ignored, as Wine ignores it), or where a folder named
// like that folder stands in a place the user names (--search) or in a Steam
// library's steamapps/common.
#ifndef QUORVEL_CLI_CLIFIND_H
#define QUORVEL_CLI_CLIFIND_H

#include "ZephBuf.h"

#include <cstdint>

struct ProductEntry;

inline constexpr int32_t CliPathSize = 1024;

// What a scan of a found install says.
enum CliInstallStatus : int32_t {
    CliInstallUnknown = 0,    // not scanned
    CliInstallNeedsPatching,  // files hold the old address
    CliInstallPatched,        // no file holds it, and files hold the host name
    CliInstallNothingToPatch, // neither
    CliInstallUnreadable      // the scan failed
};

struct CliInstall {
    const ProductEntry* product;
    int32_t channel;          // PurchaseChannel::BoxCopy or DownloadStore
    const char* source;       // where it was found: "wine", "steam", "lutris", "heroic", "bottles",
                              // "playonlinux", "search", "windows" (a literal)
    char prefix[CliPathSize]; // the Wine prefix; "" when it was found by its folder's name
    char folder[CliPathSize];
    int32_t status; // CliInstallStatus, filled in by whoever scans it
    int32_t filesToPatch;
};

// Found installs in the order found, each folder once. Records live in one
// buffer from ZephMemManagerGlobal; a reference to one stays valid until
// the next add.
class CliInstallList {
public:
    CliInstallList();
    ~CliInstallList();
    CliInstallList(const CliInstallList&) = delete;
    CliInstallList& operator=(const CliInstallList&) = delete;

    int32_t count() const { return count_; }
    CliInstall& at(int32_t index) { return reinterpret_cast<CliInstall*>(records_.data)[index]; }
    // Adds install unless its folder is listed already. 0, or -1 when there
    // is no memory for it (the list is unchanged).
    int add(const CliInstall& install);

private:
    ZephBuf records_;
    int32_t count_ = 0;
};

// Told what a search meets, for -v and for warnings.
class CliFindListener {
public:
    virtual ~CliFindListener() = default;
    // A place is looked in: a prefix, a folder of prefixes, a search folder.
    virtual void lookingIn(const char* folder, const char* source) {
        (void)folder;
        (void)source;
    }
    // A file of a launcher could not be read or is malformed, and is left
    // out; reason says why (with its line).
    virtual void skipped(const char* file, const char* reason) {
        (void)file;
        (void)reason;
    }
};

// Where to look; every text may be none.
struct CliFindPlaces {
    const char* home = nullptr;        // HOME
    const char* winePrefix = nullptr;  // WINEPREFIX
    const char* xdgDataHome = nullptr; // XDG_DATA_HOME (default: HOME/.local/share)
    const char* const* search = nullptr;
    int32_t searchCount = 0;
};

// Steam's libraryfolders.vdf is read only up to this size.
inline constexpr int32_t CliSteamFileMax = 1 << 20;

// Adds to list every install of product (none: of every product) for
// channel (PurchaseChannel::None: both) in the places above. Never fails:
// what cannot be looked at is passed over, and a launcher's file that
// cannot be read is reported to listener (may be none).
void CliFindInstalls(const CliFindPlaces& places, const ProductEntry* product, int32_t channel, CliInstallList* list,
                     CliFindListener* listener);

// The same inside one Wine prefix only.
void CliFindInPrefix(const char* prefix, const ProductEntry* product, int32_t channel, const char* source,
                     CliInstallList* list);

#endif
