// CliFolders.h - which folder a quorvel command works on: the one given, or a
// product's default install folder, found inside a Wine prefix on Linux.
#ifndef QUORVEL_CLI_CLIFOLDERS_H
#define QUORVEL_CLI_CLIFOLDERS_H

#include <cstdint>

struct ProductEntry;
struct ZephMemManager;

// Windows programs see the product table's folders as they stand. A native
// Linux build looks for them where Wine keeps drive C:, in a prefix.
#ifdef _WIN32
inline constexpr bool CliFoldersUseWinePrefix = false;
#else
inline constexpr bool CliFoldersUseWinePrefix = true;
#endif

// The product named by a title (exactly, ignoring ASCII case) or by its row
// number (decimal digits only, as "quorvel products" lists them); none when
// no row answers.
const ProductEntry* CliFindProduct(const char* titleOrNumber);

// Where Wine keeps the Windows path windowsPath ("X:\dir\dir") in prefix:
// drive C: is prefix/drive_c, any other drive prefix/dosdevices/x:, and every
// backslash becomes "/". A trailing "/" of prefix is not doubled. Returns 0,
// or -1 with area holding "" when windowsPath does not begin with a drive
// letter, a colon and a backslash, or the result does not fit.
int CliMapIntoPrefix(const char* windowsPath, const char* prefix, char* area, int size);

// Gives every component of path after its first fixedLength bytes the
// letter case it has on disk, as Wine finds names ignoring case: a
// component that does not exist as written becomes the name of the first
// folder whose name equals it ignoring ASCII case. Stops at the first
// component that is not found (or holds '*' or '?'); the rest stays as
// written. The length never changes. Listings come from manager.
void CliMatchLetterCase(ZephMemManager* manager, char* path, int fixedLength);

// Whether path is not a folder a run can work on; area (size bytes) then
// says why in the system's words ("No such file or directory", "Not a
// directory"...), and is "" otherwise.
bool CliFolderProblem(const char* path, char* area, int32_t size);

// Drops separators at the end of a folder, except one that is all that is
// left or that follows a drive's colon ("/", "C:\"), so that the runs form
// their names without doubled separators.
void CliTrimFolder(char* folder);

#endif
