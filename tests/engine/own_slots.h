// Test doubles in the engine's entry table: a slot is replaced in the published vector, which
// the module's routines read, and in this program's own copy of the table, which the engine
// routines linked into the test read when the two tables are not one.
#pragma once
#include "engine/model/control/entry_table.h"
#include "host/kernel.h"

class OwnSlot {
public:
    OwnSlot(int slot, void* routine) : slot_(slot) {
        published_ = const_cast<void**>(wivget(381)->slots);
        if (published_ != rskatbl && rskatbl[2] == nullptr) rskatbl_fill();
        saved_published_ = published_[slot];
        saved_own_ = rskatbl[slot];
        published_[slot] = routine;
        rskatbl[slot] = routine;
    }
    ~OwnSlot() {
        published_[slot_] = saved_published_;
        rskatbl[slot_] = saved_own_;
    }
    OwnSlot(const OwnSlot&) = delete;
    OwnSlot& operator=(const OwnSlot&) = delete;

private:
    int slot_;
    void** published_ = nullptr;
    void* saved_published_ = nullptr;
    void* saved_own_ = nullptr;
};
