#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/SplashWindow.h"
#include "tests/driver/CaseTable.h"

namespace {

TEST(SplashPosition, CentresOnTheScreenWithTruncatingDivision) {
    testdriver::forEachCase<RECT, int, int, LONG, LONG>({
        {"1920 by 1080", {0, 0, 374, 256}, 1920, 1080, 773, 412},
        {"odd remainder", {0, 0, 374, 256}, 1025, 769, 325, 256},
        {"window larger than screen truncates toward zero", {0, 0, 374, 256}, 371, 253, -1, -1},
        {"window not at the origin", {10, 20, 384, 276}, 1920, 1080, 773, 412},
    }, [&](const RECT& window, int width, int height, LONG x, LONG y) {
        const POINT position = centredPosition(window, width, height);
        EXPECT_EQ(position.x, x);
        EXPECT_EQ(position.y, y);
    });
}

}  // namespace
