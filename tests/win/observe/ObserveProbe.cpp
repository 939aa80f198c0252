// observe_probe: a program that behaves in known ways, for the tests of the
// observation support to watch.
//
//   lines CODE                  known diagnostic lines, then exit CODE
//   burst N                     "line 0\n" .. "line N-1\n"
//   throw CODE                  throws and catches a C++ exception, exit CODE
//   raise CODE                  raises an exception its vectored handler
//                               resumes: "handled\n" or "not handled\n"
//   crash                       an access violation nobody handles
//   sleep MS                    "sleeping\n", then sleeps
//   cwd                         its working directory as a line
//   event NAME                  waits for the named event to be set
//   window CLASS TITLE X Y W H LEFT RIGHT
//                               a popup, left half colour LEFT, right half
//                               RIGHT (RRGGBB), owned by a hidden window;
//                               "shown\n" once painted, "closed\n" at WM_CLOSE
//   picture ID X Y              the bitmap resource ID drawn 1:1 at X,Y
//   leak N                      makes a window, then makes and keeps N brushes,
//                               N events, N hidden windows and N message-only
//                               windows, says "leaked\n", then sleeps

#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "framework/Handles.h"

namespace {

using UniqueBrush = UniqueHandle<HBRUSH, GdiObjectTraits<HBRUSH>>;

constexpr UINT_PTR kGiveUpTimer = 1;
// However a test ends, the probe does not outlive it by much.
constexpr UINT kGiveUpMs = 60000;

struct Paint {
    COLORREF left = 0;
    COLORREF right = 0;
    UniqueBitmap picture;
    bool shownSaid = false;
};

Paint g_paint;

constexpr DWORD kProbeException = 0xE0B0B001;
bool g_vectoredHandlerRan = false;

LONG CALLBACK ResumeProbeException(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionCode != kProbeException) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    g_vectoredHandlerRan = true;
    return EXCEPTION_CONTINUE_EXECUTION;
}

long Number(const wchar_t* s, int base = 10) { return std::wcstol(s, nullptr, base); }

COLORREF Colour(const wchar_t* rrggbb) {
    const unsigned long v = std::wcstoul(rrggbb, nullptr, 16);
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

void FillWith(HDC dc, const RECT& area, COLORREF colour) {
    const UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &area, brush.get());
}

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        // The paint ends before the flush, so what is flushed is all of it.
        {
            const PaintDc paint(hwnd);
            const HDC dc = paint.get();
            RECT rc;
            GetClientRect(hwnd, &rc);
            if (g_paint.picture) {
                const UniqueMemoryDc mem(CreateCompatibleDC(dc));
                const SelectGuard select(mem.get(), g_paint.picture.get());
                BitBlt(dc, 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, SRCCOPY);
            } else {
                RECT half = rc;
                half.right = rc.right / 2;
                FillWith(dc, half, g_paint.left);
                half.left = half.right;
                half.right = rc.right;
                FillWith(dc, half, g_paint.right);
            }
        }
        GdiFlush();
        if (!g_paint.shownSaid) {
            g_paint.shownSaid = true;
            OutputDebugStringW(L"shown\n");
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        if (wp == kGiveUpTimer) {
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_CLOSE:
        OutputDebugStringW(L"closed\n");
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

int ShowWindowAt(const wchar_t* cls, const wchar_t* title, int x, int y, int w, int h) {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = inst;
    wc.lpszClassName = cls;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    RegisterClassW(&wc);
    WNDCLASSW owner{};
    owner.lpfnWndProc = DefWindowProcW;
    owner.hInstance = inst;
    owner.lpszClassName = L"ObserveProbeOwner";
    RegisterClassW(&owner);

    HWND ownerWnd =
        CreateWindowExW(0, L"ObserveProbeOwner", L"probe owner", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, inst, nullptr);
    HWND hwnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, cls, title, WS_POPUP, x, y, w, h, ownerWnd, nullptr,
                                inst, nullptr);
    if (!hwnd) {
        return 3;
    }
    SetTimer(hwnd, kGiveUpTimer, kGiveUpMs, nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DestroyWindow(ownerWnd);
    return 0;
}

int Lines(int code) {
    OutputDebugStringW(L"probe started\n");
    OutputDebugStringW(L"no line end");
    OutputDebugStringW(L"windows line end\r\n");
    OutputDebugStringW(L"");
    OutputDebugStringA("ansi line\n");
    OutputDebugStringW(L"last line\n");
    return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"lines" && argc == 3) {
        return Lines(static_cast<int>(Number(argv[2])));
    }
    if (mode == L"burst" && argc == 3) {
        for (long i = 0, n = Number(argv[2]); i < n; ++i) {
            OutputDebugStringW((L"line " + std::to_wstring(i) + L"\n").c_str());
        }
        return 0;
    }
    if (mode == L"throw" && argc == 3) {
        try {
            throw std::runtime_error("probe");
        } catch (const std::runtime_error&) {
            OutputDebugStringW(L"caught\n");
        }
        return static_cast<int>(Number(argv[2]));
    }
    if (mode == L"raise" && argc == 3) {
        // Reaches the handler only when a debugger passes the exception on.
        AddVectoredExceptionHandler(1, ResumeProbeException);
        RaiseException(kProbeException, 0, 0, nullptr);
        OutputDebugStringW(g_vectoredHandlerRan ? L"handled\n" : L"not handled\n");
        return static_cast<int>(Number(argv[2]));
    }
    if (mode == L"crash") {
        OutputDebugStringW(L"crashing\n");
        volatile int* nowhere = nullptr;
        *nowhere = 1;
        return 0;
    }
    if (mode == L"sleep" && argc == 3) {
        OutputDebugStringW(L"sleeping\n");
        Sleep(static_cast<DWORD>(Number(argv[2])));
        return 0;
    }
    if (mode == L"cwd") {
        wchar_t dir[MAX_PATH];
        const DWORD n = GetCurrentDirectoryW(MAX_PATH, dir);
        OutputDebugStringW((std::wstring(dir, n) + L"\n").c_str());
        return 0;
    }
    if (mode == L"event" && argc == 3) {
        const UniqueKernelHandle ev(CreateEventW(nullptr, TRUE, FALSE, argv[2]));
        OutputDebugStringW(L"waiting\n");
        const bool set = WaitForSingleObject(ev.get(), kGiveUpMs) == WAIT_OBJECT_0;
        OutputDebugStringW(set ? L"signalled\n" : L"gave up\n");
        return set ? 0 : 1;
    }
    if (mode == L"window" && argc == 10) {
        g_paint.left = Colour(argv[8]);
        g_paint.right = Colour(argv[9]);
        return ShowWindowAt(argv[2], argv[3], Number(argv[4]), Number(argv[5]), Number(argv[6]), Number(argv[7]));
    }
    if (mode == L"picture" && argc == 5) {
        g_paint.picture.reset(
            LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(static_cast<WORD>(Number(argv[2])))));
        BITMAP bm{};
        if (!g_paint.picture || !GetObjectW(g_paint.picture.get(), sizeof bm, &bm)) {
            return 4;
        }
        return ShowWindowAt(L"ObserveProbePicture", L"probe picture", Number(argv[3]), Number(argv[4]), bm.bmWidth,
                            bm.bmHeight);
    }
    if (mode == L"leak" && argc == 3) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ObserveProbeLeak";
        RegisterClassW(&wc);
        // A thread's first window brings objects of the system's own (the
        // input method's window among them): made here whatever N is.
        CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
        for (long i = 0, n = Number(argv[2]); i < n; ++i) {
            CreateSolidBrush(RGB(i, 0, 0));
            CreateEventW(nullptr, FALSE, FALSE, nullptr);
            CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
            CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        }
        OutputDebugStringW(L"leaked\n");
        Sleep(kGiveUpMs);
        return 0;
    }
    OutputDebugStringW(L"usage: observe_probe lines|burst|throw|crash|sleep|event|window|picture|leak\n");
    return 2;
}
