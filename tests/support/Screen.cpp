#include "tests/support/Screen.h"

#include <objidl.h>
// objidl.h first: GDI+ needs IStream, which WIN32_LEAN_AND_MEAN leaves out.
#include <gdiplus.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "framework/Handles.h"

namespace observe {

namespace {

void EnsureGdiplus() {
    // Started once and left running: shutting it down while pictures may still
    // exist elsewhere in the process is worse than the leak.
    static const bool started = [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }();
    (void)started;
}

bool PngEncoder(CLSID* clsid) {
    UINT count = 0;
    UINT bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) {
        return false;
    }
    std::vector<unsigned char> buf(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buf.data());
    if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) {
        return false;
    }
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

// What Wine's path conversions return, from the process's heap.
struct ProcessHeapFree {
    void operator()(void* block) const { HeapFree(GetProcessHeap(), 0, block); }
};

template <class Fn>
Fn WineExport(const wchar_t* module, const char* name) {
    HMODULE m = GetModuleHandleW(module);
    FARPROC p = m ? GetProcAddress(m, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
}

bool WriteFileBytes(const std::wstring& path, const void* data, DWORD size) {
    const HANDLE created =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE) {
        return false;
    }
    const UniqueKernelHandle f(created);
    DWORD written = 0;
    return WriteFile(f.get(), data, size, &written, nullptr) && written == size;
}

// A packed DIB (what RT_BITMAP holds) drawn into a 32-bit DIB section by GDI,
// so 16-bit and palette pictures widen exactly as they do on the screen.
std::optional<Picture> DecodePackedDib(const unsigned char* data, DWORD size) {
    if (size < sizeof(BITMAPINFOHEADER)) {
        return std::nullopt;
    }
    BITMAPINFOHEADER bih;
    std::memcpy(&bih, data, sizeof bih);
    if (bih.biSize < sizeof(BITMAPINFOHEADER) || bih.biSize > size || bih.biWidth <= 0 || bih.biHeight == 0) {
        return std::nullopt;
    }
    DWORD colors = bih.biClrUsed;
    if (colors == 0 && bih.biBitCount <= 8) {
        colors = 1u << bih.biBitCount;
    }
    // BI_BITFIELDS keeps its three masks after a plain 40-byte header only.
    const DWORD masks = bih.biCompression == BI_BITFIELDS && bih.biSize == sizeof(BITMAPINFOHEADER) ? 12 : 0;
    const DWORD bitsOffset = bih.biSize + masks + colors * 4;
    if (bitsOffset >= size) {
        return std::nullopt;
    }
    const int w = bih.biWidth;
    const int h = bih.biHeight < 0 ? -bih.biHeight : bih.biHeight;

    BITMAPINFO target{};
    target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    target.bmiHeader.biWidth = w;
    target.bmiHeader.biHeight = -h;  // top-down
    target.bmiHeader.biPlanes = 1;
    target.bmiHeader.biBitCount = 32;
    target.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    const UniqueBitmap section(CreateDIBSection(dc.get(), &target, DIB_RGB_COLORS, &pixels, nullptr, 0));
    std::optional<Picture> picture;
    if (section && pixels) {
        const SelectGuard selected(dc.get(), section.get());
        const int lines = StretchDIBits(dc.get(), 0, 0, w, h, 0, 0, w, h, data + bitsOffset,
                                        reinterpret_cast<const BITMAPINFO*>(data), DIB_RGB_COLORS, SRCCOPY);
        GdiFlush();
        if (lines > 0) {
            Picture p;
            p.width = w;
            p.height = h;
            p.rgb.resize(static_cast<size_t>(w) * h);
            const auto* px = static_cast<const uint32_t*>(pixels);
            for (size_t i = 0; i < p.rgb.size(); ++i) {
                p.rgb[i] = px[i] & 0xFFFFFF;
            }
            picture = std::move(p);
        }
    }
    return picture;
}

}  // namespace

std::optional<Picture> LoadPicture(const std::wstring& path) {
    EnsureGdiplus();
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    Gdiplus::Bitmap bmp(path.c_str());
    if (bmp.GetLastStatus() != Gdiplus::Ok) {
        return std::nullopt;
    }
    Picture p;
    p.width = static_cast<int>(bmp.GetWidth());
    p.height = static_cast<int>(bmp.GetHeight());
    if (p.width <= 0 || p.height <= 0) {
        return std::nullopt;
    }
    // Whatever the file's format, read it as 24-bit: alpha plays no part.
    Gdiplus::Rect rect(0, 0, p.width, p.height);
    Gdiplus::BitmapData data{};
    if (bmp.LockBits(&rect, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &data) != Gdiplus::Ok) {
        return std::nullopt;
    }
    p.rgb.resize(static_cast<size_t>(p.width) * p.height);
    for (int y = 0; y < p.height; ++y) {
        const auto* row = static_cast<const unsigned char*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
        for (int x = 0; x < p.width; ++x) {
            const unsigned char* bgr = row + 3 * x;
            p.rgb[static_cast<size_t>(y) * p.width + x] = (uint32_t{bgr[2]} << 16) | (uint32_t{bgr[1]} << 8) | bgr[0];
        }
    }
    bmp.UnlockBits(&data);
    return p;
}

bool SavePng(const std::wstring& path, const Picture& picture) {
    EnsureGdiplus();
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgb.size() != static_cast<size_t>(picture.width) * picture.height) {
        return false;
    }
    // GDI+ wants rows on 4-byte boundaries.
    const int stride = (picture.width * 3 + 3) & ~3;
    std::vector<unsigned char> bgr(static_cast<size_t>(stride) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t c = picture.At(x, y);
            unsigned char* px = &bgr[static_cast<size_t>(y) * stride + 3 * x];
            px[0] = static_cast<unsigned char>(c);
            px[1] = static_cast<unsigned char>(c >> 8);
            px[2] = static_cast<unsigned char>(c >> 16);
        }
    }
    CLSID png;
    if (!PngEncoder(&png)) {
        return false;
    }
    Gdiplus::Bitmap bmp(picture.width, picture.height, stride, PixelFormat24bppRGB, bgr.data());
    return bmp.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

std::string UnixPathOf(const std::wstring& windowsPath) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto toUnix = WineExport<ToUnix>(L"kernel32.dll", "wine_get_unix_file_name");
    if (!toUnix) {
        return {};
    }
    const std::unique_ptr<char, ProcessHeapFree> p(toUnix(windowsPath.c_str()));
    return p ? std::string(p.get()) : std::string();
}

std::wstring WindowsPathOf(const std::string& unixPath) {
    using ToDos = WCHAR*(CDECL*)(LPCSTR);
    const auto toDos = WineExport<ToDos>(L"kernel32.dll", "wine_get_dos_file_name");
    if (!toDos) {
        return {};
    }
    const std::unique_ptr<WCHAR, ProcessHeapFree> p(toDos(unixPath.c_str()));
    return p ? std::wstring(p.get()) : std::wstring();
}

bool Screenshot(const std::wstring& pngPath) {
    using UnixSpawn = LONG(CDECL*)(char* const argv[], int wait);
    const auto spawn = WineExport<UnixSpawn>(L"ntdll.dll", "__wine_unix_spawnvp");
    if (!spawn) {
        return false;
    }
    std::string target = UnixPathOf(pngPath);
    if (target.empty()) {
        return false;
    }
    // Gone first, so that a failed capture cannot pass off an old picture.
    DeleteFileW(pngPath.c_str());
    // The path travels as $1, so no quoting of it is needed. ImageMagick's own
    // convert when present: PATH may put something else of that name first.
    std::string sh = "/bin/sh";
    std::string dashC = "-c";
    std::string script =
        "c=/usr/bin/convert; [ -x \"$c\" ] || c=convert; "
        "xwd -root -silent | \"$c\" xwd:- \"png:$1\"";
    std::string name = "screenshot";
    char* argv[] = {sh.data(), dashC.data(), script.data(), name.data(), target.data(), nullptr};
    spawn(argv, 1);
    WIN32_FILE_ATTRIBUTE_DATA attrs{};
    return GetFileAttributesExW(pngPath.c_str(), GetFileExInfoStandard, &attrs) &&
           (attrs.nFileSizeLow != 0 || attrs.nFileSizeHigh != 0);
}

long CountDifferingPixels(const Picture& shot, RECT area, const Picture& expected) {
    const long w = area.right - area.left;
    const long h = area.bottom - area.top;
    if (w <= 0 || h <= 0 || area.left < 0 || area.top < 0 || area.right > shot.width || area.bottom > shot.height ||
        expected.width != w || expected.height != h) {
        return -1;
    }
    long differing = 0;
    for (long y = 0; y < h; ++y) {
        for (long x = 0; x < w; ++x) {
            if (shot.At(area.left + x, area.top + y) != expected.At(x, y)) {
                ++differing;
            }
        }
    }
    return differing;
}

long CountDifferingPixels(const std::wstring& screenshotPng, RECT area, const std::wstring& expectedPng) {
    const std::optional<Picture> shot = LoadPicture(screenshotPng);
    const std::optional<Picture> expected = LoadPicture(expectedPng);
    if (!shot || !expected) {
        return -1;
    }
    return CountDifferingPixels(*shot, area, *expected);
}

bool ExtractResourcePicture(const std::wstring& modulePath, const wchar_t* name, const std::wstring& pngPath,
                            const wchar_t* pngType) {
    const UniqueModule module(
        LoadLibraryExW(modulePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module) {
        return false;
    }
    bool ok = false;
    // The stored PNG is what the program decodes, so it is written unchanged.
    if (HRSRC res = FindResourceW(module.get(), name, pngType)) {
        const DWORD size = SizeofResource(module.get(), res);
        HGLOBAL data = LoadResource(module.get(), res);
        const void* bytes = data ? LockResource(data) : nullptr;
        ok = bytes && size && WriteFileBytes(pngPath, bytes, size);
    } else if (HRSRC bmp = FindResourceW(module.get(), name, RT_BITMAP)) {
        const DWORD size = SizeofResource(module.get(), bmp);
        HGLOBAL data = LoadResource(module.get(), bmp);
        const auto* bytes = static_cast<const unsigned char*>(data ? LockResource(data) : nullptr);
        if (bytes) {
            const std::optional<Picture> picture = DecodePackedDib(bytes, size);
            ok = picture && SavePng(pngPath, *picture);
        }
    }
    return ok;
}

}  // namespace observe
