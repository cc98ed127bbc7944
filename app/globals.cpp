// Definitions of the process-wide state, and the static initialisation that
// runs before WinMain. Within this file definitions initialise in order, so
// the steps below run in the order written.
#include "app/globals.h"

#include "app/menu.h"

// Application shell
HINSTANCE g_hInstance;
int g_nCmdShow;
HWND g_hwndMain;
HMODULE g_hUser32;
SetLayeredWindowAttributesProc g_pfnSetLayeredWindowAttributes;
HMENU g_hSysMenu;
HMENU g_hColorsMenu;
HMENU g_hSettingsMenu;

// Display state
COLORREF g_fgColor = RGB(1, 1, 1);
COLORREF g_bgColor;
COLORREF g_savedBgColor;
BYTE g_alpha = 200;
int g_minuteKey = 0;
int g_lastMinuteKey = -1;

// Repaint cycle
GetLocalTimeProc g_pfnGetLocalTime = GetLocalTime;
HICON g_smallIcon;
HICON g_bigIcon;

// Opacity slider
HWND g_hwndSlider;
WNDPROC g_prevSliderProc;
int g_sliderHovered;
TRACKMOUSEEVENT g_sliderTrack = { sizeof(TRACKMOUSEEVENT), TME_HOVER | TME_LEAVE, NULL, 1 };

// Settings
SettingsFile g_settings;
WINDOWPLACEMENT g_placement = { sizeof(WINDOWPLACEMENT), 0, 0, { 0, 0 }, { 0, 0 }, { 0, 0, 0, 0 } };

static void InitialiseStatics()
{
    g_hColorsMenu = CreatePopupMenu();
    g_hSettingsMenu = CreatePopupMenu();

    g_bgColor = GetSysColor(COLOR_BTNFACE);
    g_savedBgColor = g_bgColor;

    g_settings.Clear();

    // Looked up by name so that the program still starts where the call is
    // missing; then it simply shows no transparency.
    g_hUser32 = LoadLibraryA("user32");
    g_pfnSetLayeredWindowAttributes = (SetLayeredWindowAttributesProc)(void (*)(
        void))GetProcAddress(g_hUser32, "SetLayeredWindowAttributes");

    SystemMenuItems[MENU_COLORS].hSubMenu = g_hColorsMenu;
    SystemMenuItems[MENU_SETTINGS].hSubMenu = g_hSettingsMenu;
}

static const bool s_staticsInitialised = (InitialiseStatics(), true);
