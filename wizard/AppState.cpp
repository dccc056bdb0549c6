// AppState.cpp - start-up and releases of the application state.
#include "AppState.h"

#include "AppPlatform.h"
#include "ZephLib.h"
#include "ZephMem.h"

// Built before ZephMemManagerGlobal (102) and ZephMetricManagerGlobal (103),
// so it is torn down after both.
AppState AppStateGlobal __attribute__((init_priority(101)));

namespace {

// The program's own copy of the banner: ZephLib::startup compares it with
// the library's, so a program built against another library is refused.
const char programBanner[] = ZEPH_LIB_BANNER;

constexpr int32_t TextBufferSize = 8192;

} // namespace

AppState::~AppState() {
    releaseHeld();
    instance.release();
}

void AppState::releaseHeld() {
    if (headingFont != nullptr) {
        appDeleteFont(headingFont);
        headingFont = nullptr;
    }
    job.clear();
    workBuffer.clear();
    logBuffer.clear();
}

int AppState::init(void* module, void* previousModule, const char* text) {
    releaseHeld();

    instanceHandle = module;
    prevInstanceHandle = previousModule;
    commandLine = text;

    appInitCommonControls();

    modelessPage = nullptr;
    pageDone = 0;
    currentPage = -1;
    pagePlaced = 0;

    if (instance.acquire(AppExecutableName) < 0) {
        appMessageBox(nullptr, "Error!  Cannot initialize ZephInstance!", AppBoxError);
        return -1;
    }
    if (ZephLib::startup(programBanner, ZephLibServices) < 0) {
        appMessageBox(nullptr, "Error!  Cannot initialize ZephLib!", AppBoxError);
        return -1;
    }

    headingFont = appCreateHeadingFont();

    // A buffer that cannot get its first block now gets it when it grows.
    workBuffer.init(&ZephMemManagerGlobal, TextBufferSize);
    workBuffer.reserve(TextBufferSize);
    logBuffer.init(&ZephMemManagerGlobal, TextBufferSize);
    logBuffer.reserve(TextBufferSize);

    expertBusy = 0;
    agreed = 0;
    purchaseChannel = PurchaseChannel::None;
    productIndex = -1;
    product = nullptr;

    job.init(&ZephMemManagerGlobal);
    return 0;
}
