// QvScreenshot.h - pictures of windows as the screen shows them, saved as PNG
// files in the build tree for people to look at. Windows only; include as
// "win32/QvScreenshot.h".
#ifndef QUORVEL_TESTS_WIN32_QVSCREENSHOT_H
#define QUORVEL_TESTS_WIN32_QVSCREENSHOT_H

#include <windows.h>

#include <string>

namespace qvtest {

// Folder for the screenshots of one test program: "screenshots\<group>"
// beside the test programs, created when missing.
std::string screenshotFolder(const std::string& group);

// Repaints window, then copies its client area from the screen into
// folder\name.png. false when nothing could be captured or written (a test
// goes on: a picture is for people, not a check).
bool saveScreenshot(HWND window, const std::string& folder, const std::string& name);

} // namespace qvtest

#endif
