#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/SplashWindow.h"

namespace {

TEST(SplashPosition, CentresOnTheScreenWithTruncatingDivision) {
    const struct {
        const char* name;
        RECT window;
        int width;
        int height;
        LONG x;
        LONG y;
    } kCases[] = {
        {"1920 by 1080", {0, 0, 374, 256}, 1920, 1080, 773, 412},
        {"odd remainder", {0, 0, 374, 256}, 1025, 769, 325, 256},
        {"window larger than screen truncates toward zero", {0, 0, 374, 256}, 371, 253, -1, -1},
        {"window not at the origin", {10, 20, 384, 276}, 1920, 1080, 773, 412},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const POINT position = centredPosition(c.window, c.width, c.height);
        EXPECT_EQ(position.x, c.x);
        EXPECT_EQ(position.y, c.y);
    }
}

}  // namespace
