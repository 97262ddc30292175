#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "raster/GdiDeviceContext.h"
#include "raster/SysBitmap.h"

namespace tesselor::raster {
namespace {

HDC DcOf(SysBitmap& bitmap) { return static_cast<HDC>(GdiDeviceContext(bitmap.DeviceContext())); }

// What a window does with the back buffer: GDI draws through the bitmap's device context into its
// pixels, and BitBlt copies from that context, also after the section has been replaced.
TEST(SysBitmap, GdiDrawsIntoThePixelsAndCopiesFromTheDeviceContext) {
    SysBitmap source(10, 6);
    HDC dc = DcOf(source);
    ASSERT_NE(dc, nullptr);
    SetPixel(dc, 3, 2, RGB(0x12, 0x34, 0x56));
    GdiFlush();
    EXPECT_EQ(source.Row(2)[3] & 0xFFFFFF, 0x123456u);  // red in bits 16-23: the layer's format

    source.Row(4)[7] = 0xFF00FF00;
    SysBitmap copy(10, 6);
    ASSERT_TRUE(BitBlt(DcOf(copy), 0, 0, 10, 6, dc, 0, 0, SRCCOPY));
    GdiFlush();
    EXPECT_EQ(copy.Row(4)[7] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(copy.Row(2)[3] & 0xFFFFFF, 0x123456u);

    ASSERT_TRUE(source.Resize(300, 5));  // a new, wider section in the same device context
    EXPECT_EQ(DcOf(source), dc);
    SetPixel(dc, 250, 4, RGB(0xAB, 0xCD, 0xEF));
    GdiFlush();
    EXPECT_EQ(source.Row(4)[250] & 0xFFFFFF, 0xABCDEFu);
    EXPECT_EQ(GdiDeviceContext(nullptr), nullptr);
}

}  // namespace
}  // namespace tesselor::raster
