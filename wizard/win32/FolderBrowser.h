// FolderBrowser.h - the shell's folder chooser behind the "Browse..." buttons
// of SETDIR and the expert page. Windows only.
#ifndef QUORVEL_WIZARD_WIN32_FOLDERBROWSER_H
#define QUORVEL_WIZARD_WIN32_FOLDERBROWSER_H

#include <windows.h>

// Size the path area must have at least.
inline constexpr int FolderBrowserPathSize = 1024;

// Shows the shell's folder browser, modal to owner, with title above the
// tree; only file-system folders can be chosen. It opens at the folder path
// holds when that folder exists. Returns 1 with the chosen folder's path in
// path (an area of FolderBrowserPathSize bytes or more); 0 when the user
// cancelled or the chosen item has no path, with path unchanged.
int browseForFolder(HWND owner, const char* title, char* path);

#endif
