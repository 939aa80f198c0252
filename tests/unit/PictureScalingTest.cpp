#include "osd/PictureScaling.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace {

uint32_t Grey(uint32_t level, uint32_t alpha = 255) { return level | level << 8 | level << 16 | alpha << 24; }
uint32_t Channel(uint32_t pixel, int c) { return (pixel >> (8 * c)) & 0xFF; }

// Every channel at most the alpha, as premultiplied pixels are.
PixelImage RandomPremultiplied(int32_t width, int32_t height, uint32_t seed) {
    std::mt19937 random(seed);
    PixelImage image{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    for (uint32_t& pixel : image.pixels) {
        const uint32_t alpha = random() % 256;
        pixel = alpha << 24;
        for (int c = 0; c < 3; ++c) {
            pixel |= random() % (alpha + 1) << (8 * c);
        }
    }
    return image;
}

double MeanOfChannel(const PixelImage& image, int c) {
    double sum = 0;
    for (uint32_t pixel : image.pixels) {
        sum += Channel(pixel, c);
    }
    return sum / static_cast<double>(image.pixels.size());
}

// The sizes the OSD takes from its masters (150 % to 125 %, 200 % to 175 %,
// 300 % to 250 %, 100 % to 75 %), odd ones between, and the same enlarged.
TEST(PictureScaling, EveryFilterKeepsAConstantPicturePremultipliedPixelsAndTheMean) {
    const struct {
        int32_t fromWidth, fromHeight, toWidth, toHeight;
        PictureFilter filter;
    } rows[] = {{285, 171, 238, 143, PictureFilter::Shrink}, {380, 228, 333, 200, PictureFilter::Shrink},
                {570, 342, 475, 285, PictureFilter::Shrink}, {190, 114, 143, 86, PictureFilter::Shrink},
                {7, 5, 4, 3, PictureFilter::Shrink},         {570, 342, 665, 399, PictureFilter::Enlarge},
                {3, 2, 7, 5, PictureFilter::Enlarge}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.fromWidth << " x " << row.fromHeight << " to " << row.toWidth);
        PixelImage constant{row.fromWidth, row.fromHeight,
                            std::vector<uint32_t>(static_cast<size_t>(row.fromWidth) * row.fromHeight, Grey(173))};
        const PixelImage scaledConstant = ScalePicture(constant, row.toWidth, row.toHeight, row.filter);
        ASSERT_EQ(scaledConstant.width, row.toWidth);
        ASSERT_EQ(scaledConstant.height, row.toHeight);
        ASSERT_EQ(scaledConstant.pixels, std::vector<uint32_t>(scaledConstant.pixels.size(), Grey(173)));

        const PixelImage source = RandomPremultiplied(row.fromWidth, row.fromHeight, 7);
        const PixelImage scaled = ScalePicture(source, row.toWidth, row.toHeight, row.filter);
        for (uint32_t pixel : scaled.pixels) {
            for (int c = 0; c < 3; ++c) {
                ASSERT_LE(Channel(pixel, c), Channel(pixel, 3)) << "a colour above its alpha";
            }
        }
        if (row.filter == PictureFilter::Shrink && row.fromWidth > 10) {
            EXPECT_NEAR(MeanOfChannel(scaled, 1), MeanOfChannel(source, 1), 0.5) << "area averaging keeps the whole";
        }
    }
}

TEST(PictureScaling, HalvingIsTheMeanOfEachBlockOfFour) {
    const PixelImage source = RandomPremultiplied(380, 228, 1);
    const PixelImage half = ShrinkByArea(source, 190, 114);
    for (int32_t y = 0; y < 114; ++y) {
        for (int32_t x = 0; x < 190; ++x) {
            for (int c = 0; c < 4; ++c) {
                uint32_t sum = 0;
                for (const int32_t at : {0, 1, 380, 381}) {
                    sum += Channel(source.pixels[static_cast<size_t>(2 * y) * 380 + 2 * x + at], c);
                }
                ASSERT_EQ(Channel(half.pixels[static_cast<size_t>(y) * 190 + x], c), (sum + 2) / 4) << x << "," << y;
            }
        }
    }
}

TEST(PictureScaling, KnownValuesAcrossPixelBoundariesAndEmptyPictures) {
    // Three pixels to two: the middle one is shared half and half.
    const PixelImage row{3, 1, {Grey(0), Grey(90), Grey(180)}};
    EXPECT_EQ(ShrinkByArea(row, 2, 1).pixels, (std::vector<uint32_t>{Grey(30), Grey(150)}));
    // Two to four: centres at -1/4, 1/4, 3/4 and 5/4 of a source pixel, along either axis.
    const std::vector<uint32_t> ramp = {Grey(0), Grey(64), Grey(191), Grey(255)};
    EXPECT_EQ(EnlargeBilinear(PixelImage{2, 1, {Grey(0), Grey(255)}}, 4, 1).pixels, ramp);
    EXPECT_EQ(EnlargeBilinear(PixelImage{1, 2, {Grey(0), Grey(255)}}, 1, 4).pixels, ramp);
    // Nothing to scale gives a transparent picture of the size asked for; no size, none.
    EXPECT_EQ(ScalePicture(PixelImage{}, 238, 143, PictureFilter::Shrink).pixels,
              std::vector<uint32_t>(238u * 143u, 0));
    EXPECT_TRUE(ScalePicture(row, 0, 143, PictureFilter::Shrink).pixels.empty());
    EXPECT_EQ(ScalePicture(row, 2, 1, PictureFilter::None).width, 2) << "a master of the wrong size is resized";
}

}  // namespace
