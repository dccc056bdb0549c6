// AppPlatform.cpp - message boxes: the test seam in front of the platform's.
#include "AppPlatform.h"

#include "ProgramTexts.h"

AppMessageBoxHook appMessageBoxHook = nullptr;

int appMessageBox(void* owner, const char* text, uint32_t style) {
    if (appMessageBoxHook != nullptr)
        return appMessageBoxHook(owner, AppCaption, text, style);
    return appPlatformMessageBox(owner, AppCaption, text, style);
}
