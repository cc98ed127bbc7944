// The window's icons: a new pair on every pass with a client area, the small
// and the large, the old ones destroyed after the hand-over, each picture a
// reduction of the face whose black, and only its black, is see-through.
#include "clock_test_support.h"

#include "app/globals.h"
#include "app/menu.h"

#include <stdlib.h>
#include <vector>

namespace {

// Each slot's icon, its size, and how much of it the reduced face fills: 16
// pixels of the small one, all of the large one.
struct Slot {
    WPARAM slot;
    HICON *icon;
    int cxMetric, cyMetric;
    bool wholeIcon;
};
const Slot kSlots[] = {
    { ICON_SMALL, &g_smallIcon, SM_CXSMICON, SM_CYSMICON, false },
    { ICON_BIG, &g_bigIcon, SM_CXICON, SM_CYICON, true },
};

HICON WindowIcon(WPARAM slot = ICON_SMALL)
{
    return (HICON)SendMessageA(g_hwndMain, WM_GETICON, slot, 0);
}

// A bitmap's pixels as 32-bit colours, row 0 at the top.
std::vector<COLORREF> BitmapPixels(HBITMAP hbm, int *w, int *h)
{
    BITMAP bm;
    GetObjectA(hbm, sizeof bm, &bm);
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
    GetDIBits(hdc, hbm, 0, bm.bmHeight, raw.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(NULL, hdc);
    std::vector<COLORREF> out;
    for (DWORD p : raw)
        out.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    return out;
}

// The icon's colour picture and, parallel to it, whether each mask bit is set.
struct IconPixels {
    int w = 0, h = 0;
    std::vector<COLORREF> color;
    std::vector<bool> mask;
};

IconPixels ReadIcon(HICON hIcon)
{
    IconPixels icon;
    ICONINFO ii;
    if (!GetIconInfo(hIcon, &ii))
        return icon;
    icon.color = BitmapPixels(ii.hbmColor, &icon.w, &icon.h);
    int mw = 0, mh = 0;
    for (COLORREF m : BitmapPixels(ii.hbmMask, &mw, &mh))
        icon.mask.push_back(m != 0);
    DeleteObject(ii.hbmMask);
    DeleteObject(ii.hbmColor);
    return icon;
}

}   // namespace

// The case at a high DPI below starts one of these in a process of its own,
// with the small-icon size it is to see in LUMIVANE_TEST_SMICON. That process
// declares itself DPI aware before the clock starts: Windows, and Wine 10 as
// it does, give a program that is not aware the sizes of 96 DPI at any
// setting, and Wine 8 gives every program those of the setting.
class SmallIcon : public ClockTest {
protected:
    void SetUp() override
    {
        if (getenv("LUMIVANE_TEST_SMICON")) {
            ASSERT_TRUE(SetProcessDPIAware());
        }
        ClockTest::SetUp();
    }
};

TEST_F(SmallIcon, EveryPassHandsOverNewIconsAndDestroysTheOldOnes)
{
    // The taskbar and Alt+Tab show the large slot: the live face there too.
    for (const Slot &s : kSlots) {
        SCOPED_TRACE(s.slot);
        HICON previous = WindowIcon(s.slot);
        ASSERT_TRUE(previous != NULL);
        ASSERT_EQ(*s.icon, previous);
        for (int i = 0; i < 3; i++) {
            Tick();   // analog, same minute: nothing repaints, the icons still renew
            EXPECT_NE(previous, *s.icon);
            EXPECT_EQ(*s.icon, WindowIcon(s.slot));
            EXPECT_TRUE(IconAlive(*s.icon));
            EXPECT_FALSE(IconAlive(previous));
            previous = *s.icon;
        }
    }
    EXPECT_NE(g_smallIcon, g_bigIcon);
}

TEST_F(SmallIcon, PictureIsTheReducedFace)
{
    g_bgColor = RGB(10, 200, 30);
    g_fgColor = RGB(200, 20, 20);
    Command(IDM_ANALOG);   // digital: the next tick repaints all
    Tick();
    for (const Slot &s : kSlots) {
        SCOPED_TRACE(s.slot);
        const IconPixels icon = ReadIcon(WindowIcon(s.slot));
        const std::vector<COLORREF> &px = icon.color;
        const int n = s.wholeIcon ? GetSystemMetrics(s.cxMetric) : 16;
        ASSERT_EQ(GetSystemMetrics(s.cxMetric), icon.w);
        ASSERT_EQ(GetSystemMetrics(s.cyMetric), icon.h);
        ASSERT_GE(icon.w, n);
        EXPECT_EQ(g_bgColor, px[0]);
        EXPECT_EQ(g_bgColor, px[n - 1]);
        EXPECT_EQ(g_bgColor, px[(n - 1) * icon.w]);
        EXPECT_EQ(g_bgColor, px[(n - 1) * icon.w + n - 1]);
        // The time text, centred and as wide as the face, leaves foreground
        // pixels in both halves of the middle rows, and nothing shows
        // outside them: the caption along the bottom edge comes after the
        // copy. How many of the text's thin strokes a reduction keeps
        // depends on where the platform samples (Wine 8 and Wine 10 differ).
        int fgLeft = 0, fgRight = 0, outside = 0;
        for (int y = 0; y < n; y++)
            for (int x = 0; x < n; x++) {
                const COLORREF c = px[y * icon.w + x];
                if (y < n * 5 / 16 || y >= n * 11 / 16)
                    outside += c != g_bgColor;
                else if (ColorDistance(c, g_fgColor) < 120)
                    ++(x < n / 2 ? fgLeft : fgRight);
            }
        EXPECT_GT(fgLeft, 0);
        EXPECT_GT(fgRight, 0);
        EXPECT_EQ(0, outside);
    }
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

// Exactly the black of the picture is see-through: over any background the
// icon shows the face's own colours. Beyond the 16 x 16 picture (a small-icon
// size above 16 at high DPI) everything is black and see-through.
TEST_F(SmallIcon, MaskIsSetExactlyWhereThePictureIsBlack)
{
    // Set when a parent case has started this one at another DPI.
    const char *wantSize = getenv("LUMIVANE_TEST_SMICON");
    const int size = GetSystemMetrics(SM_CXSMICON);
    if (wantSize) {
        ASSERT_EQ(atoi(wantSize), size);
    }
    struct Case {
        const char *name;
        COLORREF fg, bg;
        bool analog, transparentBackground;
    } cases[] = {
        { "black face on green", RGB(0, 0, 0), RGB(10, 200, 30), true, false },
        { "red text on the see-through background", RGB(200, 20, 20), RGB(10, 200, 30), false,
          true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        g_fgColor = c.fg;
        g_bgColor = c.bg;
        if (IsModeOn(MENU_ANALOG) != c.analog)
            Command(IDM_ANALOG);
        if (IsModeOn(MENU_BGTRANSPARENT) != c.transparentBackground)
            Command(IDM_BGTRANSPARENT);
        ForceRepaint();
        Tick();
        for (const Slot &s : kSlots) {
            SCOPED_TRACE(s.slot);
            const IconPixels icon = ReadIcon(WindowIcon(s.slot));
            const int n = s.wholeIcon ? icon.w : 16;
            ASSERT_EQ(s.wholeIcon ? GetSystemMetrics(s.cxMetric) : size, icon.w);
            ASSERT_EQ(icon.color.size(), icon.mask.size());
            int black = 0, wrong = 0, outside = 0;
            for (int y = 0; y < icon.h; y++) {
                for (int x = 0; x < icon.w; x++) {
                    const int i = y * icon.w + x;
                    black += icon.color[i] == 0;
                    wrong += icon.mask[i] != (icon.color[i] == 0);
                    outside += (x >= n || y >= n) && icon.color[i] != 0;
                }
            }
            EXPECT_EQ(0, wrong);
            EXPECT_EQ(0, outside);
            // Both kinds of pixel are there, so the comparison means something.
            EXPECT_GT(black, icon.w * icon.h - n * n);
            EXPECT_LT(black, icon.w * icon.h);
        }
    }
    if (IsModeOn(MENU_BGTRANSPARENT))
        Command(IDM_BGTRANSPARENT);
}

// At 144 DPI the small-icon size is 24 x 24: the case above again, in a
// process of its own started with that setting. Wine reads it at start;
// Windows only at the next sign-in, so this is a case for Wine alone.
TEST(SmallIconAtHighDpiUnderWine, MaskCoversTheMarginBeyondThePicture)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, NULL,
                                             0, KEY_QUERY_VALUE | KEY_SET_VALUE, NULL, &key, NULL));
    DWORD previous = 0, type = 0, bytes = sizeof previous;
    const bool hadValue =
        RegQueryValueExA(key, "LogPixels", NULL, &type, (BYTE *)&previous, &bytes) == ERROR_SUCCESS;
    const DWORD dpi = 144;
    RegSetValueExA(key, "LogPixels", 0, REG_DWORD, (const BYTE *)&dpi, sizeof dpi);

    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, MAX_PATH);
    std::string cmd = std::string("\"") + exe +
                      "\" --gtest_filter=SmallIcon.MaskIsSetExactlyWhereThePictureIsBlack";
    SetEnvironmentVariableA("LUMIVANE_TEST_SMICON", "24");
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    DWORD exitCode = 1;
    if (CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0)
            TerminateProcess(pi.hProcess, 1);
        GetExitCodeProcess(pi.hProcess, &exitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    SetEnvironmentVariableA("LUMIVANE_TEST_SMICON", NULL);
    // The prefix is shared with the cases that follow: put it back.
    if (hadValue)
        RegSetValueExA(key, "LogPixels", 0, type, (const BYTE *)&previous, bytes);
    else
        RegDeleteValueA(key, "LogPixels");
    RegCloseKey(key);
    EXPECT_EQ(0u, exitCode);
}
