// The clock window as start-up leaves it: class, styles, rectangle, layered
// attributes, the system menu, the start values, the title and the timer;
// and a start-up that cannot make its window.
#include "clock_test_support.h"

#include "app/clock.h"
#include "app/globals.h"
#include "app/menu.h"

#include <vector>

namespace {

struct MenuEntry {
    UINT id;
    const char *text;   // null for the separator
    UINT state;
    HMENU subMenu;
};

MenuEntry ReadItem(HMENU hMenu, int pos)
{
    char text[128] = "";
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_FTYPE | MIIM_SUBMENU;
    mii.dwTypeData = text;
    mii.cch = sizeof text;
    EXPECT_TRUE(GetMenuItemInfoA(hMenu, pos, TRUE, &mii)) << "position " << pos;
    static char copies[32][128];
    strcpy(copies[pos % 32], text);
    return { mii.wID, (mii.fType & MFT_SEPARATOR) ? nullptr : copies[pos % 32], mii.fState,
             mii.hSubMenu };
}

void ExpectPopup(HMENU hPopup, UINT id0, const char *text0, UINT id1, const char *text1)
{
    ASSERT_TRUE(hPopup != NULL);
    EXPECT_EQ(2, GetMenuItemCount(hPopup));
    MenuEntry a = ReadItem(hPopup, 0);
    EXPECT_EQ(id0, a.id);
    EXPECT_STREQ(text0, a.text);
    MenuEntry b = ReadItem(hPopup, 1);
    EXPECT_EQ(id1, b.id);
    EXPECT_STREQ(text1, b.text);
}

}   // namespace

using StartedClock = ClockTest;

TEST_F(StartedClock, SystemMenuHoldsOurItemsAboveTheStandardOnes)
{
    HMENU hMenu = GetSystemMenu(g_hwndMain, FALSE);
    const MenuEntry expected[8] = {
        { IDM_ANALOG, "Analog", MFS_CHECKED, NULL },
        { IDM_ONTOP, "Stay on top and be unclickable", 0, NULL },
        { IDM_BGTRANSPARENT, "Background transparent", 0, NULL },
        { IDM_OPACITY, "Opacy", 0, NULL },
        { IDM_COLORS, "Colors", 0, g_hColorsMenu },
        { IDM_SETTINGS, "Settings", 0, g_hSettingsMenu },
        { IDM_ABOUT, "About/Help", 0, NULL },
        { IDM_SEPARATOR, nullptr, MFS_GRAYED, NULL },
    };
    for (int i = 0; i < 8; i++) {
        SCOPED_TRACE(i);
        const MenuEntry item = ReadItem(hMenu, i);
        EXPECT_EQ(expected[i].id, item.id);
        if (expected[i].text)
            EXPECT_STREQ(expected[i].text, item.text);
        else
            EXPECT_EQ(nullptr, item.text);
        EXPECT_EQ(expected[i].state, item.state & (MFS_CHECKED | MFS_GRAYED));
        EXPECT_EQ(expected[i].subMenu, item.subMenu);
    }
    ExpectPopup(g_hColorsMenu, IDM_COLOR_FG, "Foreground", IDM_COLOR_BG, "Background");
    ExpectPopup(g_hSettingsMenu, IDM_LOAD_SETTINGS, "Load settings", IDM_SAVE_SETTINGS,
                "Save settings");

    // The platform's own items follow ours, found by command.
    int closePos = -1;
    for (int i = 0; i < GetMenuItemCount(hMenu); i++)
        if (GetMenuItemID(hMenu, i) == SC_CLOSE)
            closePos = i;
    EXPECT_GT(closePos, 7);
    EXPECT_GE(GetMenuItemCount(hMenu), 8 + 7);
}

TEST_F(StartedClock, WindowClassStylesAndRectangle)
{
    char className[64];
    GetClassNameA(g_hwndMain, className, sizeof className);
    EXPECT_STREQ("Lumivane", className);

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(NULL), "Lumivane", &wc));
    EXPECT_EQ((UINT)CS_DBLCLKS, wc.style);
    EXPECT_EQ(LoadIconA(NULL, IDI_APPLICATION), wc.hIcon);
    EXPECT_EQ(LoadCursorA(NULL, IDC_ARROW), wc.hCursor);
    EXPECT_EQ(0, wc.cbClsExtra);
    EXPECT_EQ(0, wc.cbWndExtra);

    // The platform adds the window edge to captioned windows on its own.
    const LONG_PTR exStyle = GetWindowLongPtrA(g_hwndMain, GWL_EXSTYLE);
    EXPECT_EQ((LONG_PTR)WS_EX_LAYERED, exStyle & ~(LONG_PTR)WS_EX_WINDOWEDGE);
    EXPECT_EQ((LONG_PTR)WS_OVERLAPPEDWINDOW,
              GetWindowLongPtrA(g_hwndMain, GWL_STYLE) & WS_OVERLAPPEDWINDOW);

    RECT rc;
    GetWindowRect(g_hwndMain, &rc);
    EXPECT_EQ(0, rc.left);
    EXPECT_EQ(0, rc.top);
    EXPECT_EQ(186, rc.right);
    EXPECT_EQ(194, rc.bottom);

    COLORREF key = 0x123456;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(g_hwndMain, &key, &alpha, &flags));
    EXPECT_EQ(0u, key);
    EXPECT_EQ(200, alpha);
    EXPECT_EQ((DWORD)(LWA_COLORKEY | LWA_ALPHA), flags);
}

TEST_F(StartedClock, StartValuesWithoutSettingsFile)
{
    HMENU hMenu = GetSystemMenu(g_hwndMain, FALSE);
    EXPECT_TRUE(GetMenuState(hMenu, IDM_ANALOG, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(hMenu, IDM_ONTOP, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(hMenu, IDM_BGTRANSPARENT, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(0x00010101u, g_fgColor);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), g_bgColor);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), g_savedBgColor);
    EXPECT_EQ(200, g_alpha);
    EXPECT_FALSE(GetWindowLongPtrA(g_hwndMain, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TRANSPARENT));
}

TEST_F(StartedClock, TitleCarriesTheTimeOnEveryTickOfAnyTimer)
{
    char title[64];
    SetFakeTime(9, 5, 7);
    Tick();
    GetWindowTextA(g_hwndMain, title, sizeof title);
    EXPECT_STREQ("09:05:07", title);

    SetFakeTime(23, 59, 58);
    SendMessageA(g_hwndMain, WM_TIMER, 77, 0);
    GetWindowTextA(g_hwndMain, title, sizeof title);
    EXPECT_STREQ("23:59:58", title);

    // The real timer ticks too.
    SetWindowTextA(g_hwndMain, "x");
    EXPECT_TRUE(PumpUntil(
        [] {
            char t[64];
            GetWindowTextA(g_hwndMain, t, sizeof t);
            return strcmp(t, "23:59:58") == 0;
        },
        3000));
}

TEST_F(StartedClock, TimerOneFiresEveryHalfSecond)
{
    // The stamps of timer 1's own messages give the period the window was
    // given; at a second the title would skip seconds.
    std::vector<DWORD> stamps;
    for (DWORD start = GetTickCount(); stamps.size() < 7 && GetTickCount() - start < 10000;) {
        MSG msg;
        if (!PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
            continue;
        }
        if (msg.message == WM_TIMER && msg.hwnd == g_hwndMain && msg.wParam == 1)
            stamps.push_back(msg.time);
        DispatchMessageA(&msg);
    }
    ASSERT_EQ(7u, stamps.size());
    const double mean = (stamps.back() - stamps.front()) / 6.0;
    EXPECT_GT(mean, 400.0);
    EXPECT_LT(mean, 700.0);
}

namespace {

LRESULT CALLBACK RefuseCreation(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return message == WM_NCCREATE ? FALSE : DefWindowProcA(hwnd, message, wParam, lParam);
}

}   // namespace

TEST(ClockCreation, WithoutAWindowTheClockEndsAtOnceWithANonZeroCode)
{
    TempWorkDir dir;
    // The clock's class is taken by one whose windows refuse to be made.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RefuseCreation;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "Lumivane";
    ASSERT_TRUE(RegisterClassA(&wc));
    // A loop entered regardless ends on this at once, with 0.
    PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
    EXPECT_NE(0, RunClock(GetModuleHandleA(NULL), SW_SHOWNORMAL));
    EXPECT_EQ(NULL, g_hwndMain);
    MSG msg;
    PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
    UnregisterClassA("Lumivane", GetModuleHandleA(NULL));
}

namespace {

// What the window saw while it was being created.
struct CreationLog {
    char titleAtCreate[64];
    int iconsSentBeforeStored;
    int createPasses;
};
CreationLog s_log;

LRESULT CALLBACK LogCreation(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT *msg = (const CWPRETSTRUCT *)lParam;
    char cls[32] = "";
    GetClassNameA(msg->hwnd, cls, sizeof cls);
    if (code == HC_ACTION && strcmp(cls, "Lumivane") == 0) {
        if (msg->message == WM_CREATE) {
            GetWindowTextA(msg->hwnd, s_log.titleAtCreate, sizeof s_log.titleAtCreate);
            s_log.createPasses++;
        }
        if (msg->message == WM_SETICON && g_hwndMain == NULL)
            s_log.iconsSentBeforeStored++;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

}   // namespace

TEST(ClockCreation, TitleStaysLumivaneAndNoIconIsSentUntilTheWindowIsStored)
{
    TempWorkDir dir;
    SetFakeTime(12, 0, 1);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, LogCreation, NULL, GetCurrentThreadId());
    StartClock(GetModuleHandleA(NULL), SW_SHOWNORMAL);
    UnhookWindowsHookEx(hook);

    EXPECT_EQ(1, s_log.createPasses);
    EXPECT_STREQ("Lumivane", s_log.titleAtCreate);
    EXPECT_EQ(0, s_log.iconsSentBeforeStored);
    // Creation made an icon for nobody; the first pass afterwards hands one over.
    EXPECT_EQ(NULL, (HICON)SendMessageA(g_hwndMain, WM_GETICON, ICON_SMALL, 0));
    Tick();
    EXPECT_EQ(g_smallIcon, (HICON)SendMessageA(g_hwndMain, WM_GETICON, ICON_SMALL, 0));
    EXPECT_TRUE(g_smallIcon != NULL);
    DestroyWindow(g_hwndMain);
    PumpMessages();
}
