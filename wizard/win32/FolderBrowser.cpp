// FolderBrowser.cpp - SHBrowseForFolderA and SHGetPathFromIDListA.
#include "FolderBrowser.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>

namespace {

// Selects the start folder (lpData) once the browser's tree is there.
int CALLBACK openAtStart(HWND browser, UINT message, LPARAM, LPARAM start) {
    if (message == BFFM_INITIALIZED)
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, start);
    return 0;
}

bool isFolder(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

int browseForFolder(HWND owner, const char* title, char* path) {
    if (path == nullptr)
        return 0;
    // The browser is a COM object; it wants an apartment on this thread.
    // Already having one (S_FALSE) is fine; every success is balanced.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    char displayName[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    // Without a folder to open at, the browser opens at its root as always.
    if (path[0] != '\0' && isFolder(path)) {
        info.lpfn = openAtStart;
        info.lParam = reinterpret_cast<LPARAM>(path);
    }

    int chosen = 0;
    if (LPITEMIDLIST item = SHBrowseForFolderA(&info)) {
        // SHGetPathFromIDListA writes at most MAX_PATH bytes; take them into
        // a scratch area first, so a failure leaves path as it was.
        char found[MAX_PATH] = {};
        if (SHGetPathFromIDListA(item, found) && found[0] != '\0') {
            std::memcpy(path, found, std::strlen(found) + 1);
            chosen = 1;
        }
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return chosen;
}
