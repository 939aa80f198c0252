#pragma once
// GDI+ started for as long as the object lives: a test or bench program that
// draws as the program does holds one around everything that draws.

#include <windows.h>
#include <objidl.h>
// objidl.h first: GDI+ needs IStream, which WIN32_LEAN_AND_MEAN leaves out.
#include <gdiplus.h>

namespace observe {

class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        m_started = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (m_started) {
            Gdiplus::GdiplusShutdown(m_token);
        }
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR m_token = 0;
    bool m_started = false;
};

}  // namespace observe
