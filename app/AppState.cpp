// AppState.cpp - start-up, command line, boxes and teardown of the
// application state.
#include "AppState.h"

#include "AppPlatform.h"
#include "CommandLine.h"
#include "PageDriver.h"
#include "ZephLib.h"
#include "ZephMem.h"

// Built before ZephMemManagerGlobal (102) and ZephMetricManagerGlobal (103),
// so it is torn down after both.
AppState AppStateGlobal __attribute__((init_priority(101)));

AppMessageBoxHook appMessageBoxHook = nullptr;

namespace {

// The program's own copy of the banner: ZephLib::startup compares it with
// the library's, so a program built against another library is refused.
const char programBanner[] = ZEPH_LIB_BANNER;

constexpr int32_t TextBufferSize = 8192;
constexpr int UsageTextSize = 2048;

} // namespace

int appMessageBox(void* owner, const char* text, uint32_t style)
{
    if (appMessageBoxHook != nullptr)
        return appMessageBoxHook(owner, AppCaption, text, style);
    return appPlatformMessageBox(owner, AppCaption, text, style);
}

AppState::~AppState()
{
    releaseHeld();
    instance.release();
}

void AppState::releaseHeld()
{
    if (headingFont != nullptr) {
        appDeleteFont(headingFont);
        headingFont = nullptr;
    }
    job.clear();
    workBuffer.clear();
    logBuffer.clear();
}

int AppState::init(void* module, void* previousModule, const char* text)
{
    releaseHeld();

    instanceHandle = module;
    prevInstanceHandle = previousModule;
    commandLine = text;

    appInitCommonControls();

    modelessPage = nullptr;
    pageDone = 0;
    currentPage = -1;

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

int AppState::runCommandLine(const char* text)
{
    CommandDecision decision = decideCommandLine(text);
    switch (decision.action) {
    case CommandAction::ShowUsage:
        showUsage(nullptr);
        return 0;
    case CommandAction::ShowAbout:
        showAbout(nullptr);
        return 0;
    case CommandAction::RunWizard:
        runPages(*this);
        return 0;
    default: {
        char message[CommandMessageSize];
        formatCommandRejection(decision, message, CommandMessageSize);
        appMessageBox(nullptr, message, AppBoxError);
        return -1;
    }
    }
}

int showUsage(void* owner)
{
    char text[UsageTextSize];
    formatUsageText(text, UsageTextSize);
    appMessageBox(owner, text, AppBoxInformation);
    return 0;
}

int showAbout(void* owner)
{
    appMessageBox(owner, aboutText(), AppBoxInformation);
    return 0;
}
