// QvGui.h - driving dialogs and message boxes the way a user's actions
// arrive, for GUI tests under Wine and Xvfb. Windows only; include as
// "win32/QvGui.h".
#ifndef QUORVEL_TESTS_WIN32_QVGUI_H
#define QUORVEL_TESTS_WIN32_QVGUI_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qvtest {

// The icon a message box shows.
enum class BoxIcon { None, Error, Information, Warning, Question, Other };

struct SeenBox {
    HWND owner; // the box's owner window; none for a box without owner
    std::string caption;
    std::string text;
    BoxIcon icon;
    std::vector<std::string> buttons; // button texts in child order, "&" removed
};

// Reads a message box of this process: caption, text, icon, buttons.
SeenBox readBox(HWND box);

// Answers every message box this thread shows while the object lives: the
// box is read into seen() and its button with id answer (IDOK, IDYES, IDNO)
// is clicked; a box without that button is closed with IDCANCEL so a test
// never hangs on it. Works through a WH_CBT hook on this thread.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int answer);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    void setAnswer(int answer) { answer_ = answer; }
    const std::vector<SeenBox>& seen() const { return seen_; }
    void clear() { seen_.clear(); }

private:
    static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_ = nullptr;
    int answer_;
    std::vector<SeenBox> seen_;
    BoxAnswerer* previous_ = nullptr;
};

// The text of a window or of a dialog's control.
std::string windowText(HWND window);
std::string itemText(HWND dialog, int id);

// A click on a dialog's button as the mouse gives it (BM_CLICK, sent).
void click(HWND dialog, int id);
// The same, posted: for clicks that open a modal loop (a question box) the
// caller must keep pumping or answering.
void postClick(HWND dialog, int id);

// A key pressed and released on a page as its dialog loop meets it: down and
// up go to the focused control (the page when none has the focus) through
// the dialog manager (IsDialogMessage), then the messages they posted.
void pressKey(HWND page, UINT key);

// Handles this thread's messages until done() is true or timeoutMs passed;
// true when done() became true.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs);

// --- Other processes -------------------------------------------------------

// A started program with a raw command line; killed at the end if it still runs.
class GuiProcess {
public:
    GuiProcess() = default;
    ~GuiProcess();
    GuiProcess(const GuiProcess&) = delete;
    GuiProcess& operator=(const GuiProcess&) = delete;
    // Starts program with "\"program\" " + arguments as its command line.
    bool start(const std::string& program, const std::string& arguments);
    DWORD id() const { return id_; }
    // Waits up to timeoutMs; the exit code, or false on time-out.
    bool wait(int timeoutMs, DWORD* exitCode);
    void kill();

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// The visible top-level windows of a process.
std::vector<HWND> topLevelWindows(DWORD processId);
// Waits for a visible top-level window of the process whose title is title
// (exactly); none after timeoutMs.
HWND waitForWindow(DWORD processId, const std::string& title, int timeoutMs);

// Reads a message box of another process: caption, text, buttons; the icon
// is told from the box's pixels on the screen (red for an error, blue for
// information), or Other when it cannot be told.
SeenBox readForeignBox(HWND box);

// How the client area of window looks on the screen now (read from the
// screen, not from the window): the share of light pixels (a box's
// background) and of dark ones (its text), in percent.
struct ScreenShade {
    int lightPercent = 0;
    int darkPercent = 0;
};
ScreenShade shadeOnScreen(HWND window);
// Waits up to timeoutMs until window's client area shows on the screen as
// drawn: mostly light, with some dark text. An undrawn window shows black.
bool waitUntilDrawn(HWND window, int timeoutMs);

// The path of Quorvel.exe in the build tree: the top of the build directory,
// two folders above the test programs.
std::string quorvelProgram();

} // namespace qvtest

#endif
