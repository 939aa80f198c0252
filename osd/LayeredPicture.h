#pragma once
// Pictures as a layered window takes them: premultiplied 32-bit pixels,
// bottom-up, in a DIB section of the picture's size.

#include <cstdint>
#include <memory>
#include <optional>

#include <objidl.h>  // before gdiplus.h, which needs IStream
#include <gdiplus.h>

#include "framework/Handles.h"
#include "osd/PictureScaling.h"

struct LayeredPicture {
    UniqueBitmap pixels;
    int width = 0;
    int height = 0;
};

// Makes the pixels of `picture` at width x height, all transparent where the
// picture has none, or everywhere without a picture. Null when no section of
// that size can be made (no size, or no memory).
std::shared_ptr<const LayeredPicture> DrawLayeredPicture(Gdiplus::Bitmap* picture, int width, int height);

// PNG resource `id` of `module`, decoded and drawn. `allocated` is false when
// not even the picture object could be made; the size is 0 x 0 when the
// picture is missing or does not decode, and `picture` is then null.
struct PngLoad {
    bool allocated = false;
    int width = 0;
    int height = 0;
    std::shared_ptr<const LayeredPicture> picture;
};
PngLoad LoadLayeredPng(HINSTANCE module, uint16_t id);

// The pictures a display that scales shows: the masters drawn at 150, 200 and
// 300 %, each under its picture's number in a resource type of its own.
constexpr wchar_t kPngResourceType[] = L"PNG";
const wchar_t* MasterResourceType(uint32_t percent);  // null for a scale without masters

// PNG resource `id` of `type` in `module` as premultiplied pixels, rows top
// down; nullopt when it is missing or does not decode.
std::optional<PixelImage> DecodePngPixels(HINSTANCE module, uint16_t id, const wchar_t* type);

// The pixels as a layered window takes them; null without memory or size.
std::shared_ptr<const LayeredPicture> LayeredPictureFromPixels(const PixelImage& image);

// A picture's pixels back, rows top down (empty when they cannot be read).
PixelImage PixelsOf(const LayeredPicture& picture);
