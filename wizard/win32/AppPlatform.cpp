// win32/AppPlatform.cpp - common controls, the heading font and message boxes
// on Win32.
#include "AppPlatform.h"

#include <windows.h>
#include <commctrl.h>

void appInitCommonControls() { InitCommonControls(); }

void* appCreateHeadingFont() {
    return CreateFontA(16, 12, 0, 0, 400, FALSE, FALSE, FALSE, 0, 0, 0, 0, FIXED_PITCH | FF_MODERN, "arial");
}

void appDeleteFont(void* font) {
    if (font != nullptr)
        DeleteObject(static_cast<HFONT>(font));
}

int appPlatformMessageBox(void* owner, const char* caption, const char* text, uint32_t style) {
    UINT type = MB_OK;
    switch (style) {
    case AppBoxError: type = MB_OK | MB_ICONERROR; break;
    case AppBoxInformation: type = MB_OK | MB_ICONINFORMATION; break;
    case AppBoxQuestion: type = MB_YESNO; break;
    }
    return MessageBoxA(static_cast<HWND>(owner), text, caption, type);
}
