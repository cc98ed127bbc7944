// The repaint pass seen from outside: which ticks and paints repaint the
// client area, what the background and the caption look like, that nothing
// erases, and a pass with no window to paint.
#include "clock_test_support.h"

#include "app/globals.h"
#include "app/menu.h"
#include "face/paint.h"

namespace {

const COLORREF kMarker = RGB(255, 0, 255);

// True when no marker pixel is left on a grid over the whole client area.
bool WhollyRepainted()
{
    const RECT rc = ClientRect();
    for (int y = 0; y < rc.bottom; y += 7)
        for (int x = 0; x < rc.right; x += 7)
            if (ReadPixel(x, y) == kMarker)
                return false;
    return ReadPixel(rc.right - 1, rc.bottom - 1) != kMarker;
}

// True when the marker is still everywhere on the grid.
bool Untouched()
{
    const RECT rc = ClientRect();
    for (int y = 0; y < rc.bottom; y += 7)
        for (int x = 0; x < rc.right; x += 7)
            if (ReadPixel(x, y) != kMarker)
                return false;
    return true;
}

// Marks the client area, runs one tick at the given time, and reports
// whether the tick repainted it all (1), none of it (0) or part (-1).
int TickAt(int hour, int minute, int second)
{
    MarkClient(kMarker);
    SetFakeTime(hour, minute, second);
    Tick();
    if (WhollyRepainted())
        return 1;
    return Untouched() ? 0 : -1;
}

// Leaves a non-zero pattern where the next call's locals will lie, so that
// one read before it is written reads that, not whatever happened to be there.
__attribute__((noinline)) void FillStack()
{
    volatile char pattern[8192];
    for (size_t i = 0; i < sizeof pattern; i++)
        pattern[i] = 0x11;
}

}   // namespace

using RepaintPass = ClockTest;

TEST_F(RepaintPass, AnalogRepaintsOnceWhenTheMinuteChanges)
{
    // The fixture starts at 10:41:59: that minute is already drawn.
    EXPECT_EQ(0, TickAt(10, 41, 59));
    EXPECT_EQ(1, TickAt(10, 42, 0));
    EXPECT_EQ(0, TickAt(10, 42, 0));
    EXPECT_EQ(0, TickAt(10, 42, 30));
    EXPECT_EQ(0, TickAt(10, 42, 59));
    EXPECT_EQ(1, TickAt(10, 43, 0));
    // Midnight is a change of minute like any other.
    EXPECT_EQ(1, TickAt(23, 59, 59));
    EXPECT_EQ(1, TickAt(0, 0, 0));
    EXPECT_EQ(0, TickAt(0, 0, 1));
}

TEST_F(RepaintPass, AResizeRepaintsAtOnce)
{
    EXPECT_EQ(0, TickAt(10, 41, 59));
    MarkClient(kMarker);
    // Shrinking uncovers nothing, so only the forced repaint can paint.
    SetWindowPos(g_hwndMain, NULL, 0, 0, 170, 180, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(WhollyRepainted());
}

TEST_F(RepaintPass, AWindowInvalidatedFromOutsideIsRepainted)
{
    // As when a window that covered the clock goes away, in a minute that
    // is already drawn: only WM_PAINT can repaint it.
    MarkClient(kMarker);
    InvalidateRect(g_hwndMain, NULL, FALSE);
    UpdateWindow(g_hwndMain);   // WM_PAINT at once, before any tick could paint
    EXPECT_TRUE(WhollyRepainted());
}

TEST_F(RepaintPass, APassForAHandleThatNamesNoWindowKeepsTheIcon)
{
    // GetClientRect fails there and BeginPaint gives no context: there is
    // no picture to make an icon of.
    HWND gone = CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    DestroyWindow(gone);
    ASSERT_FALSE(IsWindow(gone));
    const HICON icon = g_smallIcon;
    FillStack();
    PaintClock(gone);
    EXPECT_EQ(icon, g_smallIcon);
    EXPECT_EQ(icon, (HICON)SendMessageA(g_hwndMain, WM_GETICON, ICON_SMALL, 0));
}

TEST_F(RepaintPass, DigitalRepaintsOnEveryTick)
{
    Command(IDM_ANALOG);
    ASSERT_FALSE(IsModeOn(MENU_ANALOG));
    EXPECT_EQ(1, TickAt(10, 41, 59));
    EXPECT_EQ(1, TickAt(10, 41, 59));
    EXPECT_EQ(1, TickAt(10, 42, 0));
}

TEST_F(RepaintPass, EraseBackgroundErasesNothing)
{
    MarkClient(kMarker);
    HDC hdc = GetDC(g_hwndMain);
    EXPECT_EQ(1, SendMessageA(g_hwndMain, WM_ERASEBKGND, (WPARAM)hdc, 0));
    ReleaseDC(g_hwndMain, hdc);
    EXPECT_TRUE(Untouched());
}

TEST_F(RepaintPass, BackgroundAndCaptionColours)
{
    Command(IDM_ANALOG);   // digital: every tick repaints
    Tick();
    const RECT rc = ClientRect();
    const COLORREF bg = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(bg, ReadPixel(1, 1));
    EXPECT_EQ(bg, ReadPixel(rc.right - 2, 1));

    // The caption is the complement of the background, centred on the
    // bottom edge: find its inked pixels in the bottom band.
    const COLORREF caption = bg ^ 0x00FFFFFF;
    int minX = rc.right, maxX = -1, maxY = -1, minY = rc.bottom, inked = 0;
    for (int y = rc.bottom - 20; y < rc.bottom; y++)
        for (int x = 0; x < rc.right; x++)
            if (ColorDistance(ReadPixel(x, y), caption) < 60) {
                inked++;
                if (x < minX)
                    minX = x;
                if (x > maxX)
                    maxX = x;
                if (y < minY)
                    minY = y;
                if (y > maxY)
                    maxY = y;
            }
    ASSERT_GT(inked, 40);
    EXPECT_NEAR(rc.right / 2.0, (minX + maxX) / 2.0, 3.0);
    EXPECT_GE(maxY, rc.bottom - 5);
    EXPECT_LE(maxY - minY, 13);
}

TEST_F(RepaintPass, CaptionOnBlackTakesTheForeground)
{
    // Black is see-through: a complemented caption would be white on
    // nothing, so it takes the foreground colour instead.
    g_bgColor = RGB(0, 0, 0);
    g_fgColor = RGB(0, 200, 0);
    Command(IDM_ANALOG);
    Tick();
    const RECT rc = ClientRect();
    int green = 0, white = 0;
    for (int y = rc.bottom - 16; y < rc.bottom; y++)
        for (int x = 0; x < rc.right; x++) {
            const COLORREF c = ReadPixel(x, y);
            green += ColorDistance(c, g_fgColor) < 60;
            white += ColorDistance(c, RGB(255, 255, 255)) < 60;
        }
    EXPECT_GT(green, 40);
    EXPECT_EQ(0, white);
}
