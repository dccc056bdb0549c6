// ProductPages.cpp - the logic of SELECTPRODUCT and SETDIR.
#include "ProductPages.h"

#include "AppState.h"
#include "JobRuns.h"
#include "JobTexts.h"
#include "PageTable.h"
#include "ProductTable.h"
#include "ZephStr.h"
#include "resource.h"

namespace {

// SELECTPRODUCT fills the directory from the product table into an area of
// 512 bytes, as the job's own strings are; the folders are far shorter.
constexpr int ProductFolderSize = 512;

// --- SELECTPRODUCT, page 5 -------------------------------------------------

void selectProductTexts(AppState& state, PageView& view) {
    view.setText(IDC_HEADING, "Product selection screen");
    view.setText(IDC_BODY, "Select one of the products below and click on Next.");
    // A choice from an earlier visit is never shown: the list (filled by the
    // glue) starts without a selection, and so does the state.
    selectProductAt(state, -1);
}

void selectProductStates(const AppState& state, PageView& view) {
    view.enable({IDC_HEADING, IDC_BODY, IDC_PRODUCT_LIST, IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_EXIT});
    view.setEnabled(IDC_NEXT, state.product != nullptr);
}

PageReply selectProductNext(AppState& state) {
    if (state.product == nullptr)
        return PageReply::Stay;
    // Any other channel leaves the directory as it is.
    if (const char* folder = defaultProductFolder(state.product, state.purchaseChannel))
        ZephStrCopy(state.directory, folder, ProductFolderSize);
    state.currentPage = PageId::SetDir;
    return PageReply::Leave;
}

PageReply selectProductCommand(AppState& state, int32_t controlId, int32_t notification) {
    if (controlId == IDC_PRODUCT_LIST) {
        if (notification == ProductListSelectionChanged)
            return PageReply::Refresh;
        if (notification == ProductListDoubleClicked)
            return state.product != nullptr ? selectProductNext(state) : PageReply::Refresh;
        return PageReply::Unhandled;
    }
    if (notification != 0)
        return PageReply::Unhandled;
    switch (controlId) {
    case IDC_BACK: state.currentPage = PageId::Vender; return PageReply::Leave;
    case IDC_NEXT: return selectProductNext(state);
    default: return PageReply::Unhandled;
    }
}

// --- SETDIR, page 6 --------------------------------------------------------

void setDirTexts(AppState& state, PageView& view) {
    composeProductLine(state.product, view.composed[0], PageView::ComposedSize);
    view.setText(IDC_HEADING, view.composed[0]);
    view.setText(IDC_BODY,
                 "Select the directory where your game is installed then click on Next to scan the directory.");
    view.setText(IDC_DIRECTORY, state.directory);
    view.setText(IDC_BROWSE, "Browse...");
}

void setDirStates(const AppState& state, PageView& view) {
    view.enable({IDC_HEADING, IDC_BODY, IDC_DIRECTORY, IDC_BROWSE, IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_EXIT});
    view.setEnabled(IDC_NEXT, state.directory[0] != '\0');
}

PageReply setDirCommand(AppState& state, int32_t controlId, int32_t notification) {
    if (notification != 0)
        return PageReply::Unhandled;
    switch (controlId) {
    case IDC_BACK: state.currentPage = PageId::SelectProduct; return PageReply::Leave;
    case IDC_NEXT:
        if (state.directory[0] == '\0')
            return PageReply::Stay;
        // Whether the directory exists is the job's to find out: a run that
        // cannot list it fails, and SCANRESULTS shows why.
        state.currentPage = PageId::Scan;
        startWizardRun(state, 0);
        return PageReply::Leave;
    default: return PageReply::Unhandled;
    }
}

} // namespace

void selectProductAt(AppState& state, int32_t index) {
    state.productIndex = index;
    state.product = findProduct(ProductTable, index);
}

bool takeDirectoryText(AppState& state, const char* text) {
    if (text == nullptr || ZephStrEqual(text, state.directory))
        return false;
    ZephStrCopy(state.directory, text, sizeof state.directory);
    return true;
}

const PageLogic selectProductPage = {PageId::SelectProduct, QV_PAGE_TITLE("Product selection screen"),
                                     {IDC_HEADING, 0},      1,
                                     selectProductTexts,    nullptr,
                                     selectProductStates,   selectProductCommand,
                                     IDC_PRODUCT_LIST,      nullptr};

const PageLogic setDirPage = {PageId::SetDir,   QV_PAGE_TITLE("Directory Selection"),
                              {IDC_HEADING, 0}, 1,
                              setDirTexts,      nullptr,
                              setDirStates,     setDirCommand,
                              IDC_DIRECTORY,    nullptr};
