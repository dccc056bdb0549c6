// AppState.h - the one application state record that every page works on,
// with its start-up and its releases.
#ifndef QUORVEL_WIZARD_APPSTATE_H
#define QUORVEL_WIZARD_APPSTATE_H

#include "PatchJob.h"
#include "ProductTable.h"
#include "ProgramTexts.h"
#include "ZephBuf.h"
#include "ZephInstance.h"

#include <cstdint>

// One static object, AppStateGlobal, holds the program's state. It is
// constructed before the global memory manager and torn down after it, so
// everything it holds through that manager (font, job, text buffers) must be
// released by the entry routine (releaseHeld) before the process exits; the
// teardown then only gives back the instance number.
//
// Platform handles are opaque here (HINSTANCE, HWND, HFONT on Windows) so that
// the record and the page logic compile and are tested on every platform.
struct AppState {
    void* instanceHandle = nullptr;        // the module the page templates load from
    void* prevInstanceHandle = nullptr;    // stored only
    const char* commandLine = nullptr;     // as given at entry
    void* modelessPage = nullptr;          // window of SCAN or CONVERTFILES while the driver shows it
    uint32_t pageDone = 0;                 // 0 while a page runs; 1 when it is to end
    int32_t currentPage = 0;               // PageId shown or to be shown next; -1 ends the wizard
    ZephInstance instance;                 // 1 for the first running copy, 2 for a second...
    int32_t readMeReturnPage = 0;          // where Back on README leads
    int32_t pagePlaced = 0;                // 1 once a page stood somewhere: the next opens there
    int32_t pageLeft = 0;                  // that page's left edge on the screen
    int32_t pageTop = 0;                   // and its top edge
    void* headingFont = nullptr;           // the pages' heading font; none until start-up
    ZephBuf workBuffer;                    // the expert page's file buffer
    ZephBuf logBuffer;                     // the expert page's log
    int32_t expertBusy = 0;                // nonzero while the expert page runs
    int32_t agreed = 0;                    // 1 when the user agreement is accepted
    int32_t purchaseChannel = 0;           // PurchaseChannel
    int32_t productIndex = 0;              // list index of the chosen product; -1 none
    const ProductEntry* product = nullptr; // the chosen product, or none
    PatchJob job;                          // the scan and convert runs of the wizard
    char directory[1024] = {};             // the install directory (also the expert page's)
    char expertOldString[1024] = {};
    char expertNewString[1024] = {};
    int32_t expertSaveAsNew = 0; // the expert page's ".NEW" box, 0 or 1

    AppState() = default;
    // Releases what is held (releaseHeld), then the instance number.
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // Start-up, in this order: releases anything held, stores the handles
    // and command line, starts the common controls, resets the page fields,
    // takes an instance number for "Quorvel.exe", starts the support library
    // (services only), creates the heading font, sets up both text buffers
    // (8192 bytes) and the job on ZephMemManagerGlobal. Returns 0; -1 after
    // its error box when the instance number or the library cannot be had
    // (the caller then calls releaseHeld).
    int init(void* module, void* previousModule, const char* text);

    // The entry routine's releases: deletes the heading font, clears the job
    // and releases both buffers' storage. Safe twice.
    void releaseHeld();
};

// The program's state; constructed first of all static objects
// (init_priority 101, before ZephMemManagerGlobal at 102).
extern AppState AppStateGlobal;

#endif
