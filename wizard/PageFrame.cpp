// PageFrame.cpp - the portable half of the common page frame.
#include "PageFrame.h"

#include "AppState.h"
#include "PageTable.h"
#include "resource.h"

#include <cstdarg>
#include <cstdio>

namespace {

// The entry for id, appended when new; none when the list is full.
template <typename Item>
Item* slotFor(Item* items, int32_t& count, int32_t id) {
    for (int32_t i = 0; i < count; ++i) {
        if (items[i].id == id)
            return &items[i];
    }
    if (count >= PageView::MaxItems)
        return nullptr;
    items[count].id = id;
    return &items[count++];
}

template <typename Item>
const Item* findItem(const Item* items, int32_t count, int32_t id) {
    for (int32_t i = 0; i < count; ++i) {
        if (items[i].id == id)
            return &items[i];
    }
    return nullptr;
}

bool isCommonButton(int32_t id) { return id == IDC_ABOUT || id == IDC_USAGE || id == IDC_READ_ME || id == IDC_EXIT; }

// A button's command counts only while the page enables it; a control the
// state routine does not mention is taken as enabled.
bool isEnabled(const PageLogic& page, const AppState& state, int32_t id) {
    PageView view;
    if (page.setStates != nullptr)
        page.setStates(state, view);
    return view.enabledOf(id) != 0;
}

} // namespace

void PageView::setText(int32_t id, const char* text) {
    if (Text* item = slotFor(texts, textCount, id))
        item->text = text;
}

void PageView::setTextFormat(int slot, int32_t id, const char* format, ...) {
    if (slot < 0 || slot > 1)
        return;
    va_list arguments;
    va_start(arguments, format);
    int written = std::vsnprintf(composed[slot], ComposedSize, format, arguments);
    va_end(arguments);
    if (written < 0)
        composed[slot][0] = '\0';
    setText(id, composed[slot]);
}

void PageView::setMark(int32_t id, bool marked) {
    if (Flag* item = slotFor(marks, markCount, id))
        item->on = marked ? 1 : 0;
}

void PageView::setProgress(int32_t id, int32_t done, int32_t total) { progress = {id, done, total}; }

void PageView::setEnabled(int32_t id, bool enabled) {
    if (Flag* item = slotFor(states, stateCount, id))
        item->on = enabled ? 1 : 0;
}

void PageView::enable(std::initializer_list<int32_t> ids) {
    for (int32_t id : ids)
        setEnabled(id, true);
}

void PageView::disable(std::initializer_list<int32_t> ids) {
    for (int32_t id : ids)
        setEnabled(id, false);
}

const char* PageView::textOf(int32_t id) const {
    const Text* item = findItem(texts, textCount, id);
    return item != nullptr ? item->text : nullptr;
}

int PageView::markOf(int32_t id) const {
    const Flag* item = findItem(marks, markCount, id);
    return item != nullptr ? item->on : -1;
}

int PageView::enabledOf(int32_t id) const {
    const Flag* item = findItem(states, stateCount, id);
    return item != nullptr ? item->on : -1;
}

void PageFrame::describe(const PageLogic& page, AppState& state, PageView& view) {
    if (page.setTexts != nullptr)
        page.setTexts(state, view);
    describeRefresh(page, state, view);
}

void PageFrame::describeRefresh(const PageLogic& page, const AppState& state, PageView& view) {
    if (page.setMarks != nullptr)
        page.setMarks(state, view);
    if (page.setStates != nullptr)
        page.setStates(state, view);
}

FrameAction PageFrame::command(const PageLogic& page, AppState& state, int32_t controlId, int32_t notification) {
    if (controlId == IDCANCEL)
        return closeRequest(page, state);
    if (controlId == IDOK) {
        controlId = IDC_NEXT;
        notification = 0;
    }
    bool isButton = isCommonButton(controlId) || controlId == IDC_BACK || controlId == IDC_NEXT;
    if (isButton) {
        if (notification != 0)
            return FrameAction::Unhandled;
        if (!isEnabled(page, state, controlId))
            return FrameAction::None;
    }

    switch (controlId) {
    case IDC_ABOUT: return FrameAction::ShowAbout;
    case IDC_USAGE: return FrameAction::ShowUsage;
    case IDC_READ_ME:
        state.readMeReturnPage = state.currentPage;
        state.currentPage = PageId::ReadMe;
        state.pageDone = 1;
        return FrameAction::EndDialog;
    case IDC_EXIT:
        if (page.exitAsks)
            return FrameAction::AskExit;
        endWizard(state);
        return FrameAction::EndDialog;
    default: break;
    }

    if (page.onCommand == nullptr)
        return isButton ? FrameAction::None : FrameAction::Unhandled;
    switch (page.onCommand(state, controlId, notification)) {
    case PageReply::Stay: return FrameAction::None;
    case PageReply::Refresh: return FrameAction::Refresh;
    case PageReply::Leave: state.pageDone = 1; return FrameAction::EndDialog;
    case PageReply::Unhandled: break;
    }
    return isButton ? FrameAction::None : FrameAction::Unhandled;
}

FrameAction PageFrame::closeRequest(const PageLogic& page, AppState& state) {
    if (page.exitAsks)
        return FrameAction::AskExit;
    endWizard(state);
    return FrameAction::EndDialog;
}

void PageFrame::endWizard(AppState& state) {
    state.pageDone = 1;
    state.currentPage = PageId::End;
}

void PageFrame::closePage(AppState& state) { state.pageDone = 1; }

int32_t PageFrame::centredOrigin(int32_t desktopSpan, int32_t pageSize) { return (desktopSpan >> 1) - (pageSize >> 1); }

void PageFrame::openingOrigin(const AppState& state, int32_t desktopWidth, int32_t desktopHeight, int32_t pageWidth,
                              int32_t pageHeight, int32_t* left, int32_t* top) {
    if (state.pagePlaced != 0) {
        *left = state.pageLeft;
        *top = state.pageTop;
        return;
    }
    *left = centredOrigin(desktopWidth, pageWidth);
    *top = centredOrigin(desktopHeight, pageHeight);
}

void PageFrame::keepOrigin(AppState& state, int32_t left, int32_t top) {
    state.pagePlaced = 1;
    state.pageLeft = left;
    state.pageTop = top;
}

int32_t PageFrame::firstFocus(const PageLogic& page, const AppState& state) {
    PageView view;
    if (page.setStates != nullptr)
        page.setStates(state, view);
    // Only what the page enables by name: a page without Next or Back (the
    // expert page) does not mention them.
    for (int32_t id : {page.mainControl, int32_t{IDC_NEXT}, int32_t{IDC_BACK}}) {
        if (id != 0 && view.enabledOf(id) == 1)
            return id;
    }
    return 0;
}
