#include "osd/PictureScaling.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr int kChannels = 4;

uint32_t Channel(uint32_t pixel, int channel) { return (pixel >> (8 * channel)) & 0xFF; }

// The source pixels one new pixel covers along one axis, with the length of
// each inside it, in units of 1/`to` of a source pixel: new pixel n covers
// [n * from, (n + 1) * from) of those units, source pixel i [i * to, (i + 1) * to).
struct Span {
    int32_t first = 0;
    std::vector<uint32_t> weights;  // they add up to `from`
};

std::vector<Span> AreaSpans(int32_t from, int32_t to) {
    std::vector<Span> spans(static_cast<size_t>(to));
    for (int32_t n = 0; n < to; ++n) {
        const int64_t begin = static_cast<int64_t>(n) * from;
        const int64_t end = begin + from;
        Span& span = spans[static_cast<size_t>(n)];
        span.first = static_cast<int32_t>(begin / to);
        for (int64_t i = span.first; i * to < end; ++i) {
            const int64_t inside = std::min(end, (i + 1) * to) - std::max(begin, i * to);
            span.weights.push_back(static_cast<uint32_t>(inside));
        }
    }
    return spans;
}

// Where a new pixel's centre falls between two source pixels along one axis,
// in 1/65536 of a pixel: (n + 1/2) * from / to - 1/2, held to the edges.
struct Tap {
    int32_t near = 0;
    int32_t far = 0;
    uint32_t farWeight = 0;  // of 65536
};

constexpr uint32_t kOne = 65536;

std::vector<Tap> BilinearTaps(int32_t from, int32_t to) {
    std::vector<Tap> taps(static_cast<size_t>(to));
    for (int32_t n = 0; n < to; ++n) {
        // In units of 1/(2 * to) source pixels.
        const int64_t position = (2 * static_cast<int64_t>(n) + 1) * from - to;
        Tap& tap = taps[static_cast<size_t>(n)];
        if (position <= 0) {
            continue;  // before the first centre: the first pixel
        }
        tap.near = static_cast<int32_t>(position / (2 * to));
        if (tap.near >= from - 1) {
            tap.near = tap.far = from - 1;
            continue;
        }
        tap.far = tap.near + 1;
        const int64_t remainder = position - static_cast<int64_t>(tap.near) * 2 * to;
        tap.farWeight = static_cast<uint32_t>(remainder * kOne / (2 * to));
    }
    return taps;
}

bool Empty(const PixelImage& image) {
    return image.width <= 0 || image.height <= 0 ||
           image.pixels.size() < static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
}

PixelImage Blank(int32_t width, int32_t height) {
    PixelImage image;
    if (width > 0 && height > 0) {
        image.width = width;
        image.height = height;
        image.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    }
    return image;
}

}  // namespace

PixelImage ShrinkByArea(const PixelImage& source, int32_t width, int32_t height) {
    PixelImage result = Blank(width, height);
    if (Empty(source) || result.pixels.empty()) {
        return result;
    }
    const std::vector<Span> columns = AreaSpans(source.width, width);
    const std::vector<Span> rows = AreaSpans(source.height, height);
    // Across first: each source row's sums for every new column, per channel,
    // each at most 255 * source.width.
    std::vector<uint32_t> across(static_cast<size_t>(source.height) * width * kChannels);
    for (int32_t y = 0; y < source.height; ++y) {
        const uint32_t* row = &source.pixels[static_cast<size_t>(y) * source.width];
        for (int32_t x = 0; x < width; ++x) {
            const Span& span = columns[static_cast<size_t>(x)];
            uint32_t* sums = &across[(static_cast<size_t>(y) * width + x) * kChannels];
            for (size_t k = 0; k < span.weights.size(); ++k) {
                const uint32_t pixel = row[span.first + static_cast<int32_t>(k)];
                for (int c = 0; c < kChannels; ++c) {
                    sums[c] += span.weights[k] * Channel(pixel, c);
                }
            }
        }
    }
    const uint64_t whole = static_cast<uint64_t>(source.width) * static_cast<uint64_t>(source.height);
    for (int32_t y = 0; y < height; ++y) {
        const Span& span = rows[static_cast<size_t>(y)];
        for (int32_t x = 0; x < width; ++x) {
            uint32_t pixel = 0;
            for (int c = 0; c < kChannels; ++c) {
                uint64_t sum = 0;
                for (size_t k = 0; k < span.weights.size(); ++k) {
                    const size_t from = static_cast<size_t>(span.first) + k;
                    sum += static_cast<uint64_t>(span.weights[k]) * across[(from * width + x) * kChannels + c];
                }
                pixel |= static_cast<uint32_t>((sum + whole / 2) / whole) << (8 * c);
            }
            result.pixels[static_cast<size_t>(y) * width + x] = pixel;
        }
    }
    return result;
}

PixelImage EnlargeBilinear(const PixelImage& source, int32_t width, int32_t height) {
    PixelImage result = Blank(width, height);
    if (Empty(source) || result.pixels.empty()) {
        return result;
    }
    const std::vector<Tap> columns = BilinearTaps(source.width, width);
    const std::vector<Tap> rows = BilinearTaps(source.height, height);
    const auto at = [&source](int32_t x, int32_t y) {
        return source.pixels[static_cast<size_t>(y) * source.width + x];
    };
    for (int32_t y = 0; y < height; ++y) {
        const Tap& row = rows[static_cast<size_t>(y)];
        for (int32_t x = 0; x < width; ++x) {
            const Tap& column = columns[static_cast<size_t>(x)];
            uint32_t pixel = 0;
            for (int c = 0; c < kChannels; ++c) {
                const uint64_t top =
                    static_cast<uint64_t>(Channel(at(column.near, row.near), c)) * (kOne - column.farWeight) +
                    static_cast<uint64_t>(Channel(at(column.far, row.near), c)) * column.farWeight;
                const uint64_t bottom =
                    static_cast<uint64_t>(Channel(at(column.near, row.far), c)) * (kOne - column.farWeight) +
                    static_cast<uint64_t>(Channel(at(column.far, row.far), c)) * column.farWeight;
                const uint64_t sum = top * (kOne - row.farWeight) + bottom * row.farWeight;
                pixel |= static_cast<uint32_t>((sum + (uint64_t{kOne} * kOne) / 2) / (uint64_t{kOne} * kOne))
                         << (8 * c);
            }
            result.pixels[static_cast<size_t>(y) * width + x] = pixel;
        }
    }
    return result;
}

PixelImage ScalePicture(const PixelImage& source, int32_t width, int32_t height, PictureFilter filter) {
    switch (filter) {
    case PictureFilter::Shrink:
        return ShrinkByArea(source, width, height);
    case PictureFilter::Enlarge:
        return EnlargeBilinear(source, width, height);
    case PictureFilter::None:
        break;
    }
    if (Empty(source) || source.width != width || source.height != height) {
        // A master of another size than its scale's is resized, not cropped.
        return source.width > width ? ShrinkByArea(source, width, height) : EnlargeBilinear(source, width, height);
    }
    return source;
}
