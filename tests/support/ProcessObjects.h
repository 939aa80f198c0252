#pragma once
// What a process holds, counted from outside: committed private bytes, kernel
// handles, GDI objects and USER objects. Where the system's own counters
// answer 0 (Wine: GetProcessHandleCount, GetGuiResources), each is counted
// another way: kernel handles from the system's handle list, GDI objects from
// the process's own GDI handle table (its PEB points to it), USER objects as
// the windows the process owns (top-level, child and message-only): the
// program makes no other USER objects after its start, only windows come and
// go with its dialogs, boxes and hook threads.

#include <windows.h>

namespace observe {

struct ProcessObjects {
    SIZE_T privateBytes = 0;
    long handles = -1;  // -1: could not be counted
    long gdiObjects = -1;
    long userObjects = -1;
};

ProcessObjects CountProcessObjects(DWORD pid);

}  // namespace observe
