#include <gtest/gtest.h>

#include "tests/support/GdiplusSession.h"

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    const observe::GdiplusSession gdiplus;
    return RUN_ALL_TESTS();
}
