// posix/AppPlatform.cpp - the platform services where there are no
// dialogs: boxes go to standard error and every question is answered No, so
// nothing ends or changes on a question nobody saw.
#include "AppPlatform.h"

#include <cstdio>

void appInitCommonControls() {}

// A token that is never a real font: the pages only hand it on.
void* appCreateHeadingFont() {
    static char headingFontToken;
    return &headingFontToken;
}

void appDeleteFont(void*) {}

int appPlatformMessageBox(void*, const char* caption, const char* text, uint32_t style) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return style == AppBoxQuestion ? AppAnswerNo : AppAnswerOk;
}
