// PageResponse.cpp - how soon Quorvel.exe answers Back and the close request
// on its SCAN page while it scans a large folder, measured from outside as a
// user meets it: real input (SendInput: a click on Back, Alt+F4), then the
// time until the next window shows (SETDIR, or the exit question). Windows
// only; bench/page_response_wine.sh builds it and runs it under Wine.
//
//   PageResponse.exe PROGRAM FOLDER SAMPLES
//
// Walks PROGRAM from its title page to SETDIR with clicks (so a build that
// cannot be driven by keys is measured the same way), puts FOLDER into the
// edit and starts the scan; then, SAMPLES times: waits a while into the scan,
// asks to close (answered No), clicks Back, starts the scan again. Prints
// "close MS" and "back MS" per sample, and "missed" when the scan had ended
// before the input came. Exits through Exit and Yes.
#include "resource.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

DWORD programId = 0;
HANDLE programProcess = nullptr;

double nowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Search {
    const char* suffix; // a page: its title ends with two blanks and this; none: the exit question
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM data) {
    Search& search = *reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != programId || !IsWindowVisible(window))
        return TRUE;
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    const std::string text = title;
    if (search.suffix != nullptr) {
        const std::string tail = std::string("  ") + search.suffix;
        if (text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0) {
            search.found = window;
            return FALSE;
        }
    } else if (GetDlgItem(window, IDNO) != nullptr && text.find("  ") == std::string::npos) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findWindow(const char* suffix) {
    Search search = {suffix, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Polls every millisecond; none after timeoutMs.
HWND waitFor(const char* suffix, int timeoutMs) {
    const double end = nowMs() + timeoutMs;
    while (nowMs() < end) {
        if (HWND window = findWindow(suffix))
            return window;
        Sleep(1);
    }
    return nullptr;
}

// The old listing of a large folder can hold a page up for many seconds on
// a busy machine: a minute before giving up, and the program is ended then.
HWND mustWait(const char* suffix) {
    HWND window = waitFor(suffix, 60000);
    if (window == nullptr) {
        std::fprintf(stderr, "PageResponse: no window %s\n", suffix != nullptr ? suffix : "(exit question)");
        TerminateProcess(programProcess, 1);
        std::exit(1);
    }
    return window;
}

void clickAt(int x, int y) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    for (INPUT& one : input)
        one.type = INPUT_MOUSE;
    input[0].mi.dx = (x * 65536 + width / 2) / width;
    input[0].mi.dy = (y * 65536 + height / 2) / height;
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(3, input, sizeof(INPUT));
}

// A click on a control (its centre, or dx, dy from its corner); then a
// pause for the program to take it, unless the caller times the answer.
void click(HWND window, int id, int dx = -1, int dy = -1, bool pause = true) {
    RECT rect = {};
    GetWindowRect(GetDlgItem(window, id), &rect);
    clickAt(dx < 0 ? (rect.left + rect.right) / 2 : rect.left + dx,
            dy < 0 ? (rect.top + rect.bottom) / 2 : rect.top + dy);
    if (pause)
        Sleep(150);
}

// A page that has just come up may not take a click yet: each step of the
// walk waits a moment, and clicks again while the next page does not come.
HWND goOn(HWND page, const char* next) {
    for (int tries = 0; tries < 3; ++tries) {
        Sleep(300);
        click(page, IDC_NEXT);
        if (HWND shown = waitFor(next, 10000))
            return shown;
    }
    return mustWait(next);
}

// Clicks a radio button (at its circle) or a list's first line until it
// is taken.
void choose(HWND page, int id, int dx, int dy, UINT query, LRESULT wanted) {
    for (int tries = 0; tries < 5 && SendMessageA(GetDlgItem(page, id), query, 0, 0) != wanted; ++tries) {
        Sleep(300);
        click(page, id, dx, dy);
    }
}

void altF4() {
    INPUT input[4] = {};
    const WORD keys[4] = {VK_MENU, VK_F4, VK_F4, VK_MENU};
    for (int i = 0; i < 4; ++i) {
        input[i].type = INPUT_KEYBOARD;
        input[i].ki.wVk = keys[i];
        input[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(4, input, sizeof(INPUT));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: PageResponse PROGRAM FOLDER SAMPLES\n");
        return 2;
    }
    const std::string command = std::string("\"") + argv[1] + "\"";
    const char* folder = argv[2];
    const int samples = std::atoi(argv[3]);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = command;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "PageResponse: cannot start %s\n", argv[1]);
        return 1;
    }
    programId = process.dwProcessId;
    programProcess = process.hProcess;
    std::srand(static_cast<unsigned>(GetTickCount()));

    HWND page = goOn(mustWait("Title Screen"), "EULA Screen");
    choose(page, IDC_ACCEPT, 8, -1, BM_GETCHECK, BST_CHECKED);
    page = goOn(page, "Vender Screen");
    choose(page, IDC_CHANNEL_DOWNLOAD, 8, -1, BM_GETCHECK, BST_CHECKED);
    page = goOn(page, "Product selection screen");
    choose(page, IDC_PRODUCT_LIST, 30, 8, LB_GETCURSEL, 0); // the first title
    page = goOn(page, "Directory Selection");
    SendMessageA(GetDlgItem(page, IDC_DIRECTORY), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder));

    for (int taken = 0; taken < samples;) {
        HWND scan = goOn(page, "Scanning Files");
        // Somewhere in the listing or the reading of the files.
        Sleep(300 + std::rand() % 1700);
        if (findWindow("Scanning Files") == nullptr) {
            std::printf("missed\n");
            click(mustWait("Scan Results"), IDC_BACK);
            page = mustWait("Directory Selection");
            continue;
        }
        SetForegroundWindow(scan);
        double start = nowMs();
        altF4();
        HWND box = mustWait(nullptr);
        std::printf("close %.0f\n", nowMs() - start);
        click(box, IDNO);
        if (waitFor("Scanning Files", 2000) == nullptr) {
            std::printf("missed\n");
            click(mustWait("Scan Results"), IDC_BACK);
            page = mustWait("Directory Selection");
            continue;
        }
        start = nowMs();
        click(scan, IDC_BACK, -1, -1, false);
        page = mustWait("Directory Selection");
        std::printf("back %.0f\n", nowMs() - start);
        std::fflush(stdout);
        ++taken;
    }
    click(page, IDC_EXIT);
    click(mustWait(nullptr), IDYES);
    const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return ended ? 0 : 1;
}
