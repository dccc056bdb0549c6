// win32/QvGui.cpp - dialogs, message boxes and GUI processes for tests.
#include "win32/QvGui.h"

#include <algorithm>

namespace qvtest {

namespace {

thread_local BoxAnswerer* currentAnswerer = nullptr;

std::string className(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string withoutAmpersand(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    return text;
}

struct BoxParts {
    HWND icon = nullptr;
    HWND text = nullptr;
    std::vector<HWND> buttons;
};

BoxParts partsOf(HWND box) {
    BoxParts parts;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        std::string name = className(child);
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if (_stricmp(name.c_str(), "Static") == 0) {
            if ((style & SS_TYPEMASK) == SS_ICON)
                parts.icon = child;
            else if (parts.text == nullptr || !windowText(child).empty())
                parts.text = child;
        } else if (_stricmp(name.c_str(), "Button") == 0 && (style & WS_VISIBLE)) {
            parts.buttons.push_back(child);
        }
    }
    return parts;
}

bool isMessageBox(HWND window) {
    if (className(window) != "#32770")
        return false;
    BoxParts parts = partsOf(window);
    // A page shows an icon and texts too, but more than four buttons.
    return parts.text != nullptr && !parts.buttons.empty() && parts.buttons.size() <= 4;
}

BoxIcon iconKind(HWND iconControl) {
    // The style bit, not IsWindowVisible: the box itself may not be shown yet.
    if (iconControl == nullptr || !(GetWindowLongA(iconControl, GWL_STYLE) & WS_VISIBLE))
        return BoxIcon::None;
    HICON icon = reinterpret_cast<HICON>(SendMessageA(iconControl, STM_GETICON, 0, 0));
    if (icon == nullptr)
        return BoxIcon::None;
    if (icon == LoadIconA(nullptr, IDI_ERROR))
        return BoxIcon::Error;
    if (icon == LoadIconA(nullptr, IDI_INFORMATION))
        return BoxIcon::Information;
    if (icon == LoadIconA(nullptr, IDI_WARNING))
        return BoxIcon::Warning;
    if (icon == LoadIconA(nullptr, IDI_QUESTION))
        return BoxIcon::Question;
    return BoxIcon::Other;
}

// What the screen shows inside rect (screen coordinates), read back with
// BitBlt as 32-bit BGRA pixels, row by row; empty when it cannot be read.
std::vector<unsigned char> screenPixels(const RECT& rect) {
    std::vector<unsigned char> pixels;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr && bits != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT)) {
            GdiFlush();
            const unsigned char* first = static_cast<const unsigned char*>(bits);
            pixels.assign(first, first + static_cast<size_t>(width) * height * 4);
        }
        SelectObject(memory, old);
    }
    if (bitmap != nullptr)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Red-dominated pixels mean the error icon, blue-dominated the information
// icon; everything else cannot be told.
BoxIcon iconKindFromScreen(HWND iconControl) {
    if (iconControl == nullptr || !IsWindowVisible(iconControl))
        return BoxIcon::None;
    RECT rect;
    GetWindowRect(iconControl, &rect);
    std::vector<unsigned char> pixels = screenPixels(rect);
    if (pixels.empty())
        return BoxIcon::Other;
    long reddish = 0, bluish = 0;
    const long total = static_cast<long>(pixels.size() / 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        int b = pixels[i], g = pixels[i + 1], r = pixels[i + 2];
        if (r > 150 && r > g + 60 && r > b + 60)
            ++reddish;
        if (b > 150 && b > r + 60)
            ++bluish;
    }
    long enough = total / 20;
    if (reddish > enough && reddish > bluish)
        return BoxIcon::Error;
    if (bluish > enough && bluish > reddish)
        return BoxIcon::Information;
    return BoxIcon::Other;
}

SeenBox readParts(HWND box, bool foreign) {
    BoxParts parts = partsOf(box);
    SeenBox seen;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.caption = windowText(box);
    seen.text = parts.text != nullptr ? windowText(parts.text) : "";
    seen.icon = foreign ? iconKindFromScreen(parts.icon) : iconKind(parts.icon);
    for (HWND button : parts.buttons)
        seen.buttons.push_back(withoutAmpersand(windowText(button)));
    return seen;
}

} // namespace

SeenBox readBox(HWND box) { return readParts(box, false); }

ScreenShade shadeOnScreen(HWND window) {
    ScreenShade shade;
    RECT rect;
    if (!GetClientRect(window, &rect))
        return shade;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    std::vector<unsigned char> pixels = screenPixels(rect);
    if (pixels.empty())
        return shade;
    long light = 0, dark = 0;
    const long total = static_cast<long>(pixels.size() / 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        int sum = pixels[i] + pixels[i + 1] + pixels[i + 2];
        if (sum >= 3 * 160)
            ++light;
        else if (sum <= 3 * 80)
            ++dark;
    }
    shade.lightPercent = static_cast<int>(light * 100 / total);
    // Text is a small share: round any up so one line still counts.
    shade.darkPercent = static_cast<int>((dark * 100 + total - 1) / total);
    return shade;
}

bool waitUntilDrawn(HWND window, int timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        ScreenShade shade = shadeOnScreen(window);
        if (shade.lightPercent >= 50 && shade.darkPercent > 0)
            return true;
        if (GetTickCount() - start > static_cast<DWORD>(timeoutMs))
            return false;
        Sleep(50);
    }
}

SeenBox readForeignBox(HWND box) { return readParts(box, true); }

BoxAnswerer::BoxAnswerer(int answer) : answer_(answer) {
    previous_ = currentAnswerer;
    currentAnswerer = this;
    hook_ = SetWindowsHookExA(WH_CBT, hook, nullptr, GetCurrentThreadId());
}

BoxAnswerer::~BoxAnswerer() {
    if (hook_ != nullptr)
        UnhookWindowsHookEx(hook_);
    currentAnswerer = previous_;
}

LRESULT CALLBACK BoxAnswerer::hook(int code, WPARAM wParam, LPARAM lParam) {
    BoxAnswerer* self = currentAnswerer;
    if (code == HCBT_ACTIVATE && self != nullptr) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (isMessageBox(window)) {
            self->seen_.push_back(readBox(window));
            HWND button = GetDlgItem(window, self->answer_);
            // Posted: the box's own loop clicks it once the box is up.
            if (button != nullptr)
                PostMessageA(button, BM_CLICK, 0, 0);
            else
                PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string windowText(HWND window) {
    char text[16384] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string itemText(HWND dialog, int id) {
    char text[16384] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void postClick(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void pressKey(HWND page, UINT key) {
    for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
        HWND focus = GetFocus();
        MSG stroke = {};
        stroke.hwnd = focus != nullptr ? focus : page;
        stroke.message = message;
        stroke.wParam = key;
        stroke.lParam = message == WM_KEYUP ? 0xC0000001 : 1;
        stroke.time = GetTickCount();
        if (!IsDialogMessageA(page, &stroke)) {
            TranslateMessage(&stroke);
            DispatchMessageA(&stroke);
        }
        MSG posted;
        while (IsWindow(page) && PeekMessageA(&posted, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageA(page, &posted)) {
                TranslateMessage(&posted);
                DispatchMessageA(&posted);
            }
        }
    }
}

bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done())
            return true;
        if (GetTickCount() - start > static_cast<DWORD>(timeoutMs))
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

GuiProcess::~GuiProcess() {
    kill();
    if (process_ != nullptr)
        CloseHandle(process_);
}

bool GuiProcess::start(const std::string& program, const std::string& arguments) {
    if (process_ != nullptr)
        return false;
    std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return false;
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    id_ = started.dwProcessId;
    return true;
}

bool GuiProcess::wait(int timeoutMs, DWORD* exitCode) {
    if (process_ == nullptr || WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
        return false;
    if (exitCode != nullptr)
        GetExitCodeProcess(process_, exitCode);
    return true;
}

void GuiProcess::kill() {
    if (process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 10000);
    }
}

namespace {
struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

// A named CALLBACK, not a lambda: 32-bit callbacks are stdcall.
BOOL CALLBACK collectWindow(HWND window, LPARAM data) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}
} // namespace

std::vector<HWND> topLevelWindows(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForWindow(DWORD processId, const std::string& title, int timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND window : topLevelWindows(processId)) {
            if (windowText(window) == title)
                return window;
        }
        if (GetTickCount() - start > static_cast<DWORD>(timeoutMs))
            return nullptr;
        Sleep(20);
    }
}

std::string quorvelProgram() {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self, n);
    for (int up = 0; up < 3; ++up)
        path = path.substr(0, path.find_last_of("\\/"));
    return path + "\\Quorvel.exe";
}

} // namespace qvtest
