// AppPlatform.h - the few platform services of the pages and the start-up
// beyond the dialogs: common controls, the heading font and message boxes.
// The portable part is AppPlatform.cpp; posix/ and win32/ fill the rest.
#ifndef QUORVEL_WIZARD_APPPLATFORM_H
#define QUORVEL_WIZARD_APPPLATFORM_H

#include <cstdint>

// Kinds of message box; every box has the caption AppCaption.
enum AppBoxStyle : uint32_t {
    AppBoxError = 1,       // OK, error icon
    AppBoxInformation = 2, // OK, information icon
    AppBoxQuestion = 3     // Yes and No, no icon
};

// Answers, with the platform's values (IDOK, IDYES, IDNO).
enum AppBoxAnswer : int { AppAnswerOk = 1, AppAnswerYes = 6, AppAnswerNo = 7 };

// Shows a box modal to owner (none: no owner) and returns the answer. When
// appMessageBoxHook is set, the hook answers instead and nothing is shown.
int appMessageBox(void* owner, const char* text, uint32_t style);

// Test seam: sees every box the program would show.
typedef int (*AppMessageBoxHook)(void* owner, const char* caption, const char* text, uint32_t style);
extern AppMessageBoxHook appMessageBoxHook;

// Starts the platform's common controls (InitCommonControls on Windows).
void appInitCommonControls();
// The heading font: height 16, width 12, weight 400, fixed pitch, modern
// family, face "arial". None when it cannot be made.
void* appCreateHeadingFont();
// Deletes a font from appCreateHeadingFont; none does nothing.
void appDeleteFont(void* font);

// The platform's box, behind appMessageBox.
int appPlatformMessageBox(void* owner, const char* caption, const char* text, uint32_t style);

#endif
