#pragma once
// One owning type per kind of handle, movable and never copyable, so that
// every handle the program takes is given back on every path.

#include <utility>

#include <windows.h>

template <class Handle, class Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, Handle{})) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.m_handle, Handle{}));
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Handle{}; }
    Handle release() { return std::exchange(m_handle, Handle{}); }
    void reset(Handle handle = Handle{}) {
        if (m_handle != Handle{}) {
            Traits::Close(m_handle);
        }
        m_handle = handle;
    }

private:
    Handle m_handle{};
};

struct MemoryDcTraits {
    static void Close(HDC dc) { ::DeleteDC(dc); }
};
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;

template <class Object>
struct GdiObjectTraits {
    static void Close(Object object) { ::DeleteObject(object); }
};
using UniqueBitmap = UniqueHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;

// Null is empty: a handle whose call fails with INVALID_HANDLE_VALUE instead
// (CreateFile, CreateToolhelp32Snapshot) is taken in once it is checked.
struct KernelHandleTraits {
    static void Close(HANDLE handle) { ::CloseHandle(handle); }
};
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;

// A FindFirstFile search, taken in once it is not INVALID_HANDLE_VALUE.
struct FindHandleTraits {
    static void Close(HANDLE find) { ::FindClose(find); }
};
using UniqueFindHandle = UniqueHandle<HANDLE, FindHandleTraits>;

// A hook from SetWindowsHookEx.
struct WindowsHookTraits {
    static void Close(HHOOK hook) { ::UnhookWindowsHookEx(hook); }
};
using UniqueWindowsHook = UniqueHandle<HHOOK, WindowsHookTraits>;

// A module from LoadLibrary or LoadLibraryEx.
struct ModuleTraits {
    static void Close(HMODULE module) { ::FreeLibrary(module); }
};
using UniqueModule = UniqueHandle<HMODULE, ModuleTraits>;

// Global memory that nothing else took over (CreateStreamOnHGlobal with
// fDeleteOnRelease takes it over: release() it then).
struct GlobalMemoryTraits {
    static void Close(HGLOBAL memory) { ::GlobalFree(memory); }
};
using UniqueGlobalMemory = UniqueHandle<HGLOBAL, GlobalMemoryTraits>;

// A view of a file mapping, of any type the view is read as.
template <class View>
struct MappedViewTraits {
    static void Close(View* view) { ::UnmapViewOfFile(view); }
};
template <class View>
using UniqueMappedView = UniqueHandle<View*, MappedViewTraits<View>>;

// One reference to a COM object, given back with Release.
template <class Interface>
struct ComReferenceTraits {
    static void Close(Interface* object) { object->Release(); }
};
template <class Interface>
using UniqueComReference = UniqueHandle<Interface*, ComReferenceTraits<Interface>>;

struct RegistryKeyTraits {
    static void Close(HKEY key) { ::RegCloseKey(key); }
};
using UniqueRegistryKey = UniqueHandle<HKEY, RegistryKeyTraits>;

// A window's device context from GetDC; remembers its window for ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) : m_window(window), m_dc(::GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (m_dc != nullptr) {
            ::ReleaseDC(m_window, m_dc);
        }
    }
    HDC get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// BeginPaint/EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND window) : m_window(window), m_dc(::BeginPaint(window, &m_paint)) {}
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { ::EndPaint(m_window, &m_paint); }
    HDC get() const { return m_dc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
};

// Selects an object into a device context and puts the old one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(::SelectObject(dc, object)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        if (m_old != nullptr && m_old != HGDI_ERROR) {
            ::SelectObject(m_dc, m_old);
        }
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};
