// QvAllocFault.cpp - allocation fault injection through a manager's hook.
#include "QvAllocFault.h"

#include <cstdlib>

namespace qvtest {

namespace {

// Which AllocFault is innermost on each manager: the hook has no user value,
// so it finds its object through the manager it is called for.
struct Slot {
    ZephMemManager* manager;
    AllocFault* fault;
};
constexpr int kSlots = 16;
Slot slots[kSlots];

Slot* findSlot(ZephMemManager* manager) {
    for (Slot& slot : slots)
        if (slot.manager == manager && slot.fault != nullptr)
            return &slot;
    return nullptr;
}

} // namespace

AllocFault::AllocFault(ZephMemManager* manager) : manager_(manager) {
    bool locked = (manager_->options & LockMutex) != 0 && manager_->mutex.lock(-1) == 0;
    Slot* slot = findSlot(manager_);
    if (slot == nullptr) {
        for (Slot& free : slots)
            if (free.fault == nullptr) {
                slot = &free;
                slot->manager = manager_;
                break;
            }
        if (slot == nullptr)
            std::abort(); // more nested faults than any test needs
    }
    previousFault_ = slot->fault;
    slot->fault = this;
    previousHook_ = manager_->allocHook;
    manager_->allocHook = &AllocFault::hook;
    if (locked)
        manager_->mutex.unlock();
}

AllocFault::~AllocFault() {
    bool locked = (manager_->options & LockMutex) != 0 && manager_->mutex.lock(-1) == 0;
    Slot* slot = findSlot(manager_);
    if (slot != nullptr) {
        slot->fault = previousFault_;
        if (previousFault_ == nullptr)
            slot->manager = nullptr;
    }
    manager_->allocHook = previousHook_;
    if (locked)
        manager_->mutex.unlock();
}

void AllocFault::failAt(int n, bool persistent) {
    failAt_ = n < 1 ? 0 : n;
    persistent_ = persistent;
    calls_ = 0;
    failures_ = 0;
}

void AllocFault::disarm() { failAt_ = 0; }

void* AllocFault::hook(ZephMemManager* manager, int32_t size, uint32_t flags, const char* name) {
    Slot* slot = findSlot(manager);
    return slot->fault->allocate(size, flags, name);
}

void* AllocFault::allocate(int32_t size, uint32_t flags, const char* name) {
    ++calls_;
    if (failAt_ > 0 && (calls_ == failAt_ || (persistent_ && calls_ > failAt_))) {
        ++failures_;
        return nullptr;
    }
    // The real block: step out of the way for one nested call (the hook runs
    // under the manager's recursive lock, so nobody else sees the gap), then
    // step back in.
    Slot* slot = findSlot(manager_);
    slot->fault = previousFault_;
    manager_->allocHook = previousHook_;
    void* block = ZephMemAlloc(manager_, size, flags, name);
    manager_->allocHook = &AllocFault::hook;
    slot->fault = this;
    return block;
}

} // namespace qvtest
