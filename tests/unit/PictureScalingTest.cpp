#include "osd/PictureScaling.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace {

uint32_t Grey(uint32_t level, uint32_t alpha = 255) { return level | level << 8 | level << 16 | alpha << 24; }
uint32_t Channel(uint32_t pixel, int c) { return (pixel >> (8 * c)) & 0xFF; }

PixelImage Filled(int32_t width, int32_t height, uint32_t pixel) {
    return {width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, pixel)};
}

// Every channel at most the alpha, as premultiplied pixels are.
PixelImage RandomPremultiplied(int32_t width, int32_t height, uint32_t seed) {
    std::mt19937 random(seed);
    PixelImage image = Filled(width, height, 0);
    for (uint32_t& pixel : image.pixels) {
        const uint32_t alpha = random() % 256;
        pixel = alpha << 24;
        for (int c = 0; c < 3; ++c) {
            pixel |= (alpha == 0 ? 0 : random() % (alpha + 1)) << (8 * c);
        }
    }
    return image;
}

struct Size {
    int32_t width, height;
};

// The sizes the OSD takes from its masters: 150 % to 125 %, 200 % to 175 %,
// 300 % to 250 %, and the odd ones between.
const Size kShrinks[][2] = {{{285, 171}, {238, 143}}, {{380, 228}, {333, 200}}, {{570, 342}, {475, 285}},
                            {{7, 5}, {4, 3}},         {{3, 1}, {2, 1}},         {{190, 114}, {143, 86}}};

TEST(PictureScaling, AConstantPictureStaysConstantAtEverySize) {
    for (const auto& shrink : kShrinks) {
        const PixelImage source = Filled(shrink[0].width, shrink[0].height, Grey(173, 255));
        for (PictureFilter filter : {PictureFilter::Shrink, PictureFilter::Enlarge}) {
            const Size to =
                filter == PictureFilter::Shrink ? shrink[1] : Size{shrink[0].width * 7 / 6, shrink[0].height * 7 / 6};
            const PixelImage scaled = ScalePicture(source, to.width, to.height, filter);
            ASSERT_EQ(scaled.width, to.width);
            ASSERT_EQ(scaled.height, to.height);
            for (uint32_t pixel : scaled.pixels) {
                ASSERT_EQ(pixel, Grey(173, 255)) << to.width << " x " << to.height;
            }
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
                for (int32_t dy = 0; dy < 2; ++dy) {
                    for (int32_t dx = 0; dx < 2; ++dx) {
                        sum += Channel(source.pixels[static_cast<size_t>(2 * y + dy) * 380 + 2 * x + dx], c);
                    }
                }
                ASSERT_EQ(Channel(half.pixels[static_cast<size_t>(y) * 190 + x], c), (sum + 2) / 4) << x << "," << y;
            }
        }
    }
}

TEST(PictureScaling, KnownValuesAcrossPixelBoundaries) {
    // Three pixels to two: the middle one is shared half and half.
    const PixelImage row{3, 1, {Grey(0), Grey(90), Grey(180)}};
    EXPECT_EQ(ShrinkByArea(row, 2, 1).pixels, (std::vector<uint32_t>{Grey(30), Grey(150)}));
    // Two to four: centres at -1/4, 1/4, 3/4 and 5/4 of a source pixel.
    const PixelImage pair{2, 1, {Grey(0), Grey(255)}};
    EXPECT_EQ(EnlargeBilinear(pair, 4, 1).pixels, (std::vector<uint32_t>{Grey(0), Grey(64), Grey(191), Grey(255)}));
    // The same along the other axis.
    const PixelImage column{1, 2, {Grey(0), Grey(255)}};
    EXPECT_EQ(EnlargeBilinear(column, 1, 4).pixels, (std::vector<uint32_t>{Grey(0), Grey(64), Grey(191), Grey(255)}));
}

TEST(PictureScaling, PixelsStayPremultipliedAndKeepTheirMean) {
    for (const auto& shrink : kShrinks) {
        const PixelImage source = RandomPremultiplied(shrink[0].width, shrink[0].height, 7);
        for (PictureFilter filter : {PictureFilter::Shrink, PictureFilter::Enlarge}) {
            const Size to =
                filter == PictureFilter::Shrink ? shrink[1] : Size{shrink[0].width * 3 / 2, shrink[0].height * 3 / 2};
            const PixelImage scaled = ScalePicture(source, to.width, to.height, filter);
            double sourceMean = 0, scaledMean = 0;
            for (uint32_t pixel : source.pixels) {
                sourceMean += Channel(pixel, 1);
            }
            for (uint32_t pixel : scaled.pixels) {
                for (int c = 0; c < 3; ++c) {
                    ASSERT_LE(Channel(pixel, c), Channel(pixel, 3)) << "a colour above its alpha";
                }
                scaledMean += Channel(pixel, 1);
            }
            sourceMean /= static_cast<double>(source.pixels.size());
            scaledMean /= static_cast<double>(scaled.pixels.size());
            if (filter == PictureFilter::Shrink) {
                EXPECT_NEAR(scaledMean, sourceMean, 0.5) << shrink[1].width;  // area averaging keeps the whole
            }
        }
    }
}

TEST(PictureScaling, EmptyPicturesAndSizes) {
    EXPECT_EQ(ScalePicture(PixelImage{}, 238, 143, PictureFilter::Shrink).pixels.size(), 238u * 143u);
    EXPECT_TRUE(ScalePicture(Filled(285, 171, Grey(9)), 0, 143, PictureFilter::Shrink).pixels.empty());
    const PixelImage same = Filled(285, 171, Grey(9));
    EXPECT_EQ(ScalePicture(same, 285, 171, PictureFilter::None).pixels, same.pixels);
    EXPECT_EQ(ScalePicture(same, 238, 143, PictureFilter::None).width, 238) << "a master of the wrong size is resized";
}

}  // namespace
