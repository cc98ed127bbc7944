// The opacity slider through the real window: where it opens, its range and
// thumb, the alpha taken on mouse moves only, closing itself after a rest,
// and never more than one.
#include "clock_test_support.h"

#include "app/globals.h"
#include "app/menu.h"

#include <commctrl.h>
#include <stdio.h>
#include <string>
#include <vector>

namespace {

bool CursorAt(int x, int y)
{
    POINT p;
    return GetCursorPos(&p) && p.x == x && p.y == y;
}

// A real pointer move; waits until the platform sees the pointer there,
// without dispatching anything (which would change the message position).
bool MovePointer(int x, int y)
{
    char args[48];
    sprintf(args, "mousemove %d %d", x, y);
    if (!Xdotool(args))
        return false;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 3000; Sleep(5))
        if (CursorAt(x, y))
            return true;
    return false;
}

// Whether the mouse move that a window appearing under the pointer gets is
// queued for hwnd, within a bound; looked at without taking it or anything
// else. Until then the platform may still learn of the appearance late (Wine
// handles the X server's enter event only when the thread next asks for
// input) and take the pointer to be back where the window appeared.
bool AppearanceUnderThePointerSeen(HWND hwnd)
{
    MSG msg;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 3000; Sleep(5))
        if (PeekMessageA(&msg, hwnd, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE))
            return true;
    return false;
}

// Makes (x, y) the position of the last message retrieved, as a menu
// command's message would carry it, and dispatches nothing else after it.
// SetCursorPos, unlike a move from outside, tells the platform at once.
void SetMessagePos(int x, int y)
{
    ASSERT_TRUE(SetCursorPos(x, y));
    PumpMessages(30);   // the move's own message goes first
    PostMessageA(g_hwndMain, WM_NULL, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE) &&
           !(msg.message == WM_NULL && msg.hwnd == g_hwndMain))
        DispatchMessageA(&msg);
    const DWORD pos = GetMessagePos();
    ASSERT_EQ(x, (short)LOWORD(pos));
    ASSERT_EQ(y, (short)HIWORD(pos));
}

int SliderPos()
{
    return (int)SendMessageA(g_hwndSlider, TBM_GETPOS, 0, 0);
}

int CountSliders()
{
    struct Count {
        static BOOL CALLBACK Each(HWND hwnd, LPARAM lParam)
        {
            char cls[32] = "";
            GetClassNameA(hwnd, cls, sizeof cls);
            *(int *)lParam += _stricmp(cls, TRACKBAR_CLASSA) == 0;
            return TRUE;
        }
    };
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), Count::Each, (LPARAM)&n);
    return n;
}

// What reached the slider's queue: hover and leave are posted.
std::vector<UINT> s_tracking;

LRESULT CALLBACK LogTracking(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG *msg = (const MSG *)lParam;
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->hwnd == g_hwndSlider &&
        (msg->message == WM_MOUSEHOVER || msg->message == WM_MOUSELEAVE))
        s_tracking.push_back(msg->message);
    return CallNextHookEx(NULL, code, wParam, lParam);
}

bool Saw(UINT message)
{
    for (UINT m : s_tracking)
        if (m == message)
            return true;
    return false;
}

}   // namespace

class Slider : public ClockTest {
protected:
    void SetUp() override
    {
        if (!HaveXdotool())
            GTEST_SKIP() << "xdotool is not installed: no real pointer events";
        ClockTest::SetUp();
    }

    // Opens the slider centred on (x, y), clear of the clock window.
    void OpenAt(int x, int y)
    {
        SetMessagePos(x, y);
        Command(IDM_OPACITY);
        ASSERT_TRUE(IsWindow(g_hwndSlider));
    }

    // A real move over the slider that the slider has seen.
    void MoveOver(int dx)
    {
        RECT rc;
        GetWindowRect(g_hwndSlider, &rc);
        const int x = (rc.left + rc.right) / 2 + dx, y = (rc.top + rc.bottom) / 2;
        ASSERT_TRUE(MovePointer(x, y));
        PumpMessages(50);
    }
};

TEST_F(Slider, OpensCentredOnTheMessagePositionNotTheCursor)
{
    const POINT at[] = { { 500, 400 }, { 620, 20 }, { 60, 700 } };
    for (const POINT &p : at) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        SetMessagePos(p.x, p.y);
        // The cursor has moved on since; the command's message still says p.
        ASSERT_TRUE(SetCursorPos(p.x + 150, p.y - 10));
        Command(IDM_OPACITY);
        ASSERT_TRUE(IsWindow(g_hwndSlider));
        RECT rc;
        GetWindowRect(g_hwndSlider, &rc);
        EXPECT_EQ(p.x - 100, rc.left);
        EXPECT_EQ(p.y - 15, rc.top);
        EXPECT_EQ(200, rc.right - rc.left);
        EXPECT_EQ(30, rc.bottom - rc.top);
        DestroyWindow(g_hwndSlider);
    }
}

TEST_F(Slider, RangeAndThumbFollowTheAlphaClampedToIt)
{
    const struct {
        BYTE alpha;
        int thumb;
    } rows[] = {
        { 200, 200 }, { 255, 235 }, { 236, 235 }, { 235, 235 }, { 20, 20 }, { 19, 20 }, { 0, 20 },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE((int)row.alpha);
        g_alpha = row.alpha;
        OpenAt(500, 400);
        EXPECT_EQ(20, SendMessageA(g_hwndSlider, TBM_GETRANGEMIN, 0, 0));
        EXPECT_EQ(235, SendMessageA(g_hwndSlider, TBM_GETRANGEMAX, 0, 0));
        EXPECT_EQ(row.thumb, SliderPos());
        EXPECT_EQ(g_hwndMain, GetWindow(g_hwndSlider, GW_OWNER));
        EXPECT_EQ(row.alpha, g_alpha);   // opening applies nothing
        // The first move over it makes the thumb's value the alpha.
        MoveOver(5);
        EXPECT_EQ(row.thumb, WindowAlpha());
        EXPECT_EQ(row.thumb, g_alpha);
        DestroyWindow(g_hwndSlider);
    }
}

TEST_F(Slider, OpacyAgainOnlyFocusesTheOpenSlider)
{
    OpenAt(500, 400);
    HWND first = g_hwndSlider;
    EXPECT_EQ(first, GetFocus());
    SetFocus(g_hwndMain);
    ASSERT_NE(first, GetFocus());
    Command(IDM_OPACITY);
    EXPECT_EQ(first, g_hwndSlider);
    EXPECT_EQ(first, GetFocus());
    EXPECT_EQ(1, CountSliders());
}

// A move applies the position that the previous move left: the control
// handles a move only after the alpha has been read.
TEST_F(Slider, AMouseMoveAppliesThePositionThePreviousMoveLeft)
{
    OpenAt(500, 400);
    SendMessageA(g_hwndSlider, TBM_SETPOS, TRUE, 100);
    EXPECT_EQ(200, WindowAlpha());
    MoveOver(4);
    EXPECT_EQ(100, WindowAlpha());

    // A drag: press on the thumb, then one move to the right.
    RECT thumb;
    SendMessageA(g_hwndSlider, TBM_GETTHUMBRECT, 0, (LPARAM)&thumb);
    POINT p = { (thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2 };
    ClientToScreen(g_hwndSlider, &p);
    ASSERT_TRUE(MovePointer(p.x, p.y));
    ASSERT_TRUE(Xdotool("mousedown 1"));
    ASSERT_TRUE(PumpUntil([] { return GetCapture() == g_hwndSlider; }, 3000));
    ASSERT_EQ(100, SliderPos());
    ASSERT_TRUE(MovePointer(p.x + 40, p.y));
    ASSERT_TRUE(PumpUntil([] { return SliderPos() != 100; }, 3000));
    const int dragged = SliderPos();
    EXPECT_GT(dragged, 120);
    EXPECT_EQ(100, WindowAlpha());
    ASSERT_TRUE(Xdotool("mouseup 1"));
    ASSERT_TRUE(PumpUntil([] { return GetCapture() != g_hwndSlider; }, 3000));
    MoveOver(-30);
    EXPECT_EQ(dragged, SliderPos());
    EXPECT_EQ(dragged, WindowAlpha());
}

TEST_F(Slider, KeyboardMovesChangeNoAlphaUntilTheNextMouseMove)
{
    OpenAt(500, 400);
    ASSERT_EQ(g_hwndSlider, GetFocus());
    MoveOver(3);   // also takes the move that a window appearing under the pointer gets
    const struct {
        WPARAM key;
        int pos;
    } steps[] = {
        { VK_RIGHT, 201 },
        { VK_END, 235 },
        { VK_LEFT, 234 },
        { VK_HOME, 20 },
    };
    int dx = 3;
    for (const auto &step : steps) {
        SCOPED_TRACE(step.key);
        const BYTE before = WindowAlpha();
        PostMessageA(GetFocus(), WM_KEYDOWN, step.key, 1);
        PostMessageA(GetFocus(), WM_KEYUP, step.key, 0xC0000001);
        PumpMessages(20);
        EXPECT_EQ(step.pos, SliderPos());
        EXPECT_EQ(before, WindowAlpha());
        MoveOver(dx = -dx);
        EXPECT_EQ(step.pos, WindowAlpha());
    }
}

TEST_F(Slider, LeavingBeforeARestKeepsItOpenLeavingAfterOneClosesIt)
{
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, LogTracking, NULL, GetCurrentThreadId());
    // Opened under the pointer, so tracking starts at once; the pointer
    // leaves before anything is dispatched, so it never rested.
    OpenAt(500, 400);
    HWND slider = g_hwndSlider;
    ASSERT_TRUE(AppearanceUnderThePointerSeen(slider));
    ASSERT_TRUE(MovePointer(500, 500));
    EXPECT_TRUE(PumpUntil([] { return Saw(WM_MOUSELEAVE); }, 3000));
    EXPECT_FALSE(Saw(WM_MOUSEHOVER));
    EXPECT_TRUE(IsWindow(slider));
    EXPECT_EQ(slider, g_hwndSlider);

    // Back over it, resting, then away.
    s_tracking.clear();
    ASSERT_TRUE(MovePointer(520, 400));
    EXPECT_TRUE(PumpUntil([] { return Saw(WM_MOUSEHOVER); }, 3000));
    EXPECT_TRUE(IsWindow(slider));
    ASSERT_TRUE(MovePointer(520, 500));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(slider); }, 3000));
    EXPECT_EQ(NULL, g_hwndSlider);
    UnhookWindowsHookEx(hook);

    // Closed, it leaves room for the next one.
    OpenAt(300, 300);
    EXPECT_NE(slider, g_hwndSlider);
}

// However else the slider goes, the next "Opacy" makes a new one.
TEST_F(Slider, DestroyedAnotherWayDoesNotBlockTheNext)
{
    const struct {
        const char *how;
        void (*close)(HWND);
    } ways[] = {
        { "DestroyWindow", [](HWND h) { DestroyWindow(h); } },
        { "WM_CLOSE", [](HWND h) { SendMessageA(h, WM_CLOSE, 0, 0); } },
        { "SC_CLOSE", [](HWND h) { SendMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); } },
    };
    for (const auto &way : ways) {
        SCOPED_TRACE(way.how);
        OpenAt(500, 400);
        HWND old = g_hwndSlider;
        way.close(old);
        ASSERT_FALSE(IsWindow(old));
        Command(IDM_OPACITY);
        EXPECT_TRUE(IsWindow(g_hwndSlider));
        EXPECT_NE(old, g_hwndSlider);
        EXPECT_EQ(1, CountSliders());
        DestroyWindow(g_hwndSlider);
    }
}
