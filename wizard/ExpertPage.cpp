// ExpertPage.cpp - the logic of the expert page MAIN.
#include "ExpertPage.h"

#include "AppState.h"
#include "PageTable.h"
#include "ZephStr.h"
#include "resource.h"

namespace {

void expertTexts(AppState&, PageView& view) { view.setText(IDC_DESCRIPTION, ExpertDescriptionText); }

void expertStates(const AppState& state, PageView& view) {
    const bool idle = state.expertBusy == 0;
    for (int32_t id : {IDC_DIRECTORY, IDC_BROWSE, IDC_OLD_STRING, IDC_NEW_STRING, IDC_SAVE_AS_NEW, IDC_REPORT,
                       IDC_DO_IT, IDC_ABOUT, IDC_USAGE, IDC_EXIT})
        view.setEnabled(id, idle);
    // The log stays usable during a run: it can be scrolled while it grows.
    view.setEnabled(IDC_LOG, true);
}

char* fieldOf(AppState& state, int32_t controlId) {
    switch (controlId) {
    case IDC_DIRECTORY: return state.directory;
    case IDC_OLD_STRING: return state.expertOldString;
    case IDC_NEW_STRING: return state.expertNewString;
    default: return nullptr;
    }
}

} // namespace

// Everything else (About..., Exit, the close requests) is the frame's; the
// page's own controls need their window and are handled by the glue.
const PageLogic expertPage = {PageId::Main, AppCaption, {0, 0},        0,      expertTexts, nullptr,
                              expertStates, nullptr,    IDC_DIRECTORY, nullptr};

uint32_t (*expertPageTickCount)() = nullptr;

void describeExpertFields(const AppState& state, PageView& view) {
    view.setText(IDC_DIRECTORY, state.directory);
    view.setText(IDC_OLD_STRING, state.expertOldString);
    view.setText(IDC_NEW_STRING, state.expertNewString);
    view.setMark(IDC_SAVE_AS_NEW, state.expertSaveAsNew != 0);
}

bool takeExpertText(AppState& state, int32_t controlId, const char* text) {
    char* field = fieldOf(state, controlId);
    if (field == nullptr || text == nullptr || ZephStrEqual(text, field))
        return false;
    // Every field is ExpertFieldSize bytes (directory, expertOldString,
    // expertNewString).
    ZephStrCopy(field, text, ExpertFieldSize);
    return true;
}

bool takeExpertSaveAsNew(AppState& state, int32_t checked) {
    if (checked == state.expertSaveAsNew)
        return false;
    state.expertSaveAsNew = checked;
    return true;
}

void runExpert(AppState& state, int32_t doIt, ExpertRunSink* sink) {
    static_assert(sizeof state.directory == ExpertFieldSize && sizeof state.expertOldString == ExpertFieldSize &&
                      sizeof state.expertNewString == ExpertFieldSize,
                  "the run and the page bound their texts by ExpertFieldSize");
    ExpertRunContext context;
    context.directory = state.directory;
    context.oldString = state.expertOldString;
    context.newString = state.expertNewString;
    context.saveAsNew = &state.expertSaveAsNew;
    context.busy = &state.expertBusy;
    // pageDone is unsigned; the run only asks whether it is nonzero.
    context.stop = reinterpret_cast<const int32_t*>(&state.pageDone);
    context.workBuffer = &state.workBuffer;
    context.logBuffer = &state.logBuffer;
    context.manager = nullptr; // ZephMemManagerGlobal, like the buffers
    context.sink = sink;
    context.tickCount = expertPageTickCount;
    ExpertRun::runDirectory(context, doIt);
}
