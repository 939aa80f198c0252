// Stands in for the maker's companion control panel: a window titled
// "Korvelane Zorvath" that ends when it is asked to close.
#include <windows.h>

namespace {

LRESULT CALLBACK CompanionProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &CompanionProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"VaskE2eCompanion";
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"Korvelane Zorvath", WS_OVERLAPPEDWINDOW, 50, 50, 300, 200,
                                    nullptr, nullptr, instance, nullptr);
    ::ShowWindow(window, show);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::DispatchMessageW(&msg);
    }
    return 0;
}
