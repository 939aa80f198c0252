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

#include <array>
#include <string>

namespace observe {

struct ProcessObjects {
    SIZE_T privateBytes = 0;
    long handles = -1;  // -1: could not be counted
    long gdiObjects = -1;
    long userObjects = -1;
    // GDI objects by kind where they were read from the table: what grew, when something did.
    std::array<long, 128> gdiByKind{};
};

// "bitmap", "DC", ... for a kind of the GDI handle table.
std::string GdiKindName(size_t kind);
// Device contexts, regions and surfaces: what the system also makes for the
// windows on the screen, beside what the program makes for its own drawing.
bool IsWindowSystemGdiKind(size_t kind);

// "3 bitmaps, 1 DC" for the kinds of GDI object that `to` holds more of than `from`.
std::string GdiGrowth(const ProcessObjects& from, const ProcessObjects& to);

ProcessObjects CountProcessObjects(DWORD pid);

}  // namespace observe
