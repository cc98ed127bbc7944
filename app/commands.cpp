// The system-menu commands. A command changes state and, where the face must
// show it, forces a repaint; none paints by itself. Every WM_SYSCOMMAND then
// goes on to DefWindowProcA in MainWndProc, ours included.
#include <windows.h>
#include <commdlg.h>

#include "app/commands.h"
#include "app/globals.h"
#include "app/menu.h"
#include "opacity/slider.h"
#include "settings/load_save.h"

#ifndef _WIN64
static_assert(sizeof(CHOOSECOLORA) == 36, "CHOOSECOLORA of the 32-bit build");
#endif

static const char kAboutCaption[] = "About / Help";
static const char kAboutText[] =
    "~~~~ Lumivane V1.0 ~~~~\n"
    "Lumivane is free to use, copy and pass on, at no charge.\n"
    "It comes as it is, without any warranty: you use it at your own risk,\n"
    "and its authors are not liable for any harm that comes from its use.\n"
    "\n"
    "HELP:\n"
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

static void ToggleAnalog()
{
    ToggleMode(MENU_ANALOG);
    ForceRepaint();
}

// Topmost and click-through go together when the user asks for them; the
// taskbar entry's menu stays reachable to turn them off again.
static void ToggleOnTop()
{
    const bool on = ToggleMode(MENU_ONTOP);
    SetWindowPos(g_hwndMain, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
    LONG exStyle = GetWindowLongA(g_hwndMain, GWL_EXSTYLE);
    if (on)
        exStyle |= WS_EX_TRANSPARENT;
    else
        exStyle &= ~WS_EX_TRANSPARENT;
    SetWindowLongA(g_hwndMain, GWL_EXSTYLE, exStyle);
}

void SetBackgroundTransparent(bool on)
{
    if (on != IsModeOn(MENU_BGTRANSPARENT)) {
        SetMode(MENU_BGTRANSPARENT, on);
        if (on) {
            g_savedBgColor = g_bgColor;
            g_bgColor = RGB(0, 0, 0);   // the colour key: see-through and click-through
        } else {
            g_bgColor = g_savedBgColor;
        }
        ForceRepaint();
    }
}

void ToggleBackgroundTransparent()
{
    SetBackgroundTransparent(!IsModeOn(MENU_BGTRANSPARENT));
}

bool PickColor(COLORREF initial, COLORREF *chosen)
{
    // Fresh every time: custom colours are not remembered between dialogs.
    COLORREF customColors[16] = {};
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = g_hwndMain;
    cc.rgbResult = initial;
    cc.lpCustColors = customColors;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&cc))
        return false;
    *chosen = cc.rgbResult;
    return true;
}

static void ChooseForeground()
{
    PickColor(g_fgColor, &g_fgColor);
    ForceRepaint();
}

// The dialog always starts from the real background, never from the black of
// the see-through mode, and the mode is off afterwards even on Cancel.
static void ChooseBackground()
{
    SetBackgroundTransparent(false);
    PickColor(g_bgColor, &g_bgColor);
    ForceRepaint();
}

static void ShowAbout()
{
    MessageBoxA(g_hwndMain, kAboutText, kAboutCaption, MB_OK);
}

void DispatchSystemCommand(HWND, WPARAM wParam, LPARAM)
{
    // The whole wParam is the identifier: ours have no low bits to mask.
    switch (wParam) {
    case IDM_ANALOG:
        ToggleAnalog();
        break;
    case IDM_ONTOP:
        ToggleOnTop();
        break;
    case IDM_BGTRANSPARENT:
        ToggleBackgroundTransparent();
        break;
    case IDM_OPACITY:
        OpenOpacitySlider();
        break;
    case IDM_ABOUT:
        ShowAbout();
        break;
    case IDM_COLOR_FG:
        ChooseForeground();
        break;
    case IDM_COLOR_BG:
        ChooseBackground();
        break;
    case IDM_LOAD_SETTINGS:
        LoadSettings();
        break;
    case IDM_SAVE_SETTINGS:
        SaveSettings();
        break;
    }
}
