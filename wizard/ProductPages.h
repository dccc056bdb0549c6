// ProductPages.h - SELECTPRODUCT, the product list, and SETDIR, the install
// directory whose Next starts the job's scan run.
#ifndef QUORVEL_WIZARD_PRODUCTPAGES_H
#define QUORVEL_WIZARD_PRODUCTPAGES_H

#include "PageFrame.h"

#include <cstdint>

struct AppState;

extern const PageLogic selectProductPage;
extern const PageLogic setDirPage;

// The list's notifications that the page reacts to (the Win32 values).
inline constexpr int32_t ProductListSelectionChanged = 1; // LBN_SELCHANGE
inline constexpr int32_t ProductListDoubleClicked = 2;    // LBN_DBLCLK

// The list's selection is now index (-1 for none): productIndex and product
// follow it. The glue calls this on a selection change or a double click,
// before the command reaches the page.
void selectProductAt(AppState& state, int32_t index);

// The edit's text is now text: when it differs from directory (exactly,
// case included), directory takes it (cut to its 1024 bytes) and the
// result is true, so the control states are shown anew.
bool takeDirectoryText(AppState& state, const char* text);

// Title of the folder browser that "Browse..." opens.
inline constexpr char BrowseTitle[] = "Select a directory:";

#endif
