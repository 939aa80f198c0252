#pragma once

// Pictures: a screenshot of the virtual display, exact pixel comparison, and
// the program's resource pictures as PNG files to compare against.
// Pixels compare as 24-bit RGB; alpha is ignored (the OSD's pictures are opaque).

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace observe {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;  // 0xRRGGBB, rows top to bottom
    uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

// Decodes a PNG (or any picture GDI+ reads); nullopt when missing or undecodable.
std::optional<Picture> LoadPicture(const std::wstring& path);
bool SavePng(const std::wstring& path, const Picture& picture);

// The whole virtual display as a PNG at a Windows path (Z:\tmp\x.png, C:\...).
bool Screenshot(const std::wstring& pngPath);

// Pixels of `area` of the screenshot that differ from the expected picture,
// which must be exactly area's size. -1 when a file is missing or undecodable,
// the sizes differ or the area leaves the screenshot.
long CountDifferingPixels(const std::wstring& screenshotPng, RECT area, const std::wstring& expectedPng);
long CountDifferingPixels(const Picture& shot, RECT area, const Picture& expected);

// Writes a module's picture resource as a PNG: of type `pngType` ("PNG", or
// a master's "PNG150" ...) as it is stored, or else a bitmap (RT_BITMAP)
// converted the way GDI draws it on a 24-bit screen. name is a string or
// MAKEINTRESOURCEW(id).
bool ExtractResourcePicture(const std::wstring& modulePath, const wchar_t* name, const std::wstring& pngPath,
                            const wchar_t* pngType = L"PNG");

// Path conversion through Wine's drive mapping; empty when not under Wine.
std::string UnixPathOf(const std::wstring& windowsPath);
std::wstring WindowsPathOf(const std::string& unixPath);

}  // namespace observe
