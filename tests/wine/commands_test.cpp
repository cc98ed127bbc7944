// The system-menu commands seen through the window: what each one changes,
// which ones force a repaint, the pass-on to the default handling, the modes,
// real clicks through the window, the colour dialog and the About box.
#include "clock_test_support.h"

#include "app/globals.h"
#include "app/menu.h"

#include <stdio.h>
#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// Control identifiers of the standard colour dialog.
const int kRedEdit = 706, kGreenEdit = 707, kBlueEdit = 708;
const int kAddCustomButton = 712, kCustomColours = 721;

const COLORREF kMarker = RGB(255, 0, 255);

std::vector<COLORREF> Grid(int step)
{
    std::vector<COLORREF> px;
    const RECT rc = ClientRect();
    for (int y = 0; y < rc.bottom; y += step)
        for (int x = 0; x < rc.right; x += step)
            px.push_back(ReadPixel(x, y));
    return px;
}

COLORREF DialogColour(HWND box)
{
    return RGB(GetDlgItemInt(box, kRedEdit, NULL, FALSE),
               GetDlgItemInt(box, kGreenEdit, NULL, FALSE),
               GetDlgItemInt(box, kBlueEdit, NULL, FALSE));
}

void SetDialogColour(HWND box, COLORREF c)
{
    SetDlgItemInt(box, kRedEdit, GetRValue(c), FALSE);
    SetDlgItemInt(box, kGreenEdit, GetGValue(c), FALSE);
    SetDlgItemInt(box, kBlueEdit, GetBValue(c), FALSE);
}

// Chooses c in the colour dialog that the command opens; gives the colour
// the dialog started with.
COLORREF ChooseInDialog(WPARAM id, COLORREF c, bool ok = true)
{
    COLORREF initial = CLR_INVALID;
    EXPECT_TRUE(RunWithDialog(id, [&](HWND box) {
        initial = DialogColour(box);
        SetDialogColour(box, c);
        return ok ? IDOK : IDCANCEL;
    }));
    return initial;
}

// The centres of the 16 custom-colour boxes (8 by 2) as the dialog drew them.
std::vector<COLORREF> CustomColours(HWND box)
{
    HWND area = GetDlgItem(box, kCustomColours);
    RECT rc;
    GetClientRect(area, &rc);
    const int dx = rc.right / 8, dy = rc.bottom / 2;
    std::vector<COLORREF> out;
    HDC hdc = GetDC(area);
    for (int j = 0; j < 2; j++)
        for (int i = 0; i < 8; i++)
            out.push_back(GetPixel(hdc, i * dx + dx / 2 - 2, j * dy + dy / 2 - 2));
    ReleaseDC(area, hdc);
    return out;
}

// Whether the dialog has painted its custom boxes: nothing of it waits to be
// painted, and the gap after the last box shows the dialog's face. Before
// that the boxes read black, whatever they will show.
bool CustomColoursPainted(HWND box)
{
    HWND area = GetDlgItem(box, kCustomColours);
    if (GetUpdateRect(box, NULL, FALSE) || GetUpdateRect(area, NULL, FALSE))
        return false;
    RECT rc;
    GetClientRect(area, &rc);
    HDC hdc = GetDC(area);
    const COLORREF gap = GetPixel(hdc, rc.right - 1, rc.bottom - 1);
    ReleaseDC(area, hdc);
    return gap == GetSysColor(COLOR_BTNFACE);
}

// Waits, on the helper thread, until the painted custom boxes show what
// pred wants.
bool WaitForCustomColours(HWND box, const std::function<bool(const std::vector<COLORREF> &)> &pred)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < 3000; Sleep(20))
        if (CustomColoursPainted(box) && pred(CustomColours(box)))
            return true;
    return false;
}

bool AllBlack(const std::vector<COLORREF> &boxes)
{
    for (COLORREF c : boxes)
        if (c != 0)
            return false;
    return true;
}

}   // namespace

// ---------------------------------------------------------------------------
// The command table: which commands force the next pass to repaint it all.

enum class Box { None, Ok, Cancel };
enum class Setup { None, SettingsFile, ReadOnlySettingsFile };

struct CommandRow {
    const char *name;
    WPARAM id;
    bool forcesRepaint;
    Box box;
    Setup setup;
};

class CommandTable : public ClockTest, public testing::WithParamInterface<CommandRow> { };

TEST_P(CommandTable, ForcesARepaintOnlyWhereItMust)
{
    const CommandRow &row = GetParam();
    if (row.setup != Setup::None)
        WriteFileText(dir.File("Lumivane.ini"), "Opacy=150\n");
    if (row.setup == Setup::ReadOnlySettingsFile)
        SetFileAttributesA(dir.File("Lumivane.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(-1, g_lastMinuteKey);   // the fixture's tick consumed the start-up force

    if (row.box == Box::None)
        Command(row.id);
    else
        ASSERT_TRUE(RunWithDialog(row.id, [&](HWND) {
            return row.box == Box::Ok ? IDOK : IDCANCEL;
        })) << "no dialog box came up";
    if (IsWindow(g_hwndSlider))
        DestroyWindow(g_hwndSlider);

    EXPECT_EQ(row.forcesRepaint, g_lastMinuteKey == -1);
    // Same minute, analog face unless the command switched it: only a forced
    // repaint (or the digital face) paints over the marker, and all of it.
    MarkClient(kMarker);
    Tick();
    const std::vector<COLORREF> grid = Grid(7);
    const size_t left = std::count(grid.begin(), grid.end(), kMarker);
    EXPECT_EQ(row.forcesRepaint ? 0 : grid.size(), left);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandTable,
    testing::Values(
        CommandRow{ "Analog", IDM_ANALOG, true, Box::None, Setup::None },
        CommandRow{ "OnTop", IDM_ONTOP, false, Box::None, Setup::None },
        CommandRow{ "BackgroundTransparent", IDM_BGTRANSPARENT, true, Box::None, Setup::None },
        CommandRow{ "Opacy", IDM_OPACITY, false, Box::None, Setup::None },
        CommandRow{ "About", IDM_ABOUT, false, Box::Ok, Setup::None },
        CommandRow{ "ForegroundOk", IDM_COLOR_FG, true, Box::Ok, Setup::None },
        CommandRow{ "ForegroundCancel", IDM_COLOR_FG, true, Box::Cancel, Setup::None },
        CommandRow{ "BackgroundOk", IDM_COLOR_BG, true, Box::Ok, Setup::None },
        CommandRow{ "BackgroundCancel", IDM_COLOR_BG, true, Box::Cancel, Setup::None },
        CommandRow{ "LoadWithoutFile", IDM_LOAD_SETTINGS, true, Box::None, Setup::None },
        CommandRow{ "LoadWithFile", IDM_LOAD_SETTINGS, true, Box::None, Setup::SettingsFile },
        CommandRow{ "Save", IDM_SAVE_SETTINGS, false, Box::None, Setup::None },
        CommandRow{ "SaveFailing", IDM_SAVE_SETTINGS, false, Box::Ok, Setup::ReadOnlySettingsFile },
        CommandRow{ "PopupColors", IDM_COLORS, false, Box::None, Setup::None },
        CommandRow{ "Separator", IDM_SEPARATOR, false, Box::None, Setup::None },
        CommandRow{ "Unknown4242", 4242, false, Box::None, Setup::None },
        CommandRow{ "AnalogWithHighBits", IDM_ANALOG | 0xF0000, false, Box::None, Setup::None }),
    [](const testing::TestParamInfo<CommandRow> &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Every WM_SYSCOMMAND goes on to DefWindowProcA. Its handling of the message
// starts by calling the CBT hook with HCBT_SYSCOMMAND and the message's own
// wParam and lParam, for every identifier, known to it or not; nothing else
// calls the hook that way, so the hook's log shows each pass-on and its
// arguments.

namespace {

struct SysCommandSeen {
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<SysCommandSeen> s_sysCommands;

LRESULT CALLBACK LogSysCommand(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_SYSCOMMAND)
        s_sysCommands.push_back({ wParam, lParam });
    return CallNextHookEx(NULL, code, wParam, lParam);
}

}   // namespace

using Commands = ClockTest;

TEST_F(Commands, EverySysCommandReachesTheDefaultHandlingUnchanged)
{
    HHOOK hook = SetWindowsHookExA(WH_CBT, LogSysCommand, NULL, GetCurrentThreadId());
    ASSERT_TRUE(hook != NULL);
    const WPARAM ids[] = { IDM_ANALOG,          IDM_ONTOP,         IDM_BGTRANSPARENT, IDM_OPACITY,
                           IDM_LOAD_SETTINGS,   IDM_SAVE_SETTINGS, IDM_COLORS,        4242,
                           IDM_ANALOG | 0xF0000 };
    for (WPARAM id : ids) {
        SCOPED_TRACE(id);
        s_sysCommands.clear();
        const LPARAM lParam = (LPARAM)(0x00170000 | id);
        EXPECT_EQ(0, SendMessageA(g_hwndMain, WM_SYSCOMMAND, id, lParam));
        ASSERT_EQ(1u, s_sysCommands.size());
        EXPECT_EQ(id, s_sysCommands[0].wParam);
        EXPECT_EQ(lParam, s_sysCommands[0].lParam);
    }
    // The modal ones too, once their box has ended.
    for (WPARAM id : { (WPARAM)IDM_ABOUT, (WPARAM)IDM_COLOR_FG, (WPARAM)IDM_COLOR_BG }) {
        SCOPED_TRACE(id);
        s_sysCommands.clear();
        ASSERT_TRUE(RunWithDialog(id, [](HWND) { return IDCANCEL; }));
        ASSERT_EQ(1u, s_sysCommands.size());
        EXPECT_EQ(id, s_sysCommands[0].wParam);
    }
    UnhookWindowsHookEx(hook);
}

// The platform's own commands do their usual work.
TEST_F(Commands, PlatformCommandsWorkAsUsual)
{
    HHOOK hook = SetWindowsHookExA(WH_CBT, LogSysCommand, NULL, GetCurrentThreadId());
    struct Step {
        WPARAM id;
        std::function<bool()> done;
    } steps[] = {
        { SC_MINIMIZE, [] { return IsIconic(g_hwndMain) != 0; } },
        { SC_RESTORE, [] { return !IsIconic(g_hwndMain) && !IsZoomed(g_hwndMain); } },
        { SC_MAXIMIZE, [] { return IsZoomed(g_hwndMain) != 0; } },
        { SC_RESTORE, [] { return !IsZoomed(g_hwndMain); } },
        { SC_CLOSE, [] { return !IsWindow(g_hwndMain); } },
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.id);
        s_sysCommands.clear();
        Command(step.id);
        EXPECT_TRUE(PumpUntil(step.done, 2000));
        ASSERT_FALSE(s_sysCommands.empty());
        EXPECT_EQ(step.id, s_sysCommands[0].wParam);
    }
    UnhookWindowsHookEx(hook);
}

// ---------------------------------------------------------------------------
// The modes.

TEST_F(Commands, AnalogTwiceGivesTheAnalogFaceBack)
{
    const std::vector<COLORREF> analog = Grid(3);
    ASSERT_TRUE(Checked(IDM_ANALOG));
    Command(IDM_ANALOG);
    Tick();
    EXPECT_FALSE(Checked(IDM_ANALOG));
    EXPECT_NE(analog, Grid(3));
    Command(IDM_ANALOG);
    Tick();
    EXPECT_TRUE(Checked(IDM_ANALOG));
    EXPECT_EQ(analog, Grid(3));
}

TEST_F(Commands, OnTopSetsAndClearsTopmostAndClickThroughTogether)
{
    for (bool on : { true, false, true, false }) {
        SCOPED_TRACE(on);
        Command(IDM_ONTOP);
        const LONG_PTR ex = GetWindowLongPtrA(g_hwndMain, GWL_EXSTYLE);
        EXPECT_EQ(on, (ex & WS_EX_TOPMOST) != 0);
        EXPECT_EQ(on, (ex & WS_EX_TRANSPARENT) != 0);
        EXPECT_EQ(on, Checked(IDM_ONTOP));
        EXPECT_TRUE(ex & WS_EX_LAYERED);
    }
}

// The background's two states against 1002 and 1110, every cell.
struct BackgroundRow {
    const char *name;
    bool fromTransparent;
    WPARAM id;
    Box box;
    COLORREF chosen;
    bool transparentAfter;
    bool chosenAfter;   // else the colour from before
};

class Background : public ClockTest, public testing::WithParamInterface<BackgroundRow> { };

TEST_P(Background, StateTable)
{
    const BackgroundRow &row = GetParam();
    const COLORREF c = RGB(12, 34, 56);
    ChooseInDialog(IDM_COLOR_BG, c);
    ASSERT_EQ(c, g_bgColor);
    if (row.fromTransparent) {
        Command(IDM_BGTRANSPARENT);
        ASSERT_TRUE(Checked(IDM_BGTRANSPARENT));
    }

    COLORREF initial = CLR_INVALID;
    bool checkedWhileOpen = true;
    if (row.box == Box::None) {
        Command(row.id);
    } else {
        ASSERT_TRUE(RunWithDialog(row.id, [&](HWND box) {
            initial = DialogColour(box);
            checkedWhileOpen = Checked(IDM_BGTRANSPARENT);
            SetDialogColour(box, row.chosen);
            return row.box == Box::Ok ? IDOK : IDCANCEL;
        }));
        // Always from the real background, with the mode already off.
        EXPECT_EQ(c, initial);
        EXPECT_FALSE(checkedWhileOpen);
    }

    EXPECT_EQ(row.transparentAfter, Checked(IDM_BGTRANSPARENT));
    if (row.transparentAfter) {
        EXPECT_EQ(0u, g_bgColor);
        EXPECT_EQ(c, g_savedBgColor);
    } else {
        EXPECT_EQ(row.chosenAfter ? row.chosen : c, g_bgColor);
    }
    // The next pass paints the background in the colour now in force.
    Tick();
    EXPECT_EQ(g_bgColor, ReadPixel(2, 2));
}

INSTANTIATE_TEST_SUITE_P(
    Background, Background,
    testing::Values(
        BackgroundRow{ "OpaqueToggled", false, IDM_BGTRANSPARENT, Box::None, 0, true, false },
        BackgroundRow{ "TransparentToggled", true, IDM_BGTRANSPARENT, Box::None, 0, false, false },
        BackgroundRow{ "OpaqueChosen", false, IDM_COLOR_BG, Box::Ok, RGB(200, 100, 50), false,
                       true },
        BackgroundRow{ "TransparentChosen", true, IDM_COLOR_BG, Box::Ok, RGB(200, 100, 50), false,
                       true },
        BackgroundRow{ "OpaqueCancelled", false, IDM_COLOR_BG, Box::Cancel, RGB(200, 100, 50),
                       false, false },
        BackgroundRow{ "TransparentCancelled", true, IDM_COLOR_BG, Box::Cancel, RGB(200, 100, 50),
                       false, false },
        // Black chosen is see-through like the mode, but the mode stays off.
        BackgroundRow{ "OpaqueChosenBlack", false, IDM_COLOR_BG, Box::Ok, 0, false, true },
        BackgroundRow{ "TransparentChosenBlack", true, IDM_COLOR_BG, Box::Ok, 0, false, true }),
    [](const testing::TestParamInfo<BackgroundRow> &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The colour dialog.

using ColorDialog = ClockTest;

TEST_F(ColorDialog, ForegroundStartsAtTheColourOkSetsItCancelKeepsIt)
{
    EXPECT_EQ(RGB(1, 1, 1), ChooseInDialog(IDM_COLOR_FG, RGB(90, 80, 70)));
    EXPECT_EQ(RGB(90, 80, 70), g_fgColor);
    EXPECT_EQ(RGB(90, 80, 70), ChooseInDialog(IDM_COLOR_FG, RGB(9, 8, 7), false));
    EXPECT_EQ(RGB(90, 80, 70), g_fgColor);
}

// Opens expanded, and custom colours never outlive a dialog: one added in
// the first dialog is gone in the next.
TEST_F(ColorDialog, OpensExpandedWithSixteenBlackCustomColoursEveryTime)
{
    for (WPARAM id : { (WPARAM)IDM_COLOR_FG, (WPARAM)IDM_COLOR_BG }) {
        SCOPED_TRACE(id);
        for (int round = 0; round < 2; round++) {
            bool expanded = false, black = false, added = false;
            ASSERT_TRUE(RunWithDialog(id, [&](HWND box) {
                expanded = IsWindowVisible(GetDlgItem(box, kRedEdit)) &&
                           IsWindowVisible(GetDlgItem(box, kAddCustomButton));
                black = WaitForCustomColours(box, AllBlack);
                // The read-back sees what the array holds: an added colour shows.
                SetDialogColour(box, RGB(255, 0, 0));
                SendMessageA(box, WM_COMMAND, kAddCustomButton, 0);
                added = WaitForCustomColours(
                    box, [](const std::vector<COLORREF> &c) { return c[0] == RGB(255, 0, 0); });
                return IDCANCEL;
            }));
            EXPECT_TRUE(expanded);
            EXPECT_TRUE(black) << "round " << round;
            EXPECT_TRUE(added);
        }
    }
}

// ---------------------------------------------------------------------------
// The About box.

namespace {

struct BoxContents {
    std::string caption, text;
    HWND owner = NULL;
    std::vector<std::string> buttons;
};

BOOL CALLBACK ReadControl(HWND hwnd, LPARAM lParam)
{
    BoxContents *box = (BoxContents *)lParam;
    char cls[32] = "", text[4096] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, text, sizeof text);
    if (_stricmp(cls, "Button") == 0 && IsWindowVisible(hwnd))
        box->buttons.push_back(text);
    else if (_stricmp(cls, "Static") == 0 && strlen(text) > box->text.size())
        box->text = text;
    return TRUE;
}

}   // namespace

using AboutBox = ClockTest;

TEST_F(AboutBox, CaptionTextAndOneOkButtonOwnedByTheClock)
{
    BoxContents box;
    ASSERT_TRUE(RunWithDialog(IDM_ABOUT, [&](HWND hwnd) {
        char caption[64] = "";
        GetWindowTextA(hwnd, caption, sizeof caption);
        box.caption = caption;
        box.owner = GetWindow(hwnd, GW_OWNER);
        EnumChildWindows(hwnd, ReadControl, (LPARAM)&box);
        return IDOK;
    }));
    EXPECT_EQ("About / Help", box.caption);
    EXPECT_EQ(g_hwndMain, box.owner);
    ASSERT_EQ(1u, box.buttons.size());
    EXPECT_EQ("OK", box.buttons[0]);

    const std::string head = "~~~~ Lumivane V1.0 ~~~~\n";
    const std::string help =
        "\n\nHELP:\n"
        "\n"
        "- Analog : Switch between analog and digital face\n"
        "\n"
        "- Stay on top & be unclickable: Permanent overlapping all other windows but don't receive "
        "any\n"
        "mouseclicks further. (YOU MUST RIGHT-CLICKING IN THE TASKBAR ENTRY TO CLOSE/CHANGE IT)\n"
        "\n"
        "- Background transparent: Switch background color to RGB-value #000000 (black) to make\n"
        "background total invisible/clickable\n"
        "\n"
        "- Opacy : Adjust opacy between 10% (nearly invisible) and 90% (nearly complete visible)\n"
        "\n"
        "- Colors : Set foreground/background colors\n"
        "\n"
        "- Settings : Save or load the settings in a small INI file\n"
        "\n"
        "- About/Help : This text";
    const std::string &text = box.text;
    ASSERT_GT(text.size(), head.size() + help.size());
    EXPECT_EQ(head, text.substr(0, head.size()));
    EXPECT_EQ(help, text.substr(text.size() - help.size()));
    // Between them the terms of use: several lines, none empty, no address.
    const std::string terms = text.substr(head.size(), text.size() - head.size() - help.size());
    EXPECT_GE(std::count(terms.begin(), terms.end(), '\n'), 1);
    EXPECT_EQ(std::string::npos, terms.find("\n\n"));
    EXPECT_NE('\n', terms.front());
    EXPECT_EQ(std::string::npos, text.find('\r'));
    EXPECT_EQ(std::string::npos, text.find("http"));
    EXPECT_EQ(std::string::npos, text.find("www"));
}

// ---------------------------------------------------------------------------
// Clicks for real, with a window of this program beneath the clock. It is
// made before the clock so that the display's stacking agrees with the
// platform's z-order.

namespace {

std::vector<std::pair<HWND, UINT>> s_clicks;

LRESULT CALLBACK LogClicks(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG *msg = (const MSG *)lParam;
    if (code == HC_ACTION && wParam == PM_REMOVE &&
        (msg->message == WM_LBUTTONDOWN || msg->message == WM_NCLBUTTONDOWN))
        s_clicks.push_back({ msg->hwnd, msg->message });
    return CallNextHookEx(NULL, code, wParam, lParam);
}

}   // namespace

class ClickThrough : public ClockTest {
protected:
    void SetUp() override
    {
        if (!HaveXdotool())
            GTEST_SKIP() << "xdotool is not installed: no real pointer events";
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        wc.lpszClassName = "LumivaneTestBeneath";
        RegisterClassA(&wc);
        beneath = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 400,
                                  NULL, NULL, wc.hInstance, NULL);
        ASSERT_TRUE(beneath != NULL);
        ClockTest::SetUp();
        hook = SetWindowsHookExA(WH_GETMESSAGE, LogClicks, NULL, GetCurrentThreadId());
        Settle();
    }
    void TearDown() override
    {
        if (hook)
            UnhookWindowsHookEx(hook);
        ClockTest::TearDown();
        if (beneath)
            DestroyWindow(beneath);
    }

    // The display learns of new windows and of see-through pixels only when
    // the window's surface goes out, which the platform does on its own
    // schedule; nothing tells the program when.
    static void Settle() { PumpMessages(300); }

    // Clicks at a client point of the clock; gives the window the press reached.
    HWND ClickAt(POINT client)
    {
        POINT pt = client;
        ClientToScreen(g_hwndMain, &pt);
        s_clicks.clear();
        char args[64];
        sprintf(args, "mousemove %ld %ld click 1", pt.x, pt.y);
        EXPECT_TRUE(Xdotool(args));
        PumpUntil([] { return !s_clicks.empty(); }, 3000);
        return s_clicks.empty() ? NULL : s_clicks[0].first;
    }

    HWND beneath = NULL;
    HHOOK hook = NULL;
};

TEST_F(ClickThrough, OpaquePixelsTakeClicksUnlessOnTopBlackOnesNever)
{
    const POINT pt = { 6, 6 };   // background, outside the analog face
    ASSERT_EQ(g_bgColor, ReadPixel(pt.x, pt.y));
    EXPECT_EQ(g_hwndMain, ClickAt(pt));

    Command(IDM_ONTOP);
    EXPECT_EQ(beneath, ClickAt(pt));
    Command(IDM_ONTOP);
    EXPECT_EQ(g_hwndMain, ClickAt(pt));

    // Black is the colour key: see-through and click-through in both modes.
    Command(IDM_BGTRANSPARENT);
    Tick();
    ASSERT_EQ(0u, ReadPixel(pt.x, pt.y));
    Settle();
    EXPECT_EQ(beneath, ClickAt(pt));
    Command(IDM_ONTOP);
    EXPECT_EQ(beneath, ClickAt(pt));
}

TEST_F(ClickThrough, ABackgroundChosenBlackTakesNoClicks)
{
    const POINT pt = { 6, 6 };
    ChooseInDialog(IDM_COLOR_BG, RGB(0, 0, 0));
    Tick();
    ASSERT_EQ(0u, ReadPixel(pt.x, pt.y));
    EXPECT_FALSE(Checked(IDM_BGTRANSPARENT));
    Settle();
    EXPECT_EQ(beneath, ClickAt(pt));
}
