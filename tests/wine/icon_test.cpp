// The window's small icon: a new one on every pass with a client area, the
// old one destroyed after the hand-over, the picture a reduction of the face.
#include "clock_test_support.h"

#include "app/globals.h"
#include "app/menu.h"

#include <vector>

namespace {

HICON WindowIcon()
{
    return (HICON)SendMessageA(g_hwndMain, WM_GETICON, ICON_SMALL, 0);
}

// The icon's colour picture as 32-bit pixels, row 0 at the top.
std::vector<COLORREF> IconPicture(HICON hIcon, int *w, int *h)
{
    std::vector<COLORREF> out;
    ICONINFO ii;
    if (!GetIconInfo(hIcon, &ii))
        return out;
    BITMAP bm;
    GetObjectA(ii.hbmColor, sizeof bm, &bm);
    *w = bm.bmWidth;
    *h = bm.bmHeight;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = bm.bmWidth;
    bi.bmiHeader.biHeight = -bm.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<DWORD> raw(bm.bmWidth * bm.bmHeight);
    HDC hdc = GetDC(NULL);
    GetDIBits(hdc, ii.hbmColor, 0, bm.bmHeight, raw.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(NULL, hdc);
    for (DWORD p : raw)
        out.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    DeleteObject(ii.hbmMask);
    DeleteObject(ii.hbmColor);
    return out;
}

}  // namespace

using SmallIcon = ClockTest;

TEST_F(SmallIcon, EveryPassHandsOverANewIconAndDestroysTheOldOne)
{
    HICON previous = WindowIcon();
    ASSERT_TRUE(previous != NULL);
    ASSERT_EQ(g_smallIcon, previous);
    for (int i = 0; i < 5; i++) {
        Tick();   // analog, same minute: nothing repaints, the icon still renews
        HICON current = WindowIcon();
        EXPECT_NE(previous, current);
        EXPECT_EQ(g_smallIcon, current);
        EXPECT_TRUE(IconAlive(current));
        EXPECT_FALSE(IconAlive(previous));
        previous = current;
    }
}

TEST_F(SmallIcon, PictureIsTheReducedFace)
{
    g_bgColor = RGB(10, 200, 30);
    g_fgColor = RGB(200, 20, 20);
    Command(IDM_ANALOG);   // digital: the next tick repaints all
    Tick();
    int w = 0, h = 0;
    const std::vector<COLORREF> px = IconPicture(WindowIcon(), &w, &h);
    ASSERT_EQ(16, w);
    ASSERT_EQ(16, h);
    EXPECT_EQ(g_bgColor, px[0]);
    EXPECT_EQ(g_bgColor, px[15]);
    EXPECT_EQ(g_bgColor, px[15 * 16]);
    // The time text leaves foreground pixels in the middle rows.
    int fg = 0;
    for (int y = 5; y < 11; y++)
        for (int x = 0; x < 16; x++)
            fg += ColorDistance(px[y * 16 + x], g_fgColor) < 120;
    EXPECT_GT(fg, 0);
}

TEST_F(SmallIcon, MinimisedWindowKeepsItsIconUntilRestored)
{
    ShowWindow(g_hwndMain, SW_MINIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsIconic(g_hwndMain));
    HICON kept = WindowIcon();
    for (int i = 0; i < 3; i++) {
        Tick();
        EXPECT_EQ(kept, WindowIcon());
        EXPECT_TRUE(IconAlive(kept));
    }
    ShowWindow(g_hwndMain, SW_RESTORE);
    PumpMessages();
    Tick();
    EXPECT_NE(kept, WindowIcon());
    EXPECT_TRUE(IconAlive(WindowIcon()));
    EXPECT_FALSE(IconAlive(kept));
}
