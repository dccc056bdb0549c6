// ResultLines.h - the texts of SCANRESULTS and DONE that hold paths: the
// "Directory: ..." line, cut to fit its control, and the verdict or outcome,
// whose failure messages name files. Windows only.
#ifndef QUORVEL_WIZARD_WIN32_RESULTLINES_H
#define QUORVEL_WIZARD_WIN32_RESULTLINES_H

#include <windows.h>

struct AppState;

// Sets control's text to "Directory: " and directory, whole when it fits the
// control's area as the static control draws it (its font, word breaks),
// otherwise cut in the middle to the longest form that fits.
void showDirectoryLine(HWND control, const char* directory);

// Lets a static text control break a word too long for a line, as an edit
// control does, instead of cutting it off at the right edge: a failure
// message naming a long path stays readable. Call before it is drawn.
void breakLongWords(HWND control);

// Both for a results page being created (its PageGlue's afterTexts): the
// directory line of state.directory in IDC_SECOND_LINE, long words broken in
// IDC_BODY.
void fitResultTexts(HWND window, AppState& state);

#endif
