#include "osd/LayeredPicture.h"

#include <cstddef>
#include <cstring>

namespace {

// A picture decoded from a stream reads its bytes from that stream for as
// long as it lives. The stream owns a copy of the resource bytes and frees
// them when its last reference, the picture's, goes.
Gdiplus::Bitmap* DecodePngResource(HINSTANCE module, uint16_t id, const wchar_t* type, bool* found) {
    *found = false;
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
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

// A transparent section of width x height, bottom-up, and its pixels.
std::shared_ptr<LayeredPicture> BlankSection(int width, int height, void** pixels) {
    BITMAPINFO info{};
    BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;  // positive: bottom-up rows
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(((width * 32 + 31) / 8) / 4 * 4 * height);
    *pixels = nullptr;
    auto drawn = std::make_shared<LayeredPicture>();
    drawn->pixels.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, pixels, nullptr, 0));
    if (!drawn->pixels || *pixels == nullptr) {
        return nullptr;
    }
    std::memset(*pixels, 0, static_cast<size_t>(4) * width * height);
    drawn->width = width;
    drawn->height = height;
    return drawn;
}

}  // namespace

std::shared_ptr<const LayeredPicture> DrawLayeredPicture(Gdiplus::Bitmap* picture, int width, int height) {
    void* pixels = nullptr;
    std::shared_ptr<LayeredPicture> drawn = BlankSection(width, height, &pixels);
    if (!drawn) {
        return nullptr;
    }
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
    std::unique_ptr<Gdiplus::Bitmap> decoded(DecodePngResource(module, id, kPngResourceType, &found));
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

const wchar_t* MasterResourceType(uint32_t percent) {
    switch (percent) {
    case 150:
        return L"PNG150";
    case 200:
        return L"PNG200";
    case 300:
        return L"PNG300";
    default:
        return nullptr;
    }
}

std::optional<PixelImage> DecodePngPixels(HINSTANCE module, uint16_t id, const wchar_t* type) {
    bool found = false;
    std::unique_ptr<Gdiplus::Bitmap> decoded(DecodePngResource(module, id, type, &found));
    if (!decoded || !found || decoded->GetLastStatus() != Gdiplus::Ok) {
        return std::nullopt;
    }
    PixelImage image;
    image.width = static_cast<int32_t>(decoded->GetWidth());
    image.height = static_cast<int32_t>(decoded->GetHeight());
    Gdiplus::Rect whole(0, 0, image.width, image.height);
    Gdiplus::BitmapData rows{};
    if (image.width <= 0 || image.height <= 0 ||
        decoded->LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &rows) != Gdiplus::Ok) {
        return std::nullopt;
    }
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    const size_t stride = static_cast<size_t>(4) * image.width;
    for (int32_t row = 0; row < image.height; ++row) {
        std::memcpy(&image.pixels[static_cast<size_t>(row) * image.width],
                    static_cast<const char*>(rows.Scan0) + static_cast<ptrdiff_t>(rows.Stride) * row, stride);
    }
    decoded->UnlockBits(&rows);
    return image;
}

std::shared_ptr<const LayeredPicture> LayeredPictureFromPixels(const PixelImage& image) {
    void* pixels = nullptr;
    std::shared_ptr<LayeredPicture> drawn = BlankSection(image.width, image.height, &pixels);
    if (!drawn || image.pixels.size() < static_cast<size_t>(image.width) * image.height) {
        return drawn;
    }
    const size_t stride = static_cast<size_t>(4) * image.width;
    for (int32_t row = 0; row < image.height; ++row) {
        // The section holds the rows bottom-up.
        std::memcpy(static_cast<char*>(pixels) + stride * (image.height - 1 - row),
                    &image.pixels[static_cast<size_t>(row) * image.width], stride);
    }
    return drawn;
}

PixelImage PixelsOf(const LayeredPicture& picture) {
    PixelImage image;
    DIBSECTION section{};
    if (::GetObjectW(picture.pixels.get(), sizeof(section), &section) != sizeof(section) ||
        section.dsBm.bmBits == nullptr || picture.width <= 0 || picture.height <= 0) {
        return image;
    }
    image.width = picture.width;
    image.height = picture.height;
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    const size_t stride = static_cast<size_t>(4) * image.width;
    for (int32_t row = 0; row < image.height; ++row) {
        std::memcpy(&image.pixels[static_cast<size_t>(row) * image.width],
                    static_cast<const char*>(section.dsBm.bmBits) + stride * (image.height - 1 - row), stride);
    }
    return image;
}
