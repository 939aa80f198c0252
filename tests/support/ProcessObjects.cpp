#include "tests/support/ProcessObjects.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "framework/Handles.h"

namespace observe {

namespace {

constexpr ULONG kSystemHandleInformation = 16;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

// The system's handle list, one entry per handle of every process.
struct SystemHandle {
    USHORT ownerPid;
    USHORT backTraceIndex;
    UCHAR objectType;
    UCHAR flags;
    USHORT value;
    PVOID object;
    ULONG grantedAccess;
};

long CountKernelHandles(DWORD pid) {
    std::vector<BYTE> buffer(1 << 18);
    NTSTATUS status;
    ULONG needed = 0;
    while ((status = ::NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(kSystemHandleInformation),
                                                buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
               kInfoLengthMismatch &&
           buffer.size() < (64u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) {
        return -1;
    }
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* handles = reinterpret_cast<const SystemHandle*>(buffer.data() + sizeof(ULONG_PTR));
    long owned = 0;
    for (ULONG i = 0; i < count; ++i) {
        owned += handles[i].ownerPid == static_cast<USHORT>(pid) ? 1 : 0;
    }
    return owned;
}

// An entry of the GDI handle table as the system lays it out: a live object
// has a type.
#pragma pack(push, 1)
struct GdiHandleEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    UINT64 userPointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiHandleEntry) == 24, "the GDI handle table's entry");
constexpr size_t kGdiMaxHandles = 0x10000;
// PEB.GdiSharedHandleTable
constexpr size_t kPebGdiTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;

long CountGdiObjects(HANDLE process, std::array<long, 128>* byKind) {
    PROCESS_BASIC_INFORMATION basic{};
    ULONG length = 0;
    ULONG_PTR table = 0;
    if (::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), &length) != 0 ||
        !::ReadProcessMemory(process, reinterpret_cast<BYTE*>(basic.PebBaseAddress) + kPebGdiTableOffset, &table,
                             sizeof(table), nullptr) ||
        table == 0) {
        return -1;
    }
    // The table is committed as it fills: read until the first page that is not.
    std::vector<GdiHandleEntry> chunk(4096 / sizeof(GdiHandleEntry) * 16);
    long live = 0;
    for (size_t first = 0; first < kGdiMaxHandles; first += chunk.size()) {
        SIZE_T got = 0;
        const ULONG_PTR at = table + first * sizeof(GdiHandleEntry);
        // Not a byte past the table's end: what lies there is no entry.
        const size_t entries = std::min(chunk.size(), kGdiMaxHandles - first);
        if (!::ReadProcessMemory(process, reinterpret_cast<void*>(at), chunk.data(), entries * sizeof(GdiHandleEntry),
                                 &got) ||
            got == 0) {
            break;
        }
        for (size_t i = 0; i < got / sizeof(GdiHandleEntry); ++i) {
            if (chunk[i].type != 0) {
                ++live;
                ++(*byKind)[chunk[i].type & 0x7F];
            }
        }
    }
    return live;
}

struct WindowCount {
    DWORD pid;
    long windows;
};

BOOL CALLBACK CountChild(HWND window, LPARAM count) {
    auto* c = reinterpret_cast<WindowCount*>(count);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    c->windows += pid == c->pid ? 1 : 0;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
    CountChild(window, count);
    // Children of every top-level window, for a process may own a child of another's.
    ::EnumChildWindows(window, &CountChild, count);
    return TRUE;
}

long CountWindows(DWORD pid) {
    WindowCount count{pid, 0};
    ::EnumWindows(&CountTopLevel, reinterpret_cast<LPARAM>(&count));
    for (HWND window = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
         window = ::FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
        CountTopLevel(window, reinterpret_cast<LPARAM>(&count));
    }
    return count.windows;
}

}  // namespace

ProcessObjects CountProcessObjects(DWORD pid) {
    ProcessObjects objects;
    const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) {
        return objects;
    }
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    if (::GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory))) {
        // Wine leaves PrivateUsage at 0; the committed private bytes are the same.
        objects.privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
    }
    DWORD handles = 0;
    objects.handles = ::GetProcessHandleCount(process.get(), &handles) && handles != 0 ? static_cast<long>(handles)
                                                                                       : CountKernelHandles(pid);
    const DWORD gdi = ::GetGuiResources(process.get(), GR_GDIOBJECTS);
    objects.gdiObjects = gdi != 0 ? static_cast<long>(gdi) : CountGdiObjects(process.get(), &objects.gdiByKind);
    const DWORD user = ::GetGuiResources(process.get(), GR_USEROBJECTS);
    objects.userObjects = user != 0 ? static_cast<long>(user) : CountWindows(pid);
    return objects;
}

namespace {

// The kinds as Wine's GDI handle table numbers them (measured: a DIB section
// or a compatible bitmap is 0x09; a pen counts as a brush).
constexpr size_t kDcKind = 0x01;
constexpr size_t kRegionKind = 0x04;
constexpr size_t kSurfaceKind = 0x05;
const struct {
    size_t kind;
    const char* name;
} kGdiKinds[] = {{kDcKind, "DC"},
                 {kRegionKind, "region"},
                 {kSurfaceKind, "surface"},
                 {0x08, "palette"},
                 {0x09, "bitmap"},
                 {0x0A, "font"},
                 {0x10, "brush"},
                 {0x21, "metafile DC"},
                 {0x26, "metafile"},
                 {0x30, "pen"},
                 {0x46, "enhanced metafile"},
                 {0x50, "extended pen"}};

}  // namespace

std::string GdiKindName(size_t kind) {
    for (const auto& k : kGdiKinds) {
        if (k.kind == kind) {
            return k.name;
        }
    }
    return "kind " + std::to_string(kind);
}

bool IsWindowSystemGdiKind(size_t kind) { return kind == kDcKind || kind == kRegionKind || kind == kSurfaceKind; }

std::string GdiGrowth(const ProcessObjects& from, const ProcessObjects& to) {
    std::string text;
    for (size_t kind = 0; kind < from.gdiByKind.size(); ++kind) {
        const long grown = to.gdiByKind[kind] - from.gdiByKind[kind];
        if (grown != 0) {
            text += (text.empty() ? "" : ", ") + std::to_string(grown) + " " + GdiKindName(kind);
        }
    }
    return text.empty() ? "none" : text;
}

}  // namespace observe
