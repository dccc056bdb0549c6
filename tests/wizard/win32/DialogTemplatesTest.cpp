// DialogTemplatesTest.cpp - the compiled dialog templates, icon, version block and manifest.
//
// The tables below are the pages as the wizard's design lays them out; each
// template is read back from this executable's own resources (the test links
// the compiled Quorvel.rc) and, separately, created as a hidden dialog.
#include "resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace {

// --- What a control should be ----------------------------------------------

enum class Kind {
    PushButton,
    DefPushButton,
    AutoRadio,
    AutoCheck,
    Text,
    CentredText,
    Icon,
    BlackFrame,
    Edit,
    ListBox,
    ProgressBar
};

struct KindInfo {
    const char* className; // as GetClassName reports it
    WORD ordinal;          // the predefined class's number in a template
    DWORD typeMask;        // the bits of the style that choose the control's type
    DWORD type;
};

KindInfo kindInfo(Kind kind) {
    switch (kind) {
    case Kind::PushButton: return {"Button", 0x0080, BS_TYPEMASK, BS_PUSHBUTTON};
    case Kind::DefPushButton: return {"Button", 0x0080, BS_TYPEMASK, BS_DEFPUSHBUTTON};
    case Kind::AutoRadio: return {"Button", 0x0080, BS_TYPEMASK, BS_AUTORADIOBUTTON};
    case Kind::AutoCheck: return {"Button", 0x0080, BS_TYPEMASK, BS_AUTOCHECKBOX};
    case Kind::Text: return {"Static", 0x0082, SS_TYPEMASK, SS_LEFT};
    case Kind::CentredText: return {"Static", 0x0082, SS_TYPEMASK, SS_CENTER};
    case Kind::Icon: return {"Static", 0x0082, SS_TYPEMASK, SS_ICON};
    case Kind::BlackFrame: return {"Static", 0x0082, SS_TYPEMASK, SS_BLACKFRAME};
    case Kind::Edit: return {"Edit", 0x0081, 0, 0};
    case Kind::ListBox: return {"ListBox", 0x0083, 0, 0};
    case Kind::ProgressBar: return {"msctls_progress32", 0, 0, 0}; // named: not a predefined class
    }
    return {"", 0, 0, 0};
}

// Text the page replaces, where the template must hold some placeholder.
const char* const anyText = "\x01";

struct ControlSpec {
    int id;
    Kind kind;
    short x, y, cx, cy;         // dialog units; cx < 0 leaves the size unchecked
    const char* text = nullptr; // nullptr: not checked; anyText: not empty
    DWORD flags = 0;            // style bits that must be set
    DWORD forbidden = 0;        // style bits that must be clear
};

struct TemplateSpec {
    const char* name;
    short cx, cy;
    std::vector<ControlSpec> controls;
};

const DWORD readOnlyText = ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER;
const DWORD oneLineEdit = ES_AUTOHSCROLL | WS_BORDER;

// The frame every wizard page shares; Next is the default button on TITLE only.
std::vector<ControlSpec> withFrame(std::vector<ControlSpec> controls, bool nextIsDefault = false) {
    std::vector<ControlSpec> frame = {
        {IDC_ABOUT, Kind::PushButton, 38, 262, 50, 14, "About..."},
        {IDC_READ_ME, Kind::PushButton, 88, 262, 50, 14, "Read me..."},
        {IDC_USAGE, Kind::PushButton, 138, 262, 50, 14, "Usage..."},
        {IDC_BACK, Kind::PushButton, 331, 262, 50, 14, "<-- Back"},
        {IDC_NEXT, nextIsDefault ? Kind::DefPushButton : Kind::PushButton, 383, 262, 50, 14, "Next -->"},
        {IDC_EXIT, Kind::PushButton, 445, 262, 50, 14, "Exit"},
        {IDC_STATIC, Kind::BlackFrame, 7, 247, 488, 1},
        {IDC_STATIC, Kind::Icon, 7, 256, -1, -1, IDI_APP},
    };
    controls.insert(controls.end(), frame.begin(), frame.end());
    return controls;
}

std::vector<TemplateSpec> allTemplates() {
    const ControlSpec heading = {IDC_HEADING, Kind::Text, 7, 7, 488, 17, anyText};
    const ControlSpec progress = {IDC_HEADING, Kind::CentredText, 57, 98, 378, 37, anyText};
    // Beneath the line of text: files looked at of the folder's total.
    const ControlSpec progressBar = {IDC_PROGRESS, Kind::ProgressBar, 57, 141, 378, 10};
    const std::vector<ControlSpec> results = {
        {IDC_FIRST_LINE, Kind::Text, 7, 7, 488, 17, anyText},
        {IDC_SECOND_LINE, Kind::Text, 7, 28, 488, 27},
        {IDC_BODY, Kind::Text, 81, 65, 330, 126},
    };
    return {
        {IDD_TITLE, 503, 283,
         withFrame(
             {
                 {IDC_FIRST_LINE, Kind::CentredText, 19, 22, 465, 133},
                 {IDC_SECOND_LINE, Kind::CentredText, 18, 164, 465, 51},
             },
             true)},
        {IDD_README, 503, 283,
         withFrame({
             heading,
             {IDC_README_TEXT, Kind::Edit, 7, 28, 488, 209, nullptr, readOnlyText},
         })},
        {IDD_EULA, 503, 283,
         withFrame({
             heading,
             {IDC_AGREEMENT_TEXT, Kind::Edit, 7, 28, 488, 171, nullptr, readOnlyText},
             {IDC_DECLINE, Kind::AutoRadio, 142, 204, 252, 16},
             {IDC_ACCEPT, Kind::AutoRadio, 142, 222, 252, 16},
         })},
        {IDD_VENDER, 503, 283,
         withFrame({
             heading,
             {IDC_BODY, Kind::Text, 123, 73, 252, 17},
             // Top to bottom: download store, subscription store, box copy.
             {IDC_CHANNEL_DOWNLOAD, Kind::AutoRadio, 123, 110, 252, 16, ""},
             {IDC_CHANNEL_SUBSCRIPTION, Kind::AutoRadio, 123, 132, 252, 16, ""},
             {IDC_CHANNEL_BOX_COPY, Kind::AutoRadio, 123, 155, 252, 16, ""},
         })},
        {IDD_ARCAVIA, 503, 283,
         withFrame({
             heading,
             {IDC_BODY, Kind::Text, 59, 73, 388, 120},
         })},
        {IDD_SELECTPRODUCT, 503, 283,
         withFrame({
             heading,
             {IDC_BODY, Kind::Text, 123, 73, 252, 17},
             // Unsorted: a title's place in the list is its row in the product table.
             {IDC_PRODUCT_LIST, Kind::ListBox, 123, 97, 252, 127, nullptr, LBS_NOTIFY | WS_VSCROLL | WS_BORDER,
              LBS_SORT},
         })},
        {IDD_SETDIR, 503, 283,
         withFrame({
             heading,
             {IDC_BODY, Kind::Text, 123, 73, 252, 17},
             {IDC_DIRECTORY, Kind::Edit, 7, 110, 418, 14, nullptr, oneLineEdit, ES_MULTILINE | ES_READONLY},
             {IDC_BROWSE, Kind::PushButton, 427, 111, 68, 14, "Browse..."},
         })},
        {IDD_SCAN, 503, 283, withFrame({progress, progressBar})},
        {IDD_SCANRESULTS, 503, 283, withFrame(results)},
        {IDD_CONVERTFILES, 503, 283, withFrame({progress, progressBar})},
        {IDD_DONE, 503, 283, withFrame(results)},
        {IDD_MAIN,
         481,
         398,
         {
             {IDC_DESCRIPTION, Kind::Edit, 7, 7, 466, 49, nullptr, ES_MULTILINE | ES_READONLY, WS_BORDER},
             {IDC_STATIC, Kind::Text, 7, 60, 100, 14, "Source Directory"},
             {IDC_DIRECTORY, Kind::Edit, 109, 60, 151, 14, "", oneLineEdit, ES_MULTILINE | ES_READONLY},
             {IDC_BROWSE, Kind::PushButton, 261, 60, 50, 14, "Browse..."},
             {IDC_STATIC, Kind::Text, 7, 76, 100, 14, "Old String"},
             {IDC_OLD_STRING, Kind::Edit, 109, 76, 202, 14, "", oneLineEdit, ES_MULTILINE | ES_READONLY},
             {IDC_STATIC, Kind::Text, 7, 92, 100, 14, "New String"},
             {IDC_NEW_STRING, Kind::Edit, 109, 92, 202, 14, "", oneLineEdit, ES_MULTILINE | ES_READONLY},
             {IDC_SAVE_AS_NEW, Kind::AutoCheck, 7, 108, 304, 13, "Save modified files with .NEW extension"},
             {IDC_REPORT, Kind::PushButton, 381, 60, 92, 29, "Report"},
             {IDC_DO_IT, Kind::PushButton, 381, 91, 92, 29, "Do it!"},
             {IDC_LOG, Kind::Edit, 7, 127, 466, 230, "", readOnlyText | WS_HSCROLL},
             {IDC_STATIC, Kind::BlackFrame, 7, 365, 466, 1},
             {IDC_STATIC, Kind::Icon, 7, 371, 21, 20, IDI_APP},
             {IDC_ABOUT, Kind::PushButton, 323, 377, 50, 14, "About..."},
             {IDC_USAGE, Kind::PushButton, 373, 377, 50, 14, "Usage..."},
             {IDC_EXIT, Kind::PushButton, 423, 377, 50, 14, "Exit"},
         }},
    };
}

// --- Reading an extended dialog template -----------------------------------

struct TemplateItem {
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    WORD classOrdinal = 0; // 0 when the class is given by name
    std::string className;
    std::string text;
};

struct ParsedTemplate {
    WORD version = 0, signature = 0;
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::string caption;
    WORD pointSize = 0;
    std::string typeface;
    std::vector<TemplateItem> items;
};

class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    bool failed() const { return failed_; }

    WORD word() {
        WORD value = 0;
        take(&value, sizeof value);
        return value;
    }
    DWORD dword() {
        DWORD value = 0;
        take(&value, sizeof value);
        return value;
    }
    // A zero-terminated UTF-16 string, narrowed (the templates are ASCII).
    std::string string() {
        std::string text;
        for (WORD c = word(); c != 0 && !failed_; c = word()) {
            text += c < 0x80 ? static_cast<char>(c) : '?';
        }
        return text;
    }
    // A name or ordinal field: 0 for none, 0xFFFF and a number, or a string.
    void nameOrOrdinal(WORD* ordinal, std::string* name) {
        WORD first = word();
        *ordinal = 0;
        name->clear();
        if (first == 0xFFFF) {
            *ordinal = word();
        } else if (first != 0) {
            offset_ -= sizeof(WORD);
            *name = string();
        }
    }
    void alignToDword() { offset_ = (offset_ + 3) & ~size_t(3); }
    void skip(size_t bytes) { offset_ += bytes; }

private:
    void take(void* out, size_t bytes) {
        if (offset_ + bytes > size_) {
            failed_ = true;
            return;
        }
        std::memcpy(out, data_ + offset_, bytes);
        offset_ += bytes;
    }

    const BYTE* data_;
    size_t size_;
    size_t offset_ = 0;
    bool failed_ = false;
};

bool readTemplate(const char* name, ParsedTemplate* out) {
    HRSRC found = FindResourceA(nullptr, name, MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (data == nullptr) {
        return false;
    }
    TemplateReader reader(data, SizeofResource(nullptr, found));
    out->version = reader.word();
    out->signature = reader.word();
    reader.dword(); // help id
    reader.dword(); // extended style
    out->style = reader.dword();
    WORD count = reader.word();
    reader.word(); // x
    reader.word(); // y
    out->cx = static_cast<short>(reader.word());
    out->cy = static_cast<short>(reader.word());
    WORD ordinal;
    std::string unused;
    reader.nameOrOrdinal(&ordinal, &unused); // menu
    reader.nameOrOrdinal(&ordinal, &unused); // window class
    out->caption = reader.string();
    if (out->style & (DS_SETFONT | DS_FIXEDSYS)) {
        out->pointSize = reader.word();
        reader.word(); // weight
        reader.word(); // italic, character set
        out->typeface = reader.string();
    }
    for (WORD i = 0; i < count && !reader.failed(); ++i) {
        TemplateItem item;
        reader.alignToDword();
        reader.dword(); // help id
        reader.dword(); // extended style
        item.style = reader.dword();
        item.x = static_cast<short>(reader.word());
        item.y = static_cast<short>(reader.word());
        item.cx = static_cast<short>(reader.word());
        item.cy = static_cast<short>(reader.word());
        item.id = static_cast<int>(reader.dword());
        reader.nameOrOrdinal(&item.classOrdinal, &item.className);
        WORD textOrdinal;
        reader.nameOrOrdinal(&textOrdinal, &item.text);
        reader.skip(reader.word()); // creation data
        out->items.push_back(item);
    }
    return !reader.failed();
}

bool sameClass(const TemplateItem& item, const KindInfo& info) {
    if (item.classOrdinal != 0) {
        return item.classOrdinal == info.ordinal;
    }
    return lstrcmpiA(item.className.c_str(), info.className) == 0;
}

const TemplateItem* findItem(const ParsedTemplate& parsed, const ControlSpec& expected) {
    for (const TemplateItem& item : parsed.items) {
        if (item.id == expected.id && item.x == expected.x && item.y == expected.y) {
            return &item;
        }
    }
    return nullptr;
}

const DWORD pageStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT;

} // namespace

// --- The templates as stored -----------------------------------------------

TEST(DialogTemplates, EveryTemplateHasItsSizeStyleAndFont) {
    for (const TemplateSpec& expected : allTemplates()) {
        SCOPED_TRACE(expected.name);
        ParsedTemplate parsed;
        ASSERT_TRUE(readTemplate(expected.name, &parsed)) << "template missing or cut short";
        EXPECT_EQ(parsed.version, 1);
        EXPECT_EQ(parsed.signature, 0xFFFF) << "not an extended template";
        EXPECT_EQ(parsed.cx, expected.cx);
        EXPECT_EQ(parsed.cy, expected.cy);
        EXPECT_EQ(parsed.style & pageStyle, pageStyle);
        // A page centres itself before it is shown.
        EXPECT_EQ(parsed.style & WS_VISIBLE, 0u);
        EXPECT_EQ(parsed.pointSize, 8);
        EXPECT_EQ(parsed.typeface, "MS Shell Dlg");
        EXPECT_EQ(parsed.caption.rfind("Quorvel [1.0.1r-2]", 0), 0u) << parsed.caption;
    }
}

TEST(DialogTemplates, EveryControlHasItsIdClassStylePlaceAndText) {
    for (const TemplateSpec& expected : allTemplates()) {
        SCOPED_TRACE(expected.name);
        ParsedTemplate parsed;
        ASSERT_TRUE(readTemplate(expected.name, &parsed));
        EXPECT_EQ(parsed.items.size(), expected.controls.size()) << "controls beyond the described ones";
        for (const ControlSpec& control : expected.controls) {
            SCOPED_TRACE("control " + std::to_string(control.id) + " at " + std::to_string(control.x) + "," +
                         std::to_string(control.y));
            const TemplateItem* item = findItem(parsed, control);
            if (item == nullptr) {
                ADD_FAILURE() << "no control with this id at this place";
                continue;
            }
            KindInfo info = kindInfo(control.kind);
            EXPECT_TRUE(sameClass(*item, info)) << "class " << item->className << " #" << item->classOrdinal;
            EXPECT_EQ(item->style & info.typeMask, info.type) << std::hex << "style 0x" << item->style;
            EXPECT_EQ(item->style & control.flags, control.flags) << std::hex << "style 0x" << item->style;
            EXPECT_EQ(item->style & control.forbidden, 0u) << std::hex << "style 0x" << item->style;
            EXPECT_EQ(item->style & (WS_CHILD | WS_VISIBLE), DWORD(WS_CHILD | WS_VISIBLE));
            if (control.cx >= 0) {
                EXPECT_EQ(item->cx, control.cx);
                EXPECT_EQ(item->cy, control.cy);
            }
            if (control.text == anyText) {
                EXPECT_FALSE(item->text.empty()) << "placeholder missing";
            } else if (control.text != nullptr) {
                EXPECT_EQ(item->text, control.text);
            }
        }
    }
}

TEST(DialogTemplates, NoControlOverlapsAnotherOrLeavesThePage) {
    for (const TemplateSpec& expected : allTemplates()) {
        SCOPED_TRACE(expected.name);
        ParsedTemplate parsed;
        ASSERT_TRUE(readTemplate(expected.name, &parsed));
        const std::vector<TemplateItem>& items = parsed.items;
        for (size_t i = 0; i < items.size(); ++i) {
            const TemplateItem& a = items[i];
            EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.x + a.cx <= parsed.cx && a.y + a.cy <= parsed.cy)
                << "control " << a.id << " at " << a.x << "," << a.y << " leaves the page";
            for (size_t j = i + 1; j < items.size(); ++j) {
                const TemplateItem& b = items[j];
                bool apart = a.x + a.cx <= b.x || b.x + b.cx <= a.x || a.y + a.cy <= b.y || b.y + b.cy <= a.y;
                EXPECT_TRUE(apart) << "controls " << a.id << " at " << a.x << "," << a.y << " and " << b.id << " at "
                                   << b.x << "," << b.y << " overlap";
            }
        }
    }
}

// --- The templates as the dialog manager builds them -----------------------

namespace {

INT_PTR CALLBACK silentPage(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

} // namespace

TEST(DialogTemplatesCreated, EveryPageBuildsWithItsControlsFontAndIcon) {
    // Wine makes no window at all without an X display; test.sh gives one.
    HWND probe = CreateWindowA("Static", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe == nullptr) {
        GTEST_SKIP() << "no window can be created here (no display?), error " << GetLastError();
    }
    DestroyWindow(probe);

    HDC screen = GetDC(nullptr);
    int eightPoints = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);

    for (const TemplateSpec& expected : allTemplates()) {
        SCOPED_TRACE(expected.name);
        HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), expected.name, nullptr, silentPage, 0);
        ASSERT_NE(page, nullptr) << "CreateDialogParamA failed, error " << GetLastError();
        EXPECT_FALSE(IsWindowVisible(page));

        for (const ControlSpec& control : expected.controls) {
            if (control.id == IDC_STATIC) {
                continue;
            }
            HWND child = GetDlgItem(page, control.id);
            ASSERT_NE(child, nullptr) << "control " << control.id;
            char className[64] = "";
            GetClassNameA(child, className, sizeof className);
            EXPECT_EQ(lstrcmpiA(className, kindInfo(control.kind).className), 0)
                << "control " << control.id << " is a " << className;
        }

        // The icon static loaded icon "A" from the module.
        bool iconShown = false;
        for (HWND child = GetWindow(page, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            char className[64] = "";
            GetClassNameA(child, className, sizeof className);
            if (lstrcmpiA(className, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                iconShown = SendMessageA(child, STM_GETICON, 0, 0) != 0;
            }
        }
        EXPECT_TRUE(iconShown);

        // The dialog manager selects all text of the control it focuses
        // first; a read-only text box there would open scrolled to its end.
        HWND first = GetNextDlgTabItem(page, nullptr, FALSE);
        ASSERT_NE(first, nullptr);
        bool selectsAll = SendMessageA(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL;
        EXPECT_FALSE(selectsAll && (GetWindowLongA(first, GWL_STYLE) & ES_READONLY))
            << "first tab stop is the read-only box " << GetDlgCtrlID(first);

        HFONT font = reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0));
        LOGFONTA face = {};
        ASSERT_NE(font, nullptr) << "the page has the system font";
        ASSERT_NE(GetObjectA(font, sizeof face, &face), 0);
        EXPECT_EQ(std::string(face.lfFaceName).rfind("MS Shell Dlg", 0), 0u) << face.lfFaceName;
        EXPECT_EQ(face.lfHeight, eightPoints);

        DestroyWindow(page);
    }
}

// --- Icon, version block and manifest --------------------------------------

namespace {

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroupHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

std::string queryVersionString(const std::vector<char>& block, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || value == nullptr) {
        return "(missing)";
    }
    return value;
}

} // namespace

TEST(ProgramResources, IconAHasTheSmallAndLargeSizesInFullColour) {
    HRSRC found = FindResourceA(nullptr, IDI_APP, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    ASSERT_NE(found, nullptr);
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    ASSERT_NE(data, nullptr);
    IconGroupHeader header;
    std::memcpy(&header, data, sizeof header);
    EXPECT_EQ(header.type, 1) << "not an icon group";
    ASSERT_EQ(SizeofResource(nullptr, found), sizeof header + header.count * sizeof(IconGroupEntry));

    std::vector<int> widths;
    for (WORD i = 0; i < header.count; ++i) {
        IconGroupEntry entry;
        std::memcpy(&entry, data + sizeof header + i * sizeof entry, sizeof entry);
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.bitCount, 32) << "entry " << int(entry.width);
        widths.push_back(entry.width);
    }
    // Title bars and the task bar take 16 and 32; the pages show 32; 48 for large views.
    for (int size : {16, 32, 48}) {
        EXPECT_NE(std::find(widths.begin(), widths.end(), size), widths.end()) << size;
        HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), IDI_APP, IMAGE_ICON, size, size, 0);
        EXPECT_NE(icon, nullptr) << size;
        if (icon) {
            DestroyIcon(static_cast<HICON>(icon));
        }
    }
}

TEST(ProgramResources, VersionBlockNamesQuorvel101Build2) {
    char path[MAX_PATH] = "";
    ASSERT_NE(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_NE(size, 0u) << "no version block";
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, DWORD(MAKELONG(0, 1))); // 1.0
    EXPECT_EQ(fixed->dwFileVersionLS, DWORD(MAKELONG(2, 1))); // .1.2
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));

    EXPECT_EQ(queryVersionString(block, "ProductName"), "Quorvel");
    EXPECT_EQ(queryVersionString(block, "ProductVersion"), "1.0.1r-2");
    EXPECT_EQ(queryVersionString(block, "FileVersion"), "1.0.1.2");
    EXPECT_EQ(queryVersionString(block, "OriginalFilename"), "Quorvel.exe");
}

TEST(ProgramResources, ManifestBringsCommonControlsSix) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
    ASSERT_NE(found, nullptr) << "no manifest of type 24, id 1";
    const char* data = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    std::string manifest(data, SizeofResource(nullptr, found));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("<dpiAware"), std::string::npos);

    // The loader honoured it: comctl32 comes from the side-by-side store,
    // version 6 (Wine's copy there reports 5.81 from DllGetVersion, so the
    // path is what tells).
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    char path[MAX_PATH] = "";
    GetModuleFileNameA(comctl, path, sizeof path);
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    EXPECT_NE(lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos) << path;
    FreeLibrary(comctl);
}
