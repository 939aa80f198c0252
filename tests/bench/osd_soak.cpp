// 20 000 loads and renders in one process: the last render must still show the
// right picture and the working set must not grow by a megabyte. A leak of one
// GDI handle per render would exhaust the handle table long before the end.
#include <windows.h>
#include <psapi.h>

#include <string>

#include "BenchOsd.h"
#include "GdiplusSession.h"
#include "Screen.h"

namespace {
SIZE_T WorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
    return counters.WorkingSetSize;
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? _wtoi(argv[1]) : 20000;
    const observe::GdiplusSession gdiplus;
    int status = 0;
    {
        BenchOsd osd;
        if (!osd.Create(131, nullptr)) {
            std::fprintf(stderr, "osd_soak: the OSD window could not be created\n");
            return 1;
        }
        const uint16_t ids[] = {194, 196, 197, 207, 198, 199, 200, 201, 202, 203, 204, 155, 156, 157, 158, 183};
        constexpr size_t kIdCount = sizeof(ids) / sizeof(ids[0]);
        // Let the first renders settle the caches before measuring.
        for (size_t i = 0; i < 200; ++i) {
            osd.LoadPngPicture(ids[i % kIdCount]);
            osd.RenderAndShow(OSD_TIMER_HIDE);
            PumpPending();
        }
        const SIZE_T before = WorkingSet();
        int failedLoads = 0;
        for (int i = 0; i < rounds; ++i) {
            failedLoads += osd.LoadPngPicture(ids[i % kIdCount]) ? 0 : 1;
            osd.RenderAndShow(OSD_TIMER_HIDE);
            PumpPending();
        }
        const SIZE_T after = WorkingSet();
        const uint16_t last = ids[(rounds - 1) % kIdCount];

        wchar_t module[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, module, MAX_PATH);
        const std::wstring expected = TempFile(L"vask-soak-expected.png");
        const std::wstring shot = TempFile(L"vask-soak-shot.png");
        RECT area{};
        ::GetWindowRect(osd.m_hWnd, &area);
        long differing = -1;
        if (observe::ExtractResourcePicture(module, MAKEINTRESOURCEW(last), expected) && observe::Screenshot(shot)) {
            differing = observe::CountDifferingPixels(shot, area, expected);
        }
        const long long growth = static_cast<long long>(after) - static_cast<long long>(before);
        std::printf(
            "%d loads and renders: %d failed loads, working set %+lld bytes (%zu -> %zu), "
            "last picture %u: %ld differing pixels\n",
            rounds, failedLoads, growth, static_cast<size_t>(before), static_cast<size_t>(after), last, differing);
        if (failedLoads != 0 || differing != 0 || growth >= 1024 * 1024) {
            std::printf("soak FAILED\n");
            status = 1;
        } else {
            std::printf("soak passed\n");
        }
        ::DeleteFileW(expected.c_str());
        ::DeleteFileW(shot.c_str());
        osd.DestroyWindow();
    }
    return status;
}
