// ResultLines.cpp - fitting the results pages' path texts into their controls.
#include "ResultLines.h"

#include "AppState.h"
#include "JobTexts.h"
#include "resource.h"

#include <cstring>

namespace {

// Whether text, drawn as a left-aligned word-wrapping static draws it, stays
// inside width x height. A word wider than the control (a long path has no
// blanks to break at) widens the measured rectangle, so it counts too.
bool fits(HDC dc, const char* text, LONG width, LONG height) {
    RECT needed = {0, 0, width, 0};
    DrawTextA(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    return needed.right <= width && needed.bottom <= height;
}

} // namespace

void showDirectoryLine(HWND control, const char* directory) {
    char line[PageTextSize];
    composeDirectoryLine(directory, -1, line, sizeof line);

    RECT area = {};
    HDC dc = control != nullptr ? GetDC(control) : nullptr;
    if (dc != nullptr && GetClientRect(control, &area)) {
        HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0));
        HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
        if (!fits(dc, line, area.right, area.bottom)) {
            // A binary search for the longest cut that fits. Word breaks
            // make the room a cut needs not quite monotone, but the search
            // only ever keeps a length it measured to fit (0 always does).
            int low = 0;
            int high = directory != nullptr ? static_cast<int>(std::strlen(directory)) : 0;
            while (low < high) {
                const int middle = low + (high - low + 1) / 2;
                composeDirectoryLine(directory, middle, line, sizeof line);
                if (fits(dc, line, area.right, area.bottom))
                    low = middle;
                else
                    high = middle - 1;
            }
            composeDirectoryLine(directory, low, line, sizeof line);
        }
        if (previous != nullptr)
            SelectObject(dc, previous);
    }
    if (dc != nullptr)
        ReleaseDC(control, dc);
    SetWindowTextA(control, line);
}

void breakLongWords(HWND control) {
    if (control == nullptr)
        return;
    SetWindowLongA(control, GWL_STYLE, GetWindowLongA(control, GWL_STYLE) | SS_EDITCONTROL);
    InvalidateRect(control, nullptr, TRUE);
}

void fitResultTexts(HWND window, AppState& state) {
    showDirectoryLine(GetDlgItem(window, IDC_SECOND_LINE), state.directory);
    breakLongWords(GetDlgItem(window, IDC_BODY));
}
