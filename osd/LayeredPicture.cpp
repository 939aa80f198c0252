#include "osd/LayeredPicture.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr wchar_t kPngResourceType[] = L"PNG";

// A picture decoded from a stream reads its bytes from that stream for as
// long as it lives. The stream owns a copy of the resource bytes and frees
// them when its last reference, the picture's, goes.
Gdiplus::Bitmap* DecodePngResource(HINSTANCE module, uint16_t id, bool* found) {
    *found = false;
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), kPngResourceType);
    const DWORD size = resource != nullptr ? ::SizeofResource(module, resource) : 0;
    const void* bytes = size != 0 ? ::LockResource(::LoadResource(module, resource)) : nullptr;
    UniqueGlobalMemory block(::GlobalAlloc(GMEM_FIXED, size));
    if (!block) {
        return nullptr;
    }
    if (bytes != nullptr) {
        *found = true;
        std::memcpy(::GlobalLock(block.get()), bytes, size);
        ::GlobalUnlock(block.get());
    }
    IStream* created = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(block.get(), TRUE, &created))) {
        return nullptr;
    }
    // The stream frees the block with its last reference.
    block.release();
    UniqueComReference<IStream> stream(created);
    auto* picture = new Gdiplus::Bitmap(stream.get());
    return picture;
}

}  // namespace

std::shared_ptr<const LayeredPicture> DrawLayeredPicture(Gdiplus::Bitmap* picture, int width, int height) {
    BITMAPINFO info{};
    BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;  // positive: bottom-up rows
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(((width * 32 + 31) / 8) / 4 * 4 * height);
    void* pixels = nullptr;
    auto drawn = std::make_shared<LayeredPicture>();
    drawn->pixels.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!drawn->pixels || pixels == nullptr) {
        return nullptr;
    }
    std::memset(pixels, 0, static_cast<size_t>(4) * width * height);
    drawn->width = width;
    drawn->height = height;
    // The picture's rows, premultiplied, straight into the section: what
    // drawing it at its own size through a premultiplied bitmap gives, without
    // two passes of drawing.
    Gdiplus::Rect whole(0, 0, width, height);
    Gdiplus::BitmapData rows{};
    if (picture != nullptr &&
        picture->LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &rows) == Gdiplus::Ok) {
        const size_t stride = static_cast<size_t>(4) * width;
        for (int row = 0; row < height; ++row) {
            // GDI+ hands the rows top-down; the section holds them bottom-up.
            std::memcpy(static_cast<char*>(pixels) + stride * (height - 1 - row),
                        static_cast<const char*>(rows.Scan0) + static_cast<ptrdiff_t>(rows.Stride) * row, stride);
        }
        picture->UnlockBits(&rows);
    }
    return drawn;
}

PngLoad LoadLayeredPng(HINSTANCE module, uint16_t id) {
    PngLoad load;
    bool found = false;
    std::unique_ptr<Gdiplus::Bitmap> decoded(DecodePngResource(module, id, &found));
    if (!decoded) {
        return load;
    }
    load.allocated = true;
    // A picture that is missing or does not decode still gives an object,
    // one whose image is absent.
    const bool ok = found && decoded->GetLastStatus() == Gdiplus::Ok;
    load.width = ok ? static_cast<int>(decoded->GetWidth()) : 0;
    load.height = ok ? static_cast<int>(decoded->GetHeight()) : 0;
    if (ok && load.width > 0 && load.height > 0) {
        load.picture = DrawLayeredPicture(decoded.get(), load.width, load.height);
    }
    return load;
}
