#pragma once
// Scaling the OSD's pictures to a DPI between the masters, in integers only:
// the same pixels on every system, whatever its graphics library would do.

#include <cstdint>
#include <vector>

#include "osd/OsdPlacement.h"

// Premultiplied pixels of four 8-bit channels (any order: every channel is
// treated alike), rows one after the other without padding.
struct PixelImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// Each new pixel the average of the source area it covers, every source
// pixel weighted by the share of it inside, rounded to nearest. For a picture
// shrunk to between half and all of its size; any smaller size works too.
PixelImage ShrinkByArea(const PixelImage& source, int32_t width, int32_t height);

// Each new pixel interpolated bilinearly between the four source pixels
// around its centre, the edges held. For a picture enlarged.
PixelImage EnlargeBilinear(const PixelImage& source, int32_t width, int32_t height);

// The picture at width x height by `filter` (None: the source as it is).
// An empty picture for an empty source or size.
PixelImage ScalePicture(const PixelImage& source, int32_t width, int32_t height, PictureFilter filter);
