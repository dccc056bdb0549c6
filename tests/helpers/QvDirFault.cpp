// QvDirFault.cpp - failure injection and a scripted directory through the
// directory-search table. The table holds plain function pointers, so the
// state of the one active object of each kind lives here.
#include "QvDirFault.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace qvtest {

namespace {

struct FaultState {
    bool active = false;
    ZephSysDirTable saved{};
    unsigned operations = 0;
    int failAt = 0;
    ZephError error = ZephErrIo;
    bool persistent = false;
    int calls = 0;
    int failures = 0;

    // Counts a call of a chosen operation; true when it must fail.
    bool strike() {
        ++calls;
        if (failAt > 0 && (calls == failAt || (persistent && calls > failAt))) {
            ++failures;
            return true;
        }
        return false;
    }
} fault;

ZephError faultFindFirst(const char* pattern, ZephSysFindData* data, int64_t* handle) {
    if ((fault.operations & DirFault::FindFirst) && fault.strike()) {
        *handle = 0;
        return fault.error;
    }
    return fault.saved.findFirst(pattern, data, handle);
}

ZephError faultFindNext(int64_t handle, ZephSysFindData* data) {
    if ((fault.operations & DirFault::FindNext) && fault.strike())
        return fault.error;
    return fault.saved.findNext(handle, data);
}

struct ScriptState {
    bool active = false;
    ZephSysDirTable saved{};
    std::vector<ScriptedMatch> matches;
    std::string lastPattern;
    int openSearches = 0;
} script;

void fill(const ScriptedMatch& match, ZephSysFindData* data) {
    std::memset(data, 0, sizeof *data);
    std::strncpy(data->name, match.name.c_str(), sizeof data->name - 1);
    data->attributes = match.attributes;
    data->size = match.size;
    data->created = match.created;
    data->accessed = match.accessed;
    data->written = match.written;
}

// A search handle points to a heap cell with the index of the next match,
// so overlapping searches have their own position.
ZephError scriptFindFirst(const char* pattern, ZephSysFindData* data, int64_t* handle) {
    script.lastPattern = pattern != nullptr ? pattern : "";
    *handle = 0;
    if (script.matches.empty())
        return ZephErrNotFound;
    fill(script.matches[0], data);
    auto* next = new size_t(1);
    *handle = static_cast<int64_t>(reinterpret_cast<intptr_t>(next));
    ++script.openSearches;
    return ZephErrNone;
}

ZephError scriptFindNext(int64_t handle, ZephSysFindData* data) {
    auto* next = reinterpret_cast<size_t*>(static_cast<intptr_t>(handle));
    if (*next >= script.matches.size())
        return ZephErrNotFound;
    fill(script.matches[(*next)++], data);
    return ZephErrNone;
}

void scriptFindClose(int64_t handle) {
    delete reinterpret_cast<size_t*>(static_cast<intptr_t>(handle));
    --script.openSearches;
}

} // namespace

DirFault::DirFault(unsigned operations, int failAt, ZephError error, bool persistent) {
    if (fault.active)
        std::abort(); // one at a time: the table has room for one
    fault = FaultState{};
    fault.active = true;
    fault.saved = ZephSysDirs;
    fault.operations = operations;
    fault.failAt = failAt;
    fault.error = error;
    fault.persistent = persistent;
    ZephSysDirs.findFirst = faultFindFirst;
    ZephSysDirs.findNext = faultFindNext;
}

DirFault::~DirFault() {
    ZephSysDirs.findFirst = fault.saved.findFirst;
    ZephSysDirs.findNext = fault.saved.findNext;
    fault.active = false;
}

int DirFault::calls() const { return fault.calls; }
int DirFault::failures() const { return fault.failures; }

ScriptedDir::ScriptedDir(std::vector<ScriptedMatch> matches) {
    if (script.active)
        std::abort();
    script.active = true;
    script.saved = ZephSysDirs;
    script.matches = std::move(matches);
    script.lastPattern.clear();
    script.openSearches = 0;
    ZephSysDirs.findFirst = scriptFindFirst;
    ZephSysDirs.findNext = scriptFindNext;
    ZephSysDirs.findClose = scriptFindClose;
}

ScriptedDir::~ScriptedDir() {
    ZephSysDirs = script.saved;
    script.matches.clear();
    script.active = false;
}

int ScriptedDir::openSearches() const { return script.openSearches; }
const std::string& ScriptedDir::lastPattern() const { return script.lastPattern; }

} // namespace qvtest
