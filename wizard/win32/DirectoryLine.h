// DirectoryLine.h - the "Directory: ..." line of SCANRESULTS and DONE, cut so
// that it fits its control. Windows only.
#ifndef QUORVEL_WIZARD_WIN32_DIRECTORYLINE_H
#define QUORVEL_WIZARD_WIN32_DIRECTORYLINE_H

#include <windows.h>

// Sets control's text to "Directory: " and directory, whole when it fits the
// control's area as the static control draws it (its font, word breaks),
// otherwise cut in the middle to the longest form that fits.
void showDirectoryLine(HWND control, const char* directory);

#endif
